#include "ui/help_launcher.h"

#include <exdisp.h>
#include <oleauto.h>
#include <shellapi.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "framework/prompts.h"
#include "platform/path.h"

namespace {

const char kHelpFile[] = "Vastrel.chm";

// The last-error record of the help viewer (not in the toolchain's header).
struct HelpLastError {
    int cbStruct;
    HRESULT hr;
    BSTR description;
};
// The viewer reads cbStruct and writes the record as its own build lays it out.
static_assert(sizeof(HelpLastError) == (sizeof(void*) == 4 ? 12 : 16), "the viewer's record, 32-bit or 64-bit");
const UINT kHelpDisplayToc = 1;
const UINT kHelpGetLastError = 0x0014;

using HtmlHelpFn = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);

// The help control, loaded at the first use and kept. The system's one-time
// initialisation, not a guarded static: that would touch the threads library
// on the caller's thread (inside Explorer, one the plug-in does not own).
INIT_ONCE g_helpOnce = INIT_ONCE_STATIC_INIT;
HtmlHelpFn g_htmlHelp = nullptr;

BOOL CALLBACK LoadHtmlHelp(PINIT_ONCE, PVOID, PVOID*) {
    HMODULE control = LoadLibraryA("hhctrl.ocx");
    if (control) {
        g_htmlHelp = reinterpret_cast<HtmlHelpFn>(reinterpret_cast<void*>(GetProcAddress(control, "HtmlHelpA")));
    }
    return TRUE;
}

HtmlHelpFn HtmlHelp() {
    return InitOnceExecuteOnce(&g_helpOnce, &LoadHtmlHelp, nullptr, nullptr) ? g_htmlHelp : nullptr;
}

bool BrowseWithAutomation(const std::string& url) {
    IWebBrowser2* browser = nullptr;
    HRESULT hr = CoCreateInstance(CLSID_InternetExplorer, nullptr, CLSCTX_SERVER, IID_IWebBrowser2,
                                  reinterpret_cast<void**>(&browser));
    if (FAILED(hr) || !browser) {
        if (browser) browser->Release();
        return false;
    }
    browser->put_Visible(VARIANT_TRUE);
    int wide = MultiByteToWideChar(CP_ACP, 0, url.data(), static_cast<int>(url.size()), nullptr, 0);
    std::vector<wchar_t> text(static_cast<size_t>(wide > 0 ? wide : 0) + 1, L'\0');
    if (wide > 0) MultiByteToWideChar(CP_ACP, 0, url.data(), static_cast<int>(url.size()), text.data(), wide);
    BSTR address = SysAllocStringLen(text.data(), static_cast<UINT>(wide > 0 ? wide : 0));
    VARIANT flags, frame, post, headers;
    VariantInit(&flags);
    flags.vt = VT_I4;
    flags.lVal = 0;
    VariantInit(&frame);
    frame.vt = VT_BSTR;
    frame.bstrVal = SysAllocString(L"");
    VariantInit(&post);
    VariantInit(&headers);
    headers.vt = VT_BSTR;
    headers.bstrVal = SysAllocString(L"");
    browser->Navigate(address, &flags, &frame, &post, &headers);
    VariantClear(&flags);
    VariantClear(&frame);
    VariantClear(&post);
    VariantClear(&headers);
    SysFreeString(address);
    browser->Release();
    return true;
}

