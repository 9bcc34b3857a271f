#include "ui/help_launcher.h"

#include <exdisp.h>
#include <oleauto.h>
#include <shellapi.h>

#include <vector>

#include "ui/prompts.h"

namespace {

const char kHelpFile[] = "Vastrel.chm";

// The last-error record of the help viewer (not in the toolchain's header).
struct HelpLastError {
    int cbStruct;
    HRESULT hr;
    BSTR description;
};
const UINT kHelpDisplayToc = 1;
const UINT kHelpGetLastError = 0x0014;

using HtmlHelpFn = HWND(WINAPI*)(HWND, LPCSTR, UINT, DWORD_PTR);

HtmlHelpFn HtmlHelp() {
    static HtmlHelpFn fn = [] {
        HMODULE control = LoadLibraryA("hhctrl.ocx");
        return control ? reinterpret_cast<HtmlHelpFn>(reinterpret_cast<void*>(GetProcAddress(control, "HtmlHelpA")))
                       : nullptr;
    }();
    return fn;
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
    size_t slash = path.find_last_of('\\');
    std::string file = (slash == std::string::npos ? std::string() : path.substr(0, slash)) + "\\" + kHelpFile;
    auto display = Pick(g_system.displayHelp, &DisplayHelp);
    auto failed = Pick(g_system.helpFailed, &HelpFailed);
    if (display(file)) return;
    bool description = false;
    bool failure = failed(file, description);
    bool missing = GetFileAttributesA(file.c_str()) == INVALID_FILE_ATTRIBUTES;
    if (missing || (failure && description)) ui::AppMessageBox("Unable to find help file", MB_ICONERROR);
}

std::string CHelpLauncher::GetModulePath() {
    char path[261] = {};
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    return std::string(path, n < sizeof path ? n : sizeof path - 1);
}
