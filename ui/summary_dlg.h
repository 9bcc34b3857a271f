#pragma once
// The per-file results of an encryption, decryption or archive run, and the
// dialog that lists them: path, status and details.
#include <windows.h>

#include <map>
#include <string>

#include "framework/controls.h"
#include "framework/dialog.h"

// Path of a processed file -> its status text, optionally followed by
// kResultDetailsSeparator and a details text. Ordered byte by byte, case
// sensitive; one entry per path (a later result replaces an earlier one).
using ResultMap = std::map<std::string, std::string>;

constexpr char kResultDetailsSeparator = '\xA9';

// status, the separator, details.
std::string WithDetails(const std::string& status, const std::string& details);
// The value of a decryption refused for a wrong password: "Password
// incorrect", the separator, "Password hint: " and the file's hint.
std::string WrongPasswordResult(const std::string& hint);
// A value split at its last separator (a double-byte character's second
// byte is never taken for one): the status before it and the details after;
// without one, the whole value is the status.
void SplitResult(const std::string& value, std::string& status, std::string& details);

class CCryptoSummaryDlg : public ui::Dialog {
public:
    static constexpr UINT kTemplateId = 135;
    static constexpr int kListId = 1038;

    // Takes a copy of the results.
    explicit CCryptoSummaryDlg(const ResultMap& results, HWND parent = nullptr);

protected:
    void DoDataExchange(ui::DataExchange& dx) override;
    bool OnInitDialog() override;

private:
    ui::ListView m_list;
    ResultMap m_results;
};

// Asks the question (Yes and No, question icon) and, on Yes, lists the
// results in the summary dialog. True when the user chose to see them.
bool OfferResultSummary(const std::string& question, const ResultMap& results);
