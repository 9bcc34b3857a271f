#include "shellext/pavlet_shl_ext.h"

#include <new>

#include "shellext/selection.h"
#include "shellext/verbs.h"

namespace {

struct MenuItem {
    const char* text;
    bool grey;
};

// Items 0 to 4 by the kind of selection; 5 to 7 are the same for every kind.
const MenuItem kKindItems[4][5] = {
    // one encrypted file
    {{"Encrypt file", true}, {"Decrypt file", false}, {"View password hint", false},
     {"View original filename", false}, {"Shred file", false}},
    // one folder
    {{"Encrypt folder", false}, {"Decrypt folder", false}, {"View password hint", true},
     {"View original filename", true}, {"Shred file", true}},
    // one other path
    {{"Encrypt file", false}, {"Decrypt file", true}, {"View password hint", true},
     {"View original filename", true}, {"Shred file", false}},
    // several paths
    {{"Encrypt files", false}, {"Decrypt files", false}, {"View password hint", true},
     {"View original filename", true}, {"Shred files", false}},
};
const char* const kCommonItems[3] = {"Create self-extracting file", "Options", "Check for updates"};

// Help texts by offset: one path, several paths.
const char* const kHelpTexts[CPavletShlExt::kVerbCount][2] = {
    {"Encrypt selected file", "Encrypt selected files"},
    {"Decrypt selected file", "Decrypt selected files"},
    {"View password hint", "View password hint"},
    {"View original filename", "View original filename"},
    {"Shred file(s)", "Shred file(s)"},
    {"Create Self-Extracting file", "Create Self-Extracting file"},
    {"Options", "Options"},
    {"Check for Vastrel 2 updates", "Check for Vastrel 2 updates"},
};

int KindRow(SelectionKind kind) {
    switch (kind) {
        case SelectionKind::EncryptedFile: return 0;
        case SelectionKind::Folder: return 1;
        case SelectionKind::File: return 2;
        case SelectionKind::Several: break;
    }
    return 3;
}

}  // namespace

CPavletShlExt::CPavletShlExt() { Module().Lock(); }

CPavletShlExt::~CPavletShlExt() {
    if (m_typeInfo) m_typeInfo->Release();
    Module().Unlock();
}

HRESULT CPavletShlExt::Create(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    CPavletShlExt* object = new (std::nothrow) CPavletShlExt;
    if (!object) return E_OUTOFMEMORY;
    object->AddRef();
    HRESULT hr = object->QueryInterface(iid, out);
    object->Release();  // the caller's reference is the only one left, or none
    return hr;
}

HRESULT STDMETHODCALLTYPE CPavletShlExt::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, kIidIPavletShlExt)) {
        *out = static_cast<IPavletShlExt*>(this);
    } else if (IsEqualIID(iid, IID_IShellExtInit)) {
        *out = static_cast<IShellExtInit*>(this);
    } else if (IsEqualIID(iid, IID_IContextMenu)) {
        *out = static_cast<IContextMenu*>(this);
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE CPavletShlExt::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }

ULONG STDMETHODCALLTYPE CPavletShlExt::Release() {
    LONG left = InterlockedDecrement(&m_refs);
    if (left == 0) {
        try {
            delete this;
        } catch (...) {
        }
    }
    return static_cast<ULONG>(left);
}

HRESULT CPavletShlExt::LoadTypeInfo() {
    if (m_typeInfo) return S_OK;
    std::wstring path = Module().ModulePathW();
    if (path.empty()) return TYPE_E_CANTLOADLIBRARY;
    ITypeLib* library = nullptr;
    HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, &library);
    if (FAILED(hr)) return hr;
    hr = library->GetTypeInfoOfGuid(kIidIPavletShlExt, &m_typeInfo);
    library->Release();
    return hr;
}

HRESULT STDMETHODCALLTYPE CPavletShlExt::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE CPavletShlExt::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
    try {
        if (!info) return E_POINTER;
        *info = nullptr;
        if (index != 0) return DISP_E_BADINDEX;
        HRESULT hr = LoadTypeInfo();
        if (FAILED(hr)) return hr;
        m_typeInfo->AddRef();
        *info = m_typeInfo;
        return S_OK;
    } catch (...) {
        return E_FAIL;
    }
}

HRESULT STDMETHODCALLTYPE CPavletShlExt::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID,
                                                        DISPID* ids) {
    try {
        if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        HRESULT hr = LoadTypeInfo();
        if (FAILED(hr)) return hr;
        return DispGetIDsOfNames(m_typeInfo, names, count, ids);
    } catch (...) {
        return E_FAIL;
    }
}

HRESULT STDMETHODCALLTYPE CPavletShlExt::Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                                                 VARIANT* result, EXCEPINFO* exception, UINT* argError) {
    try {
        if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
        HRESULT hr = LoadTypeInfo();
        if (FAILED(hr)) return hr;
        return DispInvoke(static_cast<IPavletShlExt*>(this), m_typeInfo, id, flags, params, result, exception,
                          argError);
    } catch (...) {
        return E_FAIL;
    }
}

HRESULT STDMETHODCALLTYPE CPavletShlExt::Reserved(LONG, LONG) { return S_OK; }

