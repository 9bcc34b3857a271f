// The update check against a real HTTP server on 127.0.0.1 (update_server.py,
// started around this program by with_update_server.sh), and the updater
// started for real: a stand-in that leaves a marker file.
#include <winsock2.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/ui/ui_test_support.h"
#include "ui/update_check.h"

namespace {

using Vastrel2::Utils::CUpdateCheck;

const char kUnreachable[] = "Unable to check for updates. Please check your internet connection.";
const char kNothingNew[] = "There are no new updates available for Vastrel 2";
const char kNewVersion[] =
    "There is a new version of Vastrel 2 available, Would you like to download the new version?";

// A port of 127.0.0.1 that nothing listens on.
int FreePort() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    int port = 9;
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    closesocket(s);
    WSACleanup();
    return port;
}

class UpdateCheckTest : public uitest::UiTest {
protected:
    // The address of one kind of reply on the test server.
    static std::string Url(const std::string& kind) {
        const char* port = std::getenv("VASTREL_UPDATE_PORT");
        EXPECT_TRUE(port && *port) << "the update test server is started by tests/ui/with_update_server.sh";
        return std::string("http://127.0.0.1:") + (port ? port : "9") + "/" + kind + "//files//Latest//update.txt";
    }

    // Checks once; the texts of the boxes shown.
    std::vector<std::string> Check(const std::string& kind, BOOL showAlways = TRUE, DWORD* elapsed = nullptr) {
        m_messages.messages.clear();
        DWORD start = GetTickCount();
        CUpdateCheck().CheckForUpdate(Url(kind), showAlways);
        if (elapsed) *elapsed = GetTickCount() - start;
        std::vector<std::string> texts;
        for (const auto& box : m_messages.messages) texts.push_back(box.text);
        return texts;
    }

    // Waits up to a minute for the stand-in updater's marker: a program
    // start under Wine can take many seconds on a loaded machine. The marker
    // is renamed into place whole, yet under load it can show before it
    // opens: wait until it reads.
    static std::string WaitForMarker(const std::string& marker) {
        std::string text;
        for (int i = 0; i < 6000 && text.empty(); ++i) {
            if (testsupport::Exists(marker)) text = testsupport::ReadFile(marker);
            if (text.empty()) Sleep(10);
        }
        return text;
    }

    using Texts = std::vector<std::string>;
};

TEST_F(UpdateCheckTest, RepliesAreReadWholeAndComparedWithTheOwnBuild) {
    DWORD ms = 0, ls = 0;
    ASSERT_TRUE(CUpdateCheck().GetOwnVersion(ms, ls));
    EXPECT_EQ(0x00010000u, ms);  // 1, 0
    EXPECT_EQ(44u, ls);          // 0, 44

    // Newer builds are offered (No: nothing is started).
    uitest::ProgramRecorder programs;
    m_messages.respond = [](const platform::MessageRequest&) { return IDNO; };
    EXPECT_EQ(Texts{kNewVersion}, Check("newer"));
    ASSERT_EQ(1u, m_messages.messages.size());
    EXPECT_EQ("Vastrel 2", m_messages.messages[0].caption);
    EXPECT_EQ(unsigned(MB_YESNO | MB_ICONINFORMATION), m_messages.messages[0].style);
    EXPECT_EQ(platform::MsgOwner::MainWindow, m_messages.messages[0].owner);
    EXPECT_EQ(Texts{kNewVersion}, Check("blanks"));    // blanks before the digits, text after them
    EXPECT_EQ(Texts{kNewVersion}, Check("huge"));      // beyond 32 bits: the largest number
    EXPECT_EQ(Texts{kNewVersion}, Check("edge"));      // field 1 ends at byte 511
    EXPECT_EQ(Texts{kNewVersion}, Check("pieces"));    // the reply comes in many small pieces
    EXPECT_EQ(Texts{kNewVersion}, Check("slow"));      // late, then in pieces, inside the time-out
    DWORD elapsed = 0;
    EXPECT_EQ(Texts{kNewVersion}, Check("big", TRUE, &elapsed));  // 10 MB: only the start is read
    EXPECT_LT(elapsed, 10000u);
    // Without showAlways the question still comes.
    EXPECT_EQ(Texts{kNewVersion}, Check("newer", FALSE));
    EXPECT_TRUE(programs.starts.empty());

    // Not newer, or no number where the build stands.
    for (const char* kind : {"same", "older", "nopipe", "garbage", "negative", "plus", "beyond", "binary",
                             "binaryfirst"}) {
        EXPECT_EQ(Texts{kNothingNew}, Check(kind)) << kind;
        ASSERT_EQ(1u, m_messages.messages.size()) << kind;
        EXPECT_EQ(unsigned(MB_ICONINFORMATION), m_messages.messages[0].style);
        EXPECT_EQ(Texts{}, Check(kind, FALSE)) << kind;
    }

    // Error pages, an empty reply and a port nobody listens on are no answer,
    // whatever the page says.
    for (const char* kind : {"notfound", "error", "empty"}) {
        EXPECT_EQ(Texts{kUnreachable}, Check(kind)) << kind;
        EXPECT_EQ(Texts{}, Check(kind, FALSE)) << kind;
    }
    m_messages.messages.clear();
    CUpdateCheck().CheckForUpdate("http://127.0.0.1:" + std::to_string(FreePort()) + "//files//Latest//update.txt",
                                  TRUE);
    ASSERT_EQ(1u, m_messages.messages.size());
    EXPECT_EQ(kUnreachable, m_messages.messages[0].text);
}

