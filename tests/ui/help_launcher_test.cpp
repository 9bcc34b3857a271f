#include <cstdint>
#include <string>

#include "framework/ole.h"
#include "tests/ui/ui_test_support.h"
#include "ui/help_launcher.h"

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

// A compiled help file that holds nothing: its header, the section that
// records its size, and a directory of one chunk that names the system data
// and the compressed contents, both empty.
std::string SmallestHelpFile() {
    std::string file(0x14C, '\0');
    auto put = [&](size_t at, uint64_t value, int bytes) {
        for (int i = 0; i < bytes; ++i) file[at + i] = static_cast<char>(value >> (8 * i));
    };
    file.replace(0, 4, "ITSF");
    put(0x04, 3, 4);      // version
    put(0x38, 0x60, 8);   // size section: where, how long
    put(0x40, 0x18, 8);
    put(0x48, 0x78, 8);   // directory: where, how long
    put(0x50, 0xD4, 8);
    put(0x58, 0x14C, 8);  // where the stored files start
    put(0x60, 0x01FE, 4);
    put(0x68, file.size(), 8);
    file.replace(0x78, 4, "ITSP");
    put(0x78 + 0x08, 0x54, 4);  // directory header length
    put(0x78 + 0x10, 0x80, 4);  // chunk size
    put(0x78 + 0x2C, 1, 4);     // one chunk, the first and the last
    const size_t chunk = 0x78 + 0x54;
    file.replace(chunk, 4, "PMGL");
    std::string entries;
    for (const std::string name : {"/#SYSTEM", "::DataSpace/Storage/MSCompressed/Content"})
        entries += static_cast<char>(name.size()) + name + std::string(3, '\0');  // section, offset, length 0
    file.replace(chunk + 0x14, entries.size(), entries);
    put(chunk + 4, 0x80 - 0x14 - entries.size(), 4);  // unused at the chunk's end
    return file;
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

    const std::string help = SmallestHelpFile();
    const std::string helpFile = folder + "\\Vastrel.chm";

    // Missing, foreign, or cut short: said at once, without the viewer.
    launcher.ShowHelp();
    testsupport::WriteFile(helpFile, "not really help");
    launcher.ShowHelp();
    testsupport::WriteFile(helpFile, help.substr(0, 0x70));
    launcher.ShowHelp();
    EXPECT_TRUE(shown.empty());
    ASSERT_EQ(3u, m_messages.messages.size());
    for (const auto& message : m_messages.messages) {
        EXPECT_EQ("Unable to find help file", message.text);
        EXPECT_EQ(unsigned(MB_ICONERROR), message.style);
    }

    testsupport::WriteFile(helpFile, help);
    window = true;  // the viewer opened: nothing is asked or shown
    launcher.ShowHelp();
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ(helpFile, shown[0]);
    window = false;
    failure = true;  // a failure without a description: silent
    launcher.ShowHelp();
    EXPECT_EQ(3u, m_messages.messages.size());
    description = true;  // with a description: said
    launcher.ShowHelp();
    DeleteFileA(helpFile.c_str());
    ASSERT_EQ(4u, m_messages.messages.size());
    EXPECT_EQ("Unable to find help file", m_messages.messages[3].text);
}

}  // namespace
