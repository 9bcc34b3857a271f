// Switching the Explorer plug-in on and off: the system's RegSvr32 is
// started on the Corvane.dll beside this program, and reports the outcome
// to the user itself. The program does not wait for it.
#include <windows.h>

#include <string>
#include <vector>

#include "app/main_dlg.h"
#include "framework/prompts.h"
#include "platform/path.h"
#include "platform/process.h"

namespace {

// The folder of the running program, with its trailing backslash; empty
// when the system cannot tell.
std::string ProgramFolder() {
    for (DWORD size = 520; size <= 32768; size *= 2) {
        std::vector<char> path(size, '\0');
        DWORD n = GetModuleFileNameA(nullptr, path.data(), size);
        if (n == 0) return std::string();
        if (n < size) {
            std::string own(path.data(), n);
            const size_t slash = platform::LastSeparator(own);
            return slash == std::string::npos ? std::string() : own.substr(0, slash + 1);
        }
    }
    return std::string();
}

}  // namespace

void VastrelMainDlg::RegisterShellExtension(bool enable) {
    platform::ProgramStart start;
    start.kind = platform::ProgramStart::Kind::Create;
    start.commandLine =
        std::string(enable ? "RegSvr32" : "RegSvr32 /u") + "  \"" + ProgramFolder() + "Corvane.dll\"";
    if (!platform::StartProgram(start)) {
        ui::AppMessageBox("Unable to find Corvane.dll, Registration failed. Please make sure the file Corvane.dll is "
                          "in your Vastrel installation folder.",
                          MB_ICONERROR);
    }
}
