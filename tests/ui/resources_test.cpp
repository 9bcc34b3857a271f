#include <windows.h>

#include <cctype>

#include "framework/version_block.h"
#include "resources/tests/ui_test_ids.h"
#include "tests/ui/ui_test_support.h"

namespace {

std::string ProgramFolder() {
    char path[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\'));
}

TEST(Resources, EveryProgramCarriesTheOneVersionBlock) {
    ui::VersionBlock own;
    ASSERT_TRUE(own.LoadModule());
    ASSERT_NE(nullptr, own.Fixed());
    EXPECT_EQ(0x00010000u, own.Fixed()->dwFileVersionMS);
    EXPECT_EQ(44u, own.Fixed()->dwFileVersionLS);
    EXPECT_EQ(0x00030000u, own.Fixed()->dwProductVersionMS);
    EXPECT_EQ(35u, own.Fixed()->dwProductVersionLS);
    WORD language = 0, codePage = 0;
    ASSERT_TRUE(own.Translation(language, codePage));
    EXPECT_EQ(0x409, language);
    EXPECT_EQ(1200, codePage);
    EXPECT_EQ("3, 0, 0, 35", own.String("ProductVersion"));
    EXPECT_EQ("1, 0, 0, 44", own.String("FileVersion"));
    EXPECT_EQ("", own.String("NoSuchValue"));

    // A bare name is found where the system looks for the program's own files.
    ui::VersionBlock byName;
    EXPECT_TRUE(byName.Load("ui_tests.exe"));
    EXPECT_EQ("1, 0, 0, 44", byName.String("FileVersion"));

    ui::VersionBlock none;
    EXPECT_FALSE(none.Load(ProgramFolder() + "\\embedded_stub.exe"));
    EXPECT_EQ(ui::VersionBlock::Failure::NoBlock, none.Failed());
    EXPECT_EQ(nullptr, none.Fixed());
    EXPECT_EQ("", none.String("FileVersion"));
    EXPECT_FALSE(none.Load(ProgramFolder() + "\\missing.exe"));
    EXPECT_NE(0u, none.Error());
}

TEST(Resources, AnotherTargetsOutputIsEmbeddedByteForByte) {
    HMODULE self = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(self, MAKEINTRESOURCEA(IDR_TEST_STUB), "SFX_EXE");
    ASSERT_NE(nullptr, found);
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(self, found)));
    ASSERT_NE(nullptr, bytes);
    std::string embedded(bytes, SizeofResource(self, found));
    std::string built = testsupport::ReadFile(ProgramFolder() + "\\embedded_stub.exe");
    EXPECT_GT(built.size(), 1000u);
    EXPECT_TRUE(embedded == built) << embedded.size() << " bytes embedded, " << built.size() << " built";
}

TEST(Resources, TheManifestBringsCommonControlsSix) {
    // Version 6 lives side by side with the older one and is loaded only
    // through a manifest.
    HMODULE comctl = GetModuleHandleA("comctl32.dll");
    ASSERT_NE(nullptr, comctl);
    char path[MAX_PATH + 1] = {};
    GetModuleFileNameA(comctl, path, MAX_PATH);
    std::string lower = path;
    for (char& c : lower) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    EXPECT_NE(std::string::npos, lower.find("common-controls_6595b64144ccf1df_6.")) << path;
}

}  // namespace
