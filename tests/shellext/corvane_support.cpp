#include "tests/shellext/corvane_support.h"

#include <shlobj.h>

#include <cstdio>
#include <cstring>

#include "core/registry_dword.h"
#include "framework/dialog.h"
#include "framework/host_hooks.h"
#include "framework/prompts.h"
#include "platform/message_box.h"
#include "platform/process.h"

namespace corvanetest {

const char kClsid[] = "{2BC200BC-8223-468B-8504-FB2DDA283DB8}";
const char kLibid[] = "{A0054BA3-95DC-4A65-AED9-74234CCD1DD7}";
const char kIid[] = "{39FB9096-CA87-42AF-95D5-3282201F07B5}";
const GUID kClsidGuid = {0x2BC200BC, 0x8223, 0x468B, {0x85, 0x04, 0xFB, 0x2D, 0xDA, 0x28, 0x3D, 0xB8}};

namespace {

std::string OwnFolder() {
    char module[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string dir = module;
    return dir.substr(0, dir.find_last_of('\\'));
}

}  // namespace

std::string BuildFolder() {
    std::string dir = OwnFolder();
    while (GetFileAttributesA((dir + "\\CMakeCache.txt").c_str()) == INVALID_FILE_ATTRIBUTES) {
        size_t slash = dir.find_last_of('\\');
        if (slash == std::string::npos) return "";
        dir.resize(slash);
    }
    return dir;
}

std::string CorvanePath() {
    std::string beside = OwnFolder() + "\\Corvane.dll";
    if (GetFileAttributesA(beside.c_str()) != INVALID_FILE_ATTRIBUTES) return beside;
    return BuildFolder() + "\\app\\Corvane.dll";
}

int RunProgram(const std::string& commandLine, DWORD milliseconds) {
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
    CloseHandle(pi.hThread);
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(pi.hProcess, milliseconds) == WAIT_OBJECT_0) {
        GetExitCodeProcess(pi.hProcess, &code);
    } else {
        TerminateProcess(pi.hProcess, 1);
        WaitForSingleObject(pi.hProcess, 5000);
    }
    CloseHandle(pi.hProcess);
    return static_cast<int>(code);
}

bool Regsvr32(const std::string& library, bool unregister) {
    int code = RunProgram(std::string("regsvr32.exe /s ") + (unregister ? "/u " : "") + "\"" + library + "\"");
    if (code != 0) std::printf("regsvr32 %s%s: exit code %d\n", unregister ? "/u " : "", library.c_str(), code);
    return code == 0;
}

void RegisteredLibrary::SetUp() {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    ASSERT_TRUE(Regsvr32(CorvanePath()));
}

void RegisteredLibrary::TearDown() {
    CoFreeUnusedLibrariesEx(0, 0);
    Regsvr32(CorvanePath(), true);
    CoUninitialize();
}

HRESULT CanUnloadNow() {
    HMODULE library = GetModuleHandleA("Corvane.dll");
    if (!library) return E_UNEXPECTED;
    using ExportFn = HRESULT(STDAPICALLTYPE*)();
    auto fn = reinterpret_cast<ExportFn>(reinterpret_cast<void*>(GetProcAddress(library, "DllCanUnloadNow")));
    return fn ? fn() : E_UNEXPECTED;
}

bool FreeLibraryIfUnused() {
    for (int i = 0; i < 50 && GetModuleHandleA("Corvane.dll"); ++i) {
        CoFreeUnusedLibrariesEx(0, 0);
        if (GetModuleHandleA("Corvane.dll")) Sleep(20);
    }
    return GetModuleHandleA("Corvane.dll") == nullptr;
}

bool KeyExists(const std::string& path, HKEY root) {
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

std::string StringValue(const std::string& path, const std::string& name, HKEY root) {
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "<missing>";
    char data[2048] = {};
    DWORD size = sizeof data - 1, type = 0;
    LONG rc = RegQueryValueExA(key, name.empty() ? nullptr : name.c_str(), nullptr, &type,
                               reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS || type != REG_SZ) return "<missing>";
    return data;
}

std::vector<std::string> SubKeys(const std::string& path, HKEY root) {
    std::vector<std::string> names;
    HKEY key;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, length);
    }
    RegCloseKey(key);
    return names;
}

void DeleteTree(const std::string& path, HKEY root) {
    for (const std::string& child : SubKeys(path, root)) DeleteTree(path + "\\" + child, root);
    RegDeleteKeyA(root, path.c_str());
}

void SetStringValue(const std::string& path, const std::string& name, const std::string& data, HKEY root) {
    HKEY key;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS) return;
    RegSetValueExA(key, name.empty() ? nullptr : name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                   static_cast<DWORD>(data.size() + 1));
    RegCloseKey(key);
}

DropData* DropData::FromWide(const std::vector<std::wstring>& paths) {
    DropData* data = new DropData;
    data->m_hasFiles = true;
    DROPFILES header{};
    header.pFiles = sizeof header;
    header.fWide = TRUE;
    std::wstring list;
    for (const std::wstring& path : paths) list += path + L'\0';
    list += L'\0';
    data->m_block.assign(reinterpret_cast<const char*>(&header), sizeof header);
    data->m_block.append(reinterpret_cast<const char*>(list.data()), list.size() * sizeof(wchar_t));
    return data;
}

