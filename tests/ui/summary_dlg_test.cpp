#include "core/registry_dword.h"
#include "tests/ui/ui_test_support.h"
#include "ui/donation_dlg.h"
#include "ui/help_launcher.h"
#include "ui/summary_dlg.h"

namespace {

using uitest::UiTest;
using Rows = std::vector<std::vector<std::string>>;

std::vector<std::string> Headings(HWND list) {
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    std::vector<std::string> names;
    for (int i = 0; i < static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0)); ++i) {
        char text[64] = {};
        HDITEMA item{};
        item.mask = HDI_TEXT;
        item.pszText = text;
        item.cchTextMax = sizeof text;
        SendMessageA(header, HDM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
        names.push_back(text);
    }
    return names;
}

TEST_F(UiTest, SummaryListsEveryResultByPathWithItsDetails) {
    ResultMap results;
    results["C:\\a.txt"] = "File read error";
    results["C:\\a.txt"] = "File read only";  // a later result replaces the earlier
    results["C:\\B.txt"] = WrongPasswordResult("my cat");
    results["C:\\c.txt"] = std::string("Failed to decrypt file.") + kResultDetailsSeparator;
    results["C:\\d.txt"] = WrongPasswordResult(std::string("ab") + kResultDetailsSeparator + "cd");
    results["3 files were canceled"] = "";

    uitest::ModalDriver driver;
    driver.When("CCryptoSummaryDlg", [&](uitest::DialogDriver& d) {
        EXPECT_EQ("Vastrel 2.0", ui::WindowRef(d.Handle()).Text());
        EXPECT_EQ((std::vector<std::string>{"Filename", "Status", "Details"}), Headings(d.Item(1038)));
        Rows rows = d.ListRows(1038);
        // Byte order: digits, then upper case before lower case.
        Rows expected = {
            {"3 files were canceled", "", ""},
            {"C:\\B.txt", "Password incorrect", "Password hint: my cat"},
            {"C:\\a.txt", "File read only", ""},
            {"C:\\c.txt", "Failed to decrypt file.", ""},
            // A separator inside the hint: split at the last one.
            {"C:\\d.txt", std::string("Password incorrect") + kResultDetailsSeparator + "Password hint: ab", "cd"},
        };
        EXPECT_EQ(expected, rows);
        d.Screenshot("results");
        d.Press(VK_RETURN);
    });
    CCryptoSummaryDlg summary(results);
    results.clear();  // the dialog keeps its own copy
    EXPECT_EQ(IDOK, summary.DoModal());

    // An empty map: the three columns and no row; Esc closes it.
    driver.When("CCryptoSummaryDlg", [&](uitest::DialogDriver& d) {
        EXPECT_EQ(3u, Headings(d.Item(1038)).size());
        EXPECT_TRUE(d.ListRows(1038).empty());
        d.Press(VK_ESCAPE);
    });
    CCryptoSummaryDlg empty(ResultMap{});
    EXPECT_EQ(IDCANCEL, empty.DoModal());

    // Offered with a question: No shows nothing, Yes the list.
    ResultMap one{{"C:\\x.txt", "OK"}};
    m_messages.answers = {IDNO, IDYES};
    EXPECT_FALSE(OfferResultSummary("Would you like to view full details?", one));
    driver.When("CCryptoSummaryDlg", [&](uitest::DialogDriver& d) {
        EXPECT_EQ((Rows{{"C:\\x.txt", "OK", ""}}), d.ListRows(1038));
        d.Click(IDCANCEL);
    });
    EXPECT_TRUE(OfferResultSummary("Would you like to view full details?", one));
    ASSERT_EQ(2u, m_messages.messages.size());
    EXPECT_EQ(unsigned(MB_YESNO | MB_ICONQUESTION), m_messages.messages[1].style);
    EXPECT_EQ(3u, driver.opened.size());
}

class DonationTest : public UiTest {
protected:
    DonationTest() {
        testsupport::ClearVastrelSettings();
        CHelpLauncher::System system;
        system.browse = [this](const std::string& url) {
            pages.push_back(url);
            return true;
        };
        m_previous = CHelpLauncher::SetSystem(system);
    }
    ~DonationTest() override {
        CHelpLauncher::SetSystem(m_previous);
        testsupport::ClearVastrelSettings();
    }
    uint32_t Counter() { return RegistryDword(VastrelSettingPath("Donation"), 0, 1).Get(); }
    void SetCounter(uint32_t value) { RegistryDword(VastrelSettingPath("Donation"), 0, 1).Set(value); }
    // Runs that show no dialog (the driver fails on any that opens).
    void QuietRuns(int n) {
        for (int i = 0; i < n; ++i) DonationReminder();
    }
    std::vector<std::string> pages;

private:
    CHelpLauncher::System m_previous;
};

TEST_F(DonationTest, TenthRunAndTenMoreAfterRemindLaterNeverAfterDontBug) {
    uitest::ModalDriver driver;
    QuietRuns(9);
    EXPECT_EQ(9u, Counter());
    driver.When("CDonationDlg", [&](uitest::DialogDriver& d) {
        EXPECT_EQ("Help fund Vastrel 2", ui::WindowRef(d.Handle()).Text());
        EXPECT_EQ(BST_CHECKED, d.Checked(CDonationDlg::kDonateId));
        EXPECT_EQ("Hey, I thought Vastrel 2 was Free? Dont bug me again.", d.Text(CDonationDlg::kNeverAgainId));
        d.Screenshot("asked");
        d.Click(CDonationDlg::kRemindLaterId);
        EXPECT_EQ(BST_UNCHECKED, d.Checked(CDonationDlg::kDonateId));
        d.Click(IDOK);
    });
    DonationReminder();  // the tenth
    EXPECT_EQ(1u, driver.opened.size());
    EXPECT_EQ(0u, Counter());
    EXPECT_TRUE(pages.empty());

    QuietRuns(9);
    driver.When("CDonationDlg", [&](uitest::DialogDriver& d) {
        d.Click(CDonationDlg::kNeverAgainId);
        d.Press(VK_RETURN);
    });
    DonationReminder();  // ten runs after "Remind me later"
    EXPECT_EQ(2u, driver.opened.size());
    EXPECT_EQ(10u, Counter());
    QuietRuns(30);  // never again
    EXPECT_EQ(40u, Counter());
    EXPECT_TRUE(pages.empty());

    // The donate choice opens the page; the count goes on past 10.
    SetCounter(9);
    driver.When("CDonationDlg", [&](uitest::DialogDriver& d) { d.Click(IDOK); });
    DonationReminder();
    EXPECT_EQ((std::vector<std::string>{std::string(kVastrelWebSite) + "//donation.html"}), pages);
    EXPECT_EQ(10u, Counter());
    QuietRuns(1);

    // Closed with Esc: no choice acts, the counter stays at 10.
    SetCounter(9);
    driver.When("CDonationDlg", [&](uitest::DialogDriver& d) {
        d.Click(CDonationDlg::kRemindLaterId);
        d.Press(VK_ESCAPE);
    });
    DonationReminder();
    EXPECT_EQ(10u, Counter());
    EXPECT_EQ(1u, pages.size());
}

}  // namespace
