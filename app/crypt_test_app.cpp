#include "app/crypt_test_app.h"

#include "app/main_dlg.h"
#include "core/file_header.h"

CCryptTestApp::CCryptTestApp() : App("Vastrel") {}

std::string GetCommandLineFileName(const char* commandLine) {
    // Arguments as the C runtime splits them: blanks separate, double quotes
    // group, the program's own name comes first.
    std::string line = commandLine ? commandLine : "";
    size_t pos = 0;
    bool first = true;
    while (pos < line.size()) {
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
        if (pos >= line.size()) break;
        std::string argument;
        bool quoted = false;
        while (pos < line.size() && (quoted || (line[pos] != ' ' && line[pos] != '\t'))) {
            if (line[pos] == '"') {
                quoted = !quoted;
            } else {
                argument += line[pos];
            }
            ++pos;
        }
        if (first) {
            first = false;
            continue;
        }
        if (!argument.empty() && argument[0] != '-' && argument[0] != '/') return argument;
    }
    return {};
}

BOOL CCryptTestApp::InitInstance() {
    std::string file = GetCommandLineFileName(GetCommandLineA());
    if (file.empty()) {
        VastrelMainDlg dlg;
        dlg.DoModal();
        return FALSE;
    }
    if (Vastrel2::Utils::IsEncryptedFile(file)) {
        OpenEncryptedFile(file);
        return FALSE;
    }
    if (file.find(".ecl") != std::string::npos) {
        VastrelMainDlg dlg;
        dlg.commandLineProject = file;
        dlg.DoModal();
    }
    return FALSE;
}