DropData* DropData::FromPaths(const std::vector<std::string>& paths, bool wide) {
    if (wide) {
        std::vector<std::wstring> converted;
        for (const std::string& path : paths) {
            std::wstring w(path.size() + 1, L'\0');
            int n = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, &w[0], static_cast<int>(w.size()));
            w.resize(n > 0 ? static_cast<size_t>(n - 1) : 0);
            converted.push_back(w);
        }
        return FromWide(converted);
    }
    DropData* data = new DropData;
    data->m_hasFiles = true;
    DROPFILES header{};
    header.pFiles = sizeof header;
    data->m_block.assign(reinterpret_cast<const char*>(&header), sizeof header);
    for (const std::string& path : paths) data->m_block += path + '\0';
    data->m_block += '\0';
    return data;
}

DropData* DropData::WithoutFiles() { return new DropData; }

HRESULT STDMETHODCALLTYPE DropData::QueryInterface(REFIID iid, void** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDataObject)) {
        *out = static_cast<IDataObject*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE DropData::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&m_refs)); }

ULONG STDMETHODCALLTYPE DropData::Release() {
    LONG left = InterlockedDecrement(&m_refs);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

HRESULT STDMETHODCALLTYPE DropData::QueryGetData(FORMATETC* format) {
    if (!format) return E_INVALIDARG;
    if (!m_hasFiles || format->cfFormat != CF_HDROP) return DV_E_FORMATETC;
    return (format->tymed & TYMED_HGLOBAL) ? S_OK : DV_E_TYMED;
}

HRESULT STDMETHODCALLTYPE DropData::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) {
    if (out) out->ptd = nullptr;
    return DATA_S_SAMEFORMATETC;
}

HRESULT STDMETHODCALLTYPE DropData::GetData(FORMATETC* format, STGMEDIUM* medium) {
    if (!format || !medium) return E_INVALIDARG;
    HRESULT hr = QueryGetData(format);
    if (FAILED(hr)) return hr;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, m_block.size());
    if (!memory) return E_OUTOFMEMORY;
    std::memcpy(GlobalLock(memory), m_block.data(), m_block.size());
    GlobalUnlock(memory);
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = memory;
    medium->pUnkForRelease = nullptr;
    return S_OK;
}

CorvaneTest::CorvaneTest() {
    testsupport::ClearVastrelSettings();
    Store("Donation", 100);
}

CorvaneTest::~CorvaneTest() { uitest::Pump(); }

void CorvaneTest::Store(const std::string& name, uint32_t value) {
    RegistryDword setting(VastrelSettingPath(name), 0, 1);
    setting.Set(value);
    setting.Write();
}

uint32_t CorvaneTest::Stored(const std::string& name, uint32_t missing) {
    return RegistryDword(VastrelSettingPath(name), missing, 1).Get();
}

Ptr<IContextMenu> CorvaneTest::Handler(const std::vector<std::string>& paths) {
    Ptr<IShellExtInit> init;
    Ptr<IContextMenu> menu;
    if (FAILED(CoCreateInstance(kClsidGuid, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit, init.Void()))) {
        ADD_FAILURE() << "the handler cannot be created";
        return menu;
    }
    Ptr<DropData> data(DropData::FromPaths(paths));
    if (FAILED(init->Initialize(nullptr, data.Get(), nullptr))) return menu;
    init->QueryInterface(IID_IContextMenu, menu.Void());
    return menu;
}

HRESULT CorvaneTest::Invoke(const std::vector<std::string>& paths, UINT offset) {
    Ptr<IContextMenu> handler = Handler(paths);
    if (!handler) return E_FAIL;
    HMENU menu = CreatePopupMenu();
    handler->QueryContextMenu(menu, 0, 1, 0x7FFF, CMF_NORMAL);
    DestroyMenu(menu);
    CMINVOKECOMMANDINFO info{};
    info.cbSize = sizeof info;
    info.lpVerb = MAKEINTRESOURCEA(offset);
    info.nShow = SW_SHOWNORMAL;
    return handler->InvokeCommand(&info);
}

}  // namespace corvanetest

// The library lends its hooks here: each one hands the library's request to
// this program's own hooks (the tests' recorders and drivers), or to this
// program's real window when no test answers it.
extern "C" __declspec(dllexport) void VastrelHookHost(const ui::HookSetters* setters) {
    if (!setters || setters->size < sizeof(ui::HookSetters)) return;
    setters->setModalHook([](ui::Dialog& dialog) {
        ui::Dialog::ModalHook ours = ui::Dialog::SetModalHook(nullptr);
        ui::Dialog::SetModalHook(ours);
        if (ours) ours(dialog);
    });
    setters->setMessageHook([](const platform::MessageRequest& box) {
        return platform::ShowMessageOwned(box.text, box.caption, box.style, box.ownerWindow);
    });
    setters->setPickerHook([](const ui::PickerRequest& request) {
        ui::PickerAnswer answer;
        answer.chosen = ui::PickFile(request, answer.path);
        return answer;
    });
    setters->setProgramHook([](const platform::ProgramStart& start) { return platform::StartProgram(start); });
    setters->setAssociationHook([](const std::string& file) { return platform::AssociatedProgram(file); });
    setters->setWriteHook([](const std::string& path, size_t count) { return platform::WriteAllowed(path, count); });
    uitest::AddForeignModule({setters->module, setters->fromHandle, setters->preTranslateChain});
}