TEST_F(UpdateCheckTest, AServerThatStopsAnsweringIsGivenUpAfterTheTimeOut) {
    // No reply at all: the site cannot be reached.
    DWORD elapsed = 0;
    EXPECT_EQ(Texts{kUnreachable}, Check("hang", TRUE, &elapsed));
    EXPECT_GE(elapsed + 500, CUpdateCheck::kTimeoutMilliseconds);
    EXPECT_LT(elapsed, 4 * CUpdateCheck::kTimeoutMilliseconds);
    // A reply that stops halfway: a failed transfer, given up as quickly.
    EXPECT_EQ(Texts{}, Check("stall", TRUE, &elapsed));
    EXPECT_LT(elapsed, 4 * CUpdateCheck::kTimeoutMilliseconds);
}

TEST_F(UpdateCheckTest, TheUpdaterStartsFromItsFolderWithoutArguments) {
    std::string marker = m_dir / "updater.txt";
    SetEnvironmentVariableA("VASTREL_UPDATER_MARKER", marker.c_str());
    char self[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string ownFolder(self);
    ownFolder.resize(ownFolder.find_last_of('\\'));

    // Yes to the question: the updater beside the program is found by its name.
    m_messages.answers = {IDYES};
    EXPECT_EQ(Texts{kNewVersion}, Check("newer"));
    std::string seen = WaitForMarker(marker);
    EXPECT_EQ("\"VastrelUpdate.exe\" \n" + ownFolder + "\\VastrelUpdate.exe\n", seen);

    // From a folder whose name holds blanks: the path is quoted, one blank
    // follows, no arguments.
    std::string folder = m_dir / "Vastrel Updater folder";
    testsupport::MakeDir(folder);
    std::string updater = ownFolder + "\\VastrelUpdate.exe";
    ASSERT_TRUE(CopyFileA(updater.c_str(), (folder + "\\VastrelUpdate.exe").c_str(), FALSE));
    DeleteFileA(marker.c_str());
    CUpdateCheck check;
    check.SetUpdaterFolder(folder + "\\");
    EXPECT_EQ("\"" + folder + "\\VastrelUpdate.exe\" ", check.UpdaterCommandLine());
    m_messages.messages.clear();
    check.StartUpdater();
    EXPECT_TRUE(m_messages.messages.empty());
    seen = WaitForMarker(marker);
    EXPECT_EQ("\"" + folder + "\\VastrelUpdate.exe\" \n" + folder + "\\VastrelUpdate.exe\n", seen);

    // A folder without the updater: said, with no owner.
    CUpdateCheck missing;
    missing.SetUpdaterFolder(m_dir / "nowhere");
    missing.StartUpdater();
    ASSERT_EQ(1u, m_messages.messages.size());
    EXPECT_EQ("Unable start Vastrel 2 Updater", m_messages.messages[0].text);
    EXPECT_EQ("Vastrel 2", m_messages.messages[0].caption);
    EXPECT_EQ(unsigned(MB_ICONERROR), m_messages.messages[0].style);
    EXPECT_EQ(platform::MsgOwner::None, m_messages.messages[0].owner);
    SetEnvironmentVariableA("VASTREL_UPDATER_MARKER", nullptr);
    DeleteFileA((folder + "\\VastrelUpdate.exe").c_str());
}

}  // namespace
