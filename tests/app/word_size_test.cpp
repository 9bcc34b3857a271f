// What the 32-bit product and its 64-bit test build must share although
// their pointers differ: the structure sizes handed to Windows, which each
// build takes from its own headers, and the names the program sees of other
// processes, whatever their word size.
#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>
#include <psapi.h>
#include <shellapi.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "app/crypt_test_app.h"

namespace {

// Every size below is sizeof (or the offset that ends an older version of
// the structure) in the code; these pin them to what each Windows expects,
// so the 32-bit build checks its own when it compiles.
constexpr bool k32 = sizeof(void*) == 4;
static_assert(sizeof(void*) == 4 || sizeof(void*) == 8, "a 32-bit or a 64-bit Windows build");
static_assert(sizeof(STARTUPINFOA) == (k32 ? 68 : 104), "program starts");
static_assert(sizeof(SHELLEXECUTEINFOA) == (k32 ? 60 : 112), "the shell's open");
static_assert(offsetof(NONCLIENTMETRICSA, iPaddedBorderWidth) == 340, "the size every Windows accepts, on both");
static_assert(sizeof(OPENFILENAMEA) == (k32 ? 88 : 152), "file pickers");
static_assert(offsetof(TTTOOLINFOA, lParam) == (k32 ? 40 : 56), "TTTOOLINFOA_V1_SIZE, the tools' size");
static_assert(sizeof(MENUITEMINFOA) == (k32 ? 48 : 80), "menu item data");
static_assert(offsetof(MENUITEMINFOA, dwItemData) == (k32 ? 32 : 48), "menu item data is pointer-sized");
static_assert(sizeof(DRAWITEMSTRUCT) == (k32 ? 48 : 64) && sizeof(MEASUREITEMSTRUCT) == (k32 ? 24 : 32),
              "owner-drawn menu items carry their record's address");
static_assert(offsetof(LVITEMA, lParam) == (k32 ? 32 : 40), "list rows carry pointer-sized data");
static_assert(sizeof(TBBUTTON) == (k32 ? 20 : 32), "TB_BUTTONSTRUCTSIZE");
static_assert(sizeof(CMINVOKECOMMANDINFO) == (k32 ? 36 : 56), "the smallest invocation Explorer hands over");
static_assert(sizeof(DROPFILES) == 20, "the dropped-files header is the same on both");

std::string OwnFileName() {
    char self[MAX_PATH + 1] = {};
    DWORD n = GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string path(self, n);
    return path.substr(path.find_last_of('\\') + 1);
}

// A 32-bit program may open a 64-bit process but not read its module list,
// just as no program may read it through a handle without the right to
// read the process's memory: the name must come all the same.
TEST(ProcessFileName, IsTheProgramsNameAlsoWhereTheModuleListCannotBeRead) {
    const std::string own = OwnFileName();
    ASSERT_FALSE(own.empty());
    HANDLE full = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, GetCurrentProcessId());
    ASSERT_TRUE(full);
    EXPECT_EQ(own, CCryptTestApp::ProcessFileName(full));
    CloseHandle(full);

    HANDLE limited = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, GetCurrentProcessId());
    ASSERT_TRUE(limited);
    HMODULE module = nullptr;
    DWORD needed = 0;
    EXPECT_FALSE(EnumProcessModules(limited, &module, sizeof module, &needed));  // the case the name stands in for
    EXPECT_EQ(own, CCryptTestApp::ProcessFileName(limited));
    CloseHandle(limited);

    EXPECT_EQ("<unknown>", CCryptTestApp::ProcessFileName(nullptr));
}

}  // namespace