HRESULT STDMETHODCALLTYPE CPavletShlExt::Initialize(PCIDLIST_ABSOLUTE, IDataObject* data, HKEY) {
    try {
        // Only this selection counts: an object used again never acts on an
        // earlier one.
        m_paths.clear();
        if (!data) return E_INVALIDARG;
        FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        STGMEDIUM medium{};
        if (FAILED(data->GetData(&format, &medium))) return E_INVALIDARG;
        if (medium.tymed == TYMED_HGLOBAL && medium.hGlobal) {
            const void* block = GlobalLock(medium.hGlobal);
            if (block) {
                try {
                    m_paths = ReadDropFiles(block, GlobalSize(medium.hGlobal));
                } catch (...) {
                    m_paths.clear();
                }
                GlobalUnlock(medium.hGlobal);
            }
        }
        ReleaseStgMedium(&medium);
        return m_paths.empty() ? E_INVALIDARG : S_OK;
    } catch (...) {
        m_paths.clear();
        return E_FAIL;
    }
}

bool CPavletShlExt::FillSubmenu(HMENU popup, UINT firstId) {
    const MenuItem* items = kKindItems[KindRow(ClassifySelection(m_paths))];
    for (UINT i = 0; i < kVerbCount; ++i) {
        const char* text = i < 5 ? items[i].text : kCommonItems[i - 5];
        UINT flags = MF_BYPOSITION | MF_STRING | (i < 5 && items[i].grey ? MF_GRAYED : 0);
        if (!InsertMenuA(popup, i, flags, firstId + i, text)) return false;
    }
    return true;
}

HRESULT STDMETHODCALLTYPE CPavletShlExt::QueryContextMenu(HMENU menu, UINT index, UINT firstId, UINT lastId,
                                                           UINT flags) {
    HMENU popup = nullptr;
    bool separatorAdded = false;
    try {
        if (flags & CMF_DEFAULTONLY) return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
        // Explorer grants the identifiers firstId to lastId: all eight or none.
        if (lastId < firstId || lastId - firstId < kVerbCount - 1) return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
        if (!InsertMenuA(menu, index, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr)) {
            return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
        }
        separatorAdded = true;
        popup = CreatePopupMenu();
        if (!popup || !FillSubmenu(popup, firstId) ||
            !InsertMenuA(menu, index, MF_BYPOSITION | MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(popup),
                         "Vastrel 2")) {
            if (popup) DestroyMenu(popup);
            DeleteMenu(menu, index, MF_BYPOSITION);
            return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
        }
        popup = nullptr;  // the menu owns it now
        InsertMenuA(menu, index, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
        return MAKE_HRESULT(SEVERITY_SUCCESS, 0, kVerbCount);
    } catch (...) {
        if (popup) DestroyMenu(popup);
        if (separatorAdded) DeleteMenu(menu, index, MF_BYPOSITION);
        return E_FAIL;
    }
}

HRESULT STDMETHODCALLTYPE CPavletShlExt::GetCommandString(UINT_PTR offset, UINT kind, UINT*, CHAR* buffer,
                                                           UINT length) {
    try {
        if (kind & GCS_VALIDATEA) return offset < kVerbCount ? S_OK : S_FALSE;
        // The items have no language-independent verbs.
        if (!(kind & GCS_HELPTEXTA)) return E_NOTIMPL;
        if (offset >= kVerbCount) return E_INVALIDARG;
        if (!buffer || length == 0) return E_INVALIDARG;
        const char* text = kHelpTexts[offset][m_paths.size() < 2 ? 0 : 1];
        if (kind & GCS_UNICODE) {
            wchar_t wide[64] = {};
            if (!MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 64)) return E_FAIL;
            lstrcpynW(reinterpret_cast<LPWSTR>(buffer), wide, static_cast<int>(length));
        } else {
            lstrcpynA(buffer, text, static_cast<int>(length));
        }
        return S_OK;
    } catch (...) {
        return E_FAIL;
    }
}

HRESULT STDMETHODCALLTYPE CPavletShlExt::InvokeCommand(CMINVOKECOMMANDINFO* info) {
    try {
        if (!info || info->cbSize < sizeof(CMINVOKECOMMANDINFO)) return E_INVALIDARG;
        // A verb given by its text has an address above the low 16 bits, in
        // any of the pointer's upper bits (on 64-bit Windows also the ones
        // above bit 31): only a bare offset names a menu item.
        const UINT_PTR verb = reinterpret_cast<UINT_PTR>(info->lpVerb);
        if (verb >> 16 != 0) return E_INVALIDARG;
        UINT offset = static_cast<UINT>(verb);
        if (offset >= kVerbCount) return E_INVALIDARG;
        // Nothing is selected (no Initialize, or one that found no path):
        // no verb runs.
        if (m_paths.empty()) return E_FAIL;
        // The selection is copied: the verb's dialogs work on it while
        // Explorer may call this object again from their message loops.
        std::vector<std::string> paths = m_paths;
        AddRef();  // alive until the verb has ended, whatever Explorer releases meanwhile
        HRESULT hr = E_FAIL;
        try {
            hr = RunVerb(offset, paths);
        } catch (...) {
            hr = E_FAIL;
        }
        Release();
        return hr;
    } catch (...) {
        return E_FAIL;
    }
}
