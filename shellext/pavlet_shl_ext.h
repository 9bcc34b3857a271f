#pragma once
// The context-menu handler that Explorer creates for every right-click on
// files and folders: it takes the selection (IShellExtInit), adds the
// submenu "Vastrel 2" with eight items (IContextMenu), gives their help
// texts, and runs the item the user picks on Explorer's thread.
//
// Every method is a boundary: nothing it calls may throw past it, and a
// failure comes back as an error result.
#include <windows.h>

#include <oleauto.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "shellext/com_module.h"
#include "shellext/pavlet_ids.h"

#define PAVLET_TEXT2(x) #x
#define PAVLET_TEXT(x) PAVLET_TEXT2(x)

inline constexpr GUID kClsidPavletShlExt = GuidFromText(PAVLET_TEXT(PAVLET_CLSID_TEXT));
inline constexpr GUID kIidIPavletShlExt = GuidFromText(PAVLET_TEXT(PAVLET_IID_TEXT));
inline constexpr GUID kLibidPavlet = GuidFromText(PAVLET_TEXT(PAVLET_LIBID_TEXT));

// The class's dual interface. The type library publishes no operation of
// its own for it.
struct IPavletShlExt : public IDispatch {
    // Not published and not called: answers S_OK.
    virtual HRESULT STDMETHODCALLTYPE Reserved(LONG first, LONG second) = 0;
};

class CPavletShlExt : public IPavletShlExt, public IShellExtInit, public IContextMenu {
public:
    // The menu's items, by their offset from the first command identifier.
    enum Verb : UINT {
        kEncrypt = 0,
        kDecrypt = 1,
        kViewHint = 2,
        kViewOriginalName = 3,
        kShred = 4,
        kSelfExtractor = 5,
        kOptions = 6,
        kCheckForUpdates = 7,
        kVerbCount = 8,
    };

    // The object map's creator: a new object asked for the interface.
    static HRESULT Create(REFIID iid, void** out);

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDispatch, over the library's own type information
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                            DISPID* ids) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* exception, UINT* argError) override;

    // IPavletShlExt
    HRESULT STDMETHODCALLTYPE Reserved(LONG first, LONG second) override;

    // IShellExtInit
    HRESULT STDMETHODCALLTYPE Initialize(PCIDLIST_ABSOLUTE folder, IDataObject* data, HKEY programKey) override;

    // IContextMenu
    HRESULT STDMETHODCALLTYPE QueryContextMenu(HMENU menu, UINT index, UINT firstId, UINT lastId,
                                               UINT flags) override;
    HRESULT STDMETHODCALLTYPE InvokeCommand(CMINVOKECOMMANDINFO* info) override;
    HRESULT STDMETHODCALLTYPE GetCommandString(UINT_PTR offset, UINT kind, UINT* reserved, CHAR* buffer,
                                               UINT length) override;

    const std::vector<std::string>& SelectedPaths() const { return m_paths; }

private:
    CPavletShlExt();
    virtual ~CPavletShlExt();
    CPavletShlExt(const CPavletShlExt&) = delete;
    CPavletShlExt& operator=(const CPavletShlExt&) = delete;

    HRESULT LoadTypeInfo();
    bool FillSubmenu(HMENU popup, UINT firstId);

    volatile LONG m_refs = 0;
    std::vector<std::string> m_paths;
    ITypeInfo* m_typeInfo = nullptr;
};