bool OpenWithShell(const std::string& url) {
    HINSTANCE result = ShellExecuteA(nullptr, "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

uint64_t LittleEndian(const unsigned char* bytes, int count) {
    uint64_t value = 0;
    for (int i = count - 1; i >= 0; --i) value = value << 8 | bytes[i];
    return value;
}

// A number of the help file's directory: seven bits a byte, most significant
// first, the high bit set on every byte but the last.
bool ReadDirectoryNumber(const unsigned char*& at, const unsigned char* end, uint64_t& value) {
    value = 0;
    for (int i = 0; i < 9 && at < end; ++i) {
        unsigned char byte = *at++;
        value = value << 7 | (byte & 0x7F);
        if (!(byte & 0x80)) return true;
    }
    return false;
}

// True when the file is whole as a compiled help file: it has the help file's
// signature, the size its header records is its size, and its directory reads
// through, places every stored file inside it and names the file's system data
// and compressed contents. The viewer is not trusted with anything else: it
// may fail silently on such a file, or fall over it.
bool LooksLikeHelpFile(const std::string& file) {
    HANDLE handle = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size = {};
    const uint64_t length = GetFileSizeEx(handle, &size) ? static_cast<uint64_t>(size.QuadPart) : 0;
    auto readAt = [&](uint64_t offset, uint64_t count, std::vector<unsigned char>& bytes) {
        LARGE_INTEGER at = {};
        at.QuadPart = static_cast<LONGLONG>(offset);
        DWORD got = 0;
        bytes.assign(static_cast<size_t>(count), 0);
        return offset <= length && count <= length - offset && SetFilePointerEx(handle, at, nullptr, FILE_BEGIN) &&
               ReadFile(handle, bytes.data(), static_cast<DWORD>(count), &got, nullptr) && got == count;
    };
    auto check = [&]() {
        std::vector<unsigned char> header, sizes, directory;
        if (!readAt(0, 0x58, header) || std::memcmp(header.data(), "ITSF", 4) != 0) return false;
        // The stored files' offsets count from the end of the directory, or
        // from an offset of their own in headers of version 3 and later.
        const uint64_t sizesAt = LittleEndian(&header[0x38], 8);
        const uint64_t directoryAt = LittleEndian(&header[0x48], 8);
        const uint64_t directoryLength = LittleEndian(&header[0x50], 8);
        uint64_t contentsAt = directoryAt + directoryLength;
        std::vector<unsigned char> version3;
        if (LittleEndian(&header[4], 4) >= 3) {
            if (!readAt(0x58, 8, version3)) return false;
            contentsAt = LittleEndian(version3.data(), 8);
        }
        if (!readAt(sizesAt, 0x18, sizes) || LittleEndian(&sizes[0], 4) != 0x01FE ||
            LittleEndian(&sizes[8], 8) != length || directoryLength < 0x54 || directoryLength > (16u << 20) ||
            !readAt(directoryAt, directoryLength, directory) || std::memcmp(directory.data(), "ITSP", 4) != 0)
            return false;
        const uint64_t headerLength = LittleEndian(&directory[0x08], 4);
        const uint64_t chunkSize = LittleEndian(&directory[0x10], 4);
        const uint64_t first = LittleEndian(&directory[0x20], 4);
        const uint64_t last = LittleEndian(&directory[0x24], 4);
        const uint64_t chunks = LittleEndian(&directory[0x2C], 4);
        if (headerLength < 0x54 || chunkSize < 0x20 || chunkSize > directoryLength || first > last ||
            last >= chunks || headerLength + chunks * chunkSize > directoryLength)
            return false;
        bool system = false, contents = false;
        for (uint64_t chunk = first; chunk <= last; ++chunk) {
            const unsigned char* at = &directory[static_cast<size_t>(headerLength + chunk * chunkSize)];
            const uint64_t unused = LittleEndian(at + 4, 4);
            if (std::memcmp(at, "PMGL", 4) != 0 || unused > chunkSize - 0x14) return false;
            const unsigned char* end = at + chunkSize - unused;
            at += 0x14;
            while (at < end) {
                uint64_t nameLength = 0, section = 0, offset = 0, count = 0;
                if (!ReadDirectoryNumber(at, end, nameLength) || nameLength == 0 ||
                    nameLength > static_cast<uint64_t>(end - at))
                    return false;
                const std::string name(reinterpret_cast<const char*>(at), static_cast<size_t>(nameLength));
                at += nameLength;
                if (!ReadDirectoryNumber(at, end, section) || !ReadDirectoryNumber(at, end, offset) ||
                    !ReadDirectoryNumber(at, end, count) || section > 1)
                    return false;
                if (section == 0 && (contentsAt > length || offset > length - contentsAt ||
                                     count > length - contentsAt - offset))
                    return false;
                system = system || name == "/#SYSTEM";
                contents = contents || name == "::DataSpace/Storage/MSCompressed/Content";
            }
        }
        return system && contents;
    };
    bool whole = length > 0 && check();
    CloseHandle(handle);
    return whole;
}

bool DisplayHelp(const std::string& file) {
    HtmlHelpFn fn = HtmlHelp();
    return fn && fn(nullptr, file.c_str(), kHelpDisplayToc, 0) != nullptr;
}

bool HelpFailed(const std::string& file, bool& description) {
    description = false;
    HtmlHelpFn fn = HtmlHelp();
    if (!fn) return true;
    HelpLastError error{static_cast<int>(sizeof(HelpLastError)), S_OK, nullptr};
    fn(nullptr, file.c_str(), kHelpGetLastError, reinterpret_cast<DWORD_PTR>(&error));
    if (error.description) {
        description = true;
        SysFreeString(error.description);
    }
    return FAILED(error.hr);
}

CHelpLauncher::System g_system;

template <typename Fn, typename Real>
Fn Pick(const Fn& replacement, Real real) {
    return replacement ? replacement : Fn(real);
}

}  // namespace

CHelpLauncher::System CHelpLauncher::SetSystem(System replacement) {
    System previous = g_system;
    g_system = std::move(replacement);
    return previous;
}

void CHelpLauncher::OpenUrl(std::string url) {
    auto browse = Pick(g_system.browse, &BrowseWithAutomation);
    auto shellOpen = Pick(g_system.shellOpen, &OpenWithShell);
    // Systems without the automation object get the default browser.
    if (!browse(url)) shellOpen(url);
}

void CHelpLauncher::ShowHelp() {
    std::string path = GetModulePath();
    std::string file = platform::FolderPart(path) + "\\" + kHelpFile;
    auto display = Pick(g_system.displayHelp, &DisplayHelp);
    auto failed = Pick(g_system.helpFailed, &HelpFailed);
    // A file that is missing, empty or damaged is said without asking the
    // viewer, which may say nothing about it or fall over it.
    if (!LooksLikeHelpFile(file)) {
        ui::AppMessageBox("Unable to find help file", MB_ICONERROR);
        return;
    }
    if (display(file)) return;
    bool description = false;
    if (failed(file, description) && description) ui::AppMessageBox("Unable to find help file", MB_ICONERROR);
}

std::string CHelpLauncher::GetModulePath() {
    char path[261] = {};
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    return std::string(path, n < sizeof path ? n : sizeof path - 1);
}
