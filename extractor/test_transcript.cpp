#include "extractor/test_transcript.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/message_box.h"
#include "ui/controls.h"
#include "ui/dialog.h"
#include "ui/summary_dlg.h"

namespace {

std::string g_transcript;

std::string OneLine(std::string text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += "\\n";
        else if (c == '\t') out += "\\t";
        else out.push_back(c);
    }
    return out;
}

void Append(const std::string& line) {
    FILE* f = std::fopen(g_transcript.c_str(), "ab");
    if (!f) return;
    std::fputs((line + "\n").c_str(), f);
    std::fclose(f);
}


}  // namespace

void InstallTestTranscript() {
    const char* path = std::getenv("VASTREL_EXTRACTOR_TRANSCRIPT");
    if (!path || !*path) return;
    g_transcript = path;
    platform::SetMessageHook([](const platform::MessageRequest& box) {
        Append("box\t" + std::to_string(box.style) + "\t" + OneLine(box.text));
        return (box.style & 0xF) == platform::kMbYesNo ? platform::kIdYes : platform::kIdOk;
    });
    ui::Dialog::SetModalHook([](ui::Dialog& dialog) {
        HWND list = GetDlgItem(dialog.Handle(), CCryptoSummaryDlg::kListId);
        if (!list) return;  // not the summary
        ui::ListViewRef rows(list);
        for (int i = 0; i < rows.GetItemCount(); ++i) {
            Append("row\t" + OneLine(rows.GetItemText(i, 0)) + "\t" + OneLine(rows.GetItemText(i, 1)) + "\t" +
                   OneLine(rows.GetItemText(i, 2)));
        }
        Append("summary\tend");
        dialog.EndDialog(IDOK);
    });
}
