#include "ui/summary_dlg.h"

#include "framework/prompts.h"

std::string WithDetails(const std::string& status, const std::string& details) {
    return status + kResultDetailsSeparator + details;
}

std::string WrongPasswordResult(const std::string& hint) {
    return WithDetails("Password incorrect", "Password hint: " + hint);
}

void SplitResult(const std::string& value, std::string& status, std::string& details) {
    // Walked from the front: in a double-byte code page the separator's
    // value can be the second byte of a character.
    size_t last = std::string::npos;
    for (size_t i = 0; i < value.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(value[i]);
        if (IsDBCSLeadByte(c) && i + 1 < value.size()) {
            ++i;
        } else if (value[i] == kResultDetailsSeparator) {
            last = i;
        }
    }
    if (last == std::string::npos) {
        status = value;
        details.clear();
    } else {
        status = value.substr(0, last);
        details = value.substr(last + 1);
    }
}

CCryptoSummaryDlg::CCryptoSummaryDlg(const ResultMap& results, HWND parent)
    : Dialog(kTemplateId, parent), m_results(results) {}

void CCryptoSummaryDlg::DoDataExchange(ui::DataExchange& dx) { dx.Control(kListId, m_list); }

bool CCryptoSummaryDlg::OnInitDialog() {
    Dialog::OnInitDialog();
    m_list.InsertColumn(0, "Filename", LVCFMT_LEFT, 250);
    m_list.InsertColumn(1, "Status", LVCFMT_LEFT, 100);
    m_list.InsertColumn(2, "Details", LVCFMT_LEFT, 200);
    int row = 0;
    for (const auto& [path, value] : m_results) {
        int item = m_list.InsertItem(row, path);
        if (item < 0) continue;
        std::string status, details;
        SplitResult(value, status, details);
        m_list.SetItemText(item, 1, status);
        if (!details.empty()) m_list.SetItemText(item, 2, details);
        ++row;
    }
    return true;
}

bool OfferResultSummary(const std::string& question, const ResultMap& results) {
    if (ui::AppMessageBox(question, MB_YESNO | MB_ICONQUESTION) != IDYES) return false;
    CCryptoSummaryDlg summary(results, nullptr);
    summary.DoModal();
    return true;
}
