#include "tests/ui/ui_test_support.h"
#include "ui/help_launcher.h"
#include "ui/ole.h"

namespace {

using uitest::UiTest;

// Replaces what the launcher asks of the system for one test.
class HelpSystem {
public:
    explicit HelpSystem(CHelpLauncher::System replacement) { m_previous = CHelpLauncher::SetSystem(std::move(replacement)); }
    ~HelpSystem() { CHelpLauncher::SetSystem(m_previous); }

private:
    CHelpLauncher::System m_previous;
};

TEST_F(UiTest, PagesOpenInTheDefaultBrowserWithoutTheAutomationObject) {
    ui::OleSession ole;
    std::vector<std::string> opened;
    CHelpLauncher::System fake;
    fake.browse = [](const std::string&) { return false; };  // no automation object, as on current systems
    fake.shellOpen = [&](const std::string& url) {
        opened.push_back(url);
        return true;
    };
    {
        HelpSystem system(fake);
        CHelpLauncher().OpenUrl("http://www.example.invalid//donation.html");
    }
    ASSERT_EQ(1u, opened.size());
    EXPECT_EQ("http://www.example.invalid//donation.html", opened[0]);

    std::vector<std::string> browsed;
    fake.browse = [&](const std::string& url) {
        browsed.push_back(url);
        return true;
    };
    {
        HelpSystem system(fake);
        CHelpLauncher().OpenUrl("http://www.example.invalid/FAQ.htm");
    }
    EXPECT_EQ(std::vector<std::string>{"http://www.example.invalid/FAQ.htm"}, browsed);
    EXPECT_EQ(1u, opened.size());  // the browser took it
    EXPECT_TRUE(m_messages.messages.empty());
}

TEST_F(UiTest, HelpFileOpensOrItsAbsenceIsSaid) {
    CHelpLauncher launcher;
    std::string module = launcher.GetModulePath();
    std::string folder = module.substr(0, module.find_last_of('\\'));
    EXPECT_EQ(".exe", module.substr(module.size() - 4));

    std::vector<std::string> shown;
    bool window = false, failure = false, description = false;
    CHelpLauncher::System fake;
    fake.displayHelp = [&](const std::string& file) {
        shown.push_back(file);
        return window;
    };
    fake.helpFailed = [&](const std::string&, bool& described) {
        described = description;
        return failure;
    };
    HelpSystem system(fake);

    // The file is missing: said, whatever the viewer reports.
    launcher.ShowHelp();
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ(folder + "\\Vastrel.chm", shown[0]);
    ASSERT_EQ(1u, m_messages.messages.size());
    EXPECT_EQ("Unable to find help file", m_messages.messages[0].text);
    EXPECT_EQ(unsigned(MB_ICONERROR), m_messages.messages[0].style);

    testsupport::WriteFile(folder + "\\Vastrel.chm", "not really help");
    window = true;  // the viewer opened: nothing is asked or shown
    launcher.ShowHelp();
    window = false;
    failure = true;  // a failure without a description: silent
    launcher.ShowHelp();
    description = true;  // with a description: said
    launcher.ShowHelp();
    DeleteFileA((folder + "\\Vastrel.chm").c_str());
    ASSERT_EQ(2u, m_messages.messages.size());
    EXPECT_EQ("Unable to find help file", m_messages.messages[1].text);
}

}  // namespace
