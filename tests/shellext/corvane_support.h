#pragma once
// What the tests of Corvane.dll share: where the built library is, running
// RegSvr32 and other programs with a bounded wait, reading the registry,
// a data object that offers dropped files as Explorer's does, and the hook
// host that lets the tests answer the library's own boxes, pickers and
// dialogs.
#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/test_support.h"
#include "tests/ui/ui_test_support.h"

namespace corvanetest {

extern const char kClsid[];  // "{2BC200BC-8223-468B-8504-FB2DDA283DB8}"
extern const char kLibid[];
extern const char kIid[];
extern const GUID kClsidGuid;

// The build folder (the one holding CMakeCache.txt above this program).
std::string BuildFolder();
// Corvane.dll beside this program when there is one, else the build's.
std::string CorvanePath();

// Runs the command line and waits up to the time given; the exit code, or
// -1 when it could not start or did not end in time (it is then ended).
int RunProgram(const std::string& commandLine, DWORD milliseconds = 60000);
// RegSvr32 /s on the library: true when it reports success.
bool Regsvr32(const std::string& library, bool unregister = false);

// COM for the whole program, and the library registered in this program's
// own prefix, as the integration switch registers it; unregistered again at
// the end.
class RegisteredLibrary : public ::testing::Environment {
public:
    void SetUp() override;
    void TearDown() override;
};

// DllCanUnloadNow of the loaded library; E_UNEXPECTED when it is not loaded.
HRESULT CanUnloadNow();
// Frees the unused libraries, as Explorer does on its timer, until
// Corvane.dll is gone or the tries run out; true when it is gone.
bool FreeLibraryIfUnused();

// Registry look-ups (HKEY_CLASSES_ROOT unless another root is given).
bool KeyExists(const std::string& path, HKEY root = HKEY_CLASSES_ROOT);
// The string value; "<missing>" when the key or value is not there.
std::string StringValue(const std::string& path, const std::string& name = "", HKEY root = HKEY_CLASSES_ROOT);
std::vector<std::string> SubKeys(const std::string& path, HKEY root = HKEY_CLASSES_ROOT);
void DeleteTree(const std::string& path, HKEY root = HKEY_CLASSES_ROOT);
void SetStringValue(const std::string& path, const std::string& name, const std::string& data,
                    HKEY root = HKEY_CLASSES_ROOT);

// An IDataObject on the COM heap that offers only CF_HDROP, as Explorer's
// does: the paths in a DROPFILES block, wide (as Explorer writes them) or
// narrow. Its reference count starts at 1.
class DropData : public IDataObject {
public:
    static DropData* FromPaths(const std::vector<std::string>& paths, bool wide = true);
    static DropData* FromWide(const std::vector<std::wstring>& paths);
    // A data object without the drop-file format.
    static DropData* WithoutFiles();

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override;
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override;
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override {
        return OLE_E_ADVISENOTSUPPORTED;
    }
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

private:
    DropData() = default;
    virtual ~DropData() = default;
    LONG m_refs = 1;
    bool m_hasFiles = false;
    std::string m_block;  // the DROPFILES block
};

// A COM pointer that releases what it holds.
template <class T>
class Ptr {
public:
    Ptr() = default;
    explicit Ptr(T* p) : m_p(p) {}
    ~Ptr() { Reset(); }
    Ptr(const Ptr&) = delete;
    Ptr& operator=(const Ptr&) = delete;
    Ptr(Ptr&& other) noexcept : m_p(other.m_p) { other.m_p = nullptr; }
    T* operator->() const { return m_p; }
    T* Get() const { return m_p; }
    T** Out() {
        Reset();
        return &m_p;
    }
    void** Void() { return reinterpret_cast<void**>(Out()); }
    void Reset() {
        if (m_p) m_p->Release();
        m_p = nullptr;
    }
    explicit operator bool() const { return m_p != nullptr; }

private:
    T* m_p = nullptr;
};

// A window test that starts from no stored settings, with the donation
// reminder far from its turn, and puts back the settings it found.
class CorvaneTest : public uitest::UiTest {
protected:
    CorvaneTest();
    ~CorvaneTest() override;

    // One setting of the suite, stored.
    static void Store(const std::string& name, uint32_t value);
    static uint32_t Stored(const std::string& name, uint32_t missing = 0xFFFFFFFFu);

    // A handler made through COM by its class identifier, as Explorer makes
    // it, and given the paths; null when either step fails.
    Ptr<IContextMenu> Handler(const std::vector<std::string>& paths);
    // The whole road of one menu item: handler, selection, menu, the item.
    HRESULT Invoke(const std::vector<std::string>& paths, UINT offset);

    testsupport::SettingsKeeper m_keeper;
    testsupport::TempDir m_work;
};

}  // namespace corvanetest
