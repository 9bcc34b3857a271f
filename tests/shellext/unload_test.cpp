// Explorer loads the plug-in for a right-click and frees it again on its
// timer, all day long: each round must leave the process as it found it.
// The library is registered with RegSvr32 and reached only through COM, in a
// program of its own, so nothing else the tests do moves the counts.
#include <windows.h>

#include <psapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <sstream>

#include "tests/shellext/corvane_support.h"

using namespace corvanetest;

namespace {

const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new RegisteredLibrary);

struct Footprint {
    DWORD handles = 0;
    SIZE_T privateBytes = 0;
};

// The process's handles and private committed memory, as the system counts
// them. Where it answers none (Wine 8 gives 0 for both), they are counted
// here: the handle values the process holds, and its committed private
// regions.
DWORD HandleCount() {
    DWORD count = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &count) && count > 0) return count;
    for (ULONG_PTR value = 4; value < 0x40000; value += 4) {
        DWORD flags;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
    }
    return count;
}

SIZE_T PrivateBytes() {
    PROCESS_MEMORY_COUNTERS_EX counters{};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                             sizeof counters) &&
        counters.PrivateUsage > 0) {
        return counters.PrivateUsage;
    }
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION region;
    for (const char* at = nullptr; VirtualQuery(at, &region, sizeof region) == sizeof region;) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
        const char* next = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
        if (next <= at) break;
        at = next;
    }
    return total;
}

Footprint Measure() { return Footprint{HandleCount(), PrivateBytes()}; }

class UnloadTest : public CorvaneTest {
protected:
    // One right-click as Explorer serves it: the handler made through the
    // registration, given the selection, asked for its menu and a help text
    // and released; then the unused library freed. True when every step
    // worked and the library is really gone.
    bool RightClickThenFree(const std::vector<std::string>& paths) {
        {
            Ptr<IContextMenu> handler = Handler(paths);
            if (!handler) return false;
            HMENU menu = CreatePopupMenu();
            HRESULT items = handler->QueryContextMenu(menu, 0, 1, 0x7FFF, CMF_NORMAL);
            DestroyMenu(menu);
            char help[64] = {};
            HRESULT text = handler->GetCommandString(0, GCS_HELPTEXTA, nullptr, help, sizeof help);
            if (items != MAKE_HRESULT(SEVERITY_SUCCESS, 0, 8) || text != S_OK || !help[0]) return false;
        }
        return FreeLibraryIfUnused();
    }
};

TEST_F(UnloadTest, TwoHundredRightClicksLeaveNoHandleAndNoMemoryBehind) {
    const std::string file = m_work / "letter.txt";
    const std::string folder = m_work / "folder";
    testsupport::WriteFile(file, "some text");
    testsupport::MakeDir(folder);
    const std::vector<std::string> selections[2] = {{file}, {file, folder}};

    // The first rounds load what the system keeps once loaded (COM's and
    // the shell's own parts); the counts start after them.
    ASSERT_TRUE(RightClickThenFree(selections[0]));
    ASSERT_TRUE(RightClickThenFree(selections[1]));
    const Footprint first = Measure();
    std::ostringstream trace;
    for (int round = 2; round < 200; ++round) {
        ASSERT_TRUE(RightClickThenFree(selections[round % 2])) << "round " << round;
        if (round % 50 == 0) {
            Footprint now = Measure();
            trace << "round " << round << ": " << now.handles << " handles, " << now.privateBytes << " bytes\n";
        }
    }
    const Footprint last = Measure();
    trace << "first " << first.handles << " handles, " << first.privateBytes << " bytes; last " << last.handles
          << " handles, " << last.privateBytes << " bytes\n";
    EXPECT_LE(last.handles, first.handles + 3) << trace.str();
    EXPECT_LE(last.privateBytes, first.privateBytes + 64 * 1024) << trace.str();
}

TEST_F(UnloadTest, DialogsOfTheVerbsInEveryRoundLeaveNothingEither) {
    const std::string file = m_work / "letter.txt";
    testsupport::WriteFile(file, "some text");
    // The encrypt dialog registers the strength bar's class in the library,
    // the options dialog its tips; both are cancelled.
    auto round = [&]() {
        HINSTANCE library = nullptr;
        bool registered = false;
        {
            uitest::ModalDriver driver;
            driver.When("QuickEncryptDlg", [&](uitest::DialogDriver& d) {
                library = GetModuleHandleA("Corvane.dll");
                WNDCLASSA wc;
                registered = GetClassInfoA(library, "XGradientZoneBar", &wc) != FALSE;
                d.Click(207);
            });
            driver.When("OptionsDlg", [&](uitest::DialogDriver& d) { d.Click(IDCANCEL); });
            if (Invoke({file}, 0) != S_OK || Invoke({file}, 6) != S_OK) return false;
        }
        WNDCLASSA wc;
        return FreeLibraryIfUnused() && registered && !GetClassInfoA(library, "XGradientZoneBar", &wc);
    };
    ASSERT_TRUE(round());
    ASSERT_TRUE(round());
    const Footprint first = Measure();
    for (int i = 2; i < 40; ++i) ASSERT_TRUE(round()) << "round " << i;
    const Footprint last = Measure();
    EXPECT_LE(last.handles, first.handles + 3) << first.handles << " handles at first";
    EXPECT_LE(last.privateBytes, first.privateBytes + 64 * 1024) << first.privateBytes << " bytes at first";
}

}  // namespace
