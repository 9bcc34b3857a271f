#include "app/crypt_test_app.h"

#include <algorithm>
#include <cctype>

#include "app/main_dlg.h"
#include "core/file_header.h"
#include "platform/message_box.h"

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

BOOL CCryptTestApp::InitInstance() { return Start(GetCommandLineFileName(GetCommandLineA())); }

namespace {

int Refuse(const std::string& text) {
    return platform::ShowMessage(text, "Vastrel 2", MB_ICONERROR, platform::MsgOwner::None);
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

BOOL CCryptTestApp::Start(std::string file) {
    if (file.empty()) {
        VastrelMainDlg dlg;
        dlg.DoModal();
        return FALSE;
    }
    // The jobs put the plain file beside the encrypted one: a full path.
    char full[MAX_PATH] = {};
    DWORD n = GetFullPathNameA(file.c_str(), sizeof full, full, nullptr);
    if (n > 0 && n < sizeof full) file.assign(full, n);
    if (n >= sizeof full || file.size() >= MAX_PATH) {
        Refuse("The path of this file is too long for Vastrel 2 (" + std::to_string(std::max<size_t>(n, file.size())) +
               " characters):\n" + file);
        return FALSE;
    }
    DWORD attributes = GetFileAttributesA(file.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        Refuse("The file " + file + " could not be found.");
        return FALSE;
    }
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
        Refuse(file + " is a folder, not a file.");
        return FALSE;
    }
    if (Vastrel2::Utils::IsEncryptedFile(file)) {
        OpenEncryptedFile(file);
        return FALSE;
    }
    const std::string lower = Lower(file);
    if (lower.find(".ecl") != std::string::npos) {
        VastrelMainDlg dlg;
        dlg.commandLineProject = file;
        dlg.DoModal();
        return FALSE;
    }
    // A file named as an encrypted one without an encrypted file's end.
    const std::string suffix = ".~enc";
    if (lower.size() >= suffix.size() && lower.compare(lower.size() - suffix.size(), suffix.size(), suffix) == 0)
        Refuse("The file " + file + " is not an encrypted file, or it is damaged.");
    return FALSE;
}
