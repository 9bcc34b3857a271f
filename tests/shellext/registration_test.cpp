// Registration of Corvane.dll by RegSvr32 in this program's own prefix, as
// the main program's integration switch starts it: every key of the table,
// the type library and the approved entry, and what unregistration keeps.
#include <windows.h>

#include <oleauto.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "app/main_dlg.h"
#include "tests/shellext/corvane_support.h"
#include "vastrel/resource.h"

using namespace corvanetest;

namespace {

const char kApproved[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
const char* const kFileClasses[] = {"exefile", "dllfile", "ocxfile", "*", "AllFileSystemObjects"};

std::string HandlerKey(const char* fileClass) {
    return std::string(fileClass) + "\\shellex\\ContextMenuHandlers\\PavletSvr";
}

std::string GuidString(const GUID& guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return std::string(text, text + lstrlenW(text));
}

bool SamePathText(const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) == 0; }

#ifdef _WIN64
const char kTypeLibPlatform[] = "win64";
#else
const char kTypeLibPlatform[] = "win32";
#endif

class RegistrationTest : public CorvaneTest {
protected:
    void ExpectRegistered(const std::string& library) {
        const std::string cls = std::string("CLSID\\") + kClsid;
        EXPECT_EQ("PavletShlExt Class", StringValue("Pavlet.PavletShlExt.1"));
        EXPECT_EQ(kClsid, StringValue("Pavlet.PavletShlExt.1\\CLSID"));
        EXPECT_EQ("PavletShlExt Class", StringValue("Pavlet.PavletShlExt"));
        EXPECT_EQ(kClsid, StringValue("Pavlet.PavletShlExt\\CLSID"));
        EXPECT_EQ("Pavlet.PavletShlExt.1", StringValue("Pavlet.PavletShlExt\\CurVer"));
        EXPECT_EQ("PavletShlExt Class", StringValue(cls));
        EXPECT_EQ("Pavlet.PavletShlExt.1", StringValue(cls + "\\ProgID"));
        EXPECT_EQ("Pavlet.PavletShlExt", StringValue(cls + "\\VersionIndependentProgID"));
        EXPECT_TRUE(KeyExists(cls + "\\Programmable"));
        EXPECT_PRED2(SamePathText, library, StringValue(cls + "\\InprocServer32"));
        EXPECT_EQ("Apartment", StringValue(cls + "\\InprocServer32", "ThreadingModel"));
        EXPECT_EQ(kLibid, StringValue(cls + "\\TypeLib"));
        for (const char* fileClass : kFileClasses) EXPECT_EQ(kClsid, StringValue(HandlerKey(fileClass))) << fileClass;
        EXPECT_EQ("PavletShlExt Class", StringValue(kApproved, kClsid, HKEY_LOCAL_MACHINE));
        const std::string typeLib = std::string("TypeLib\\") + kLibid + "\\1.0";
        EXPECT_EQ("Vastrel 2", StringValue(typeLib));
        EXPECT_PRED2(SamePathText, library, StringValue(typeLib + "\\0\\" + kTypeLibPlatform));
    }
    void ExpectUnregistered() {
        for (const char* key : {"Pavlet.PavletShlExt.1", "Pavlet.PavletShlExt"}) EXPECT_FALSE(KeyExists(key)) << key;
        EXPECT_FALSE(KeyExists(std::string("CLSID\\") + kClsid));
        EXPECT_FALSE(KeyExists(std::string("TypeLib\\") + kLibid));
        EXPECT_FALSE(KeyExists(std::string("Interface\\") + kIid));
        for (const char* fileClass : kFileClasses) {
            EXPECT_FALSE(KeyExists(HandlerKey(fileClass))) << fileClass;
            EXPECT_TRUE(KeyExists(std::string(fileClass) + "\\shellex\\ContextMenuHandlers")) << fileClass;
        }
        EXPECT_TRUE(KeyExists("CLSID"));
        EXPECT_EQ("<missing>", StringValue(kApproved, kClsid, HKEY_LOCAL_MACHINE));
        EXPECT_TRUE(KeyExists(kApproved, HKEY_LOCAL_MACHINE));
    }
};

TEST_F(RegistrationTest, RegSvr32WritesTheTableAndTakesAwayOnlyWhatIsOurs) {
    const std::string library = CorvanePath();
    // Another program's handler beside ours, and leftovers of an older
    // registration below the keys that are written anew.
    SetStringValue("*\\shellex\\ContextMenuHandlers\\OtherSvr", "", "{00000000-1111-2222-3333-444444444444}");
    SetStringValue(std::string("CLSID\\") + kClsid + "\\Leftover", "", "old");
    SetStringValue(HandlerKey("exefile") + "\\Leftover", "", "old");

    ASSERT_TRUE(Regsvr32(library));
    ExpectRegistered(library);
    EXPECT_FALSE(KeyExists(std::string("CLSID\\") + kClsid + "\\Leftover"));
    EXPECT_FALSE(KeyExists(HandlerKey("exefile") + "\\Leftover"));

    // The type library as registered: its name, and the class's default
    // interface, dual and without operations of its own.
    Ptr<ITypeLib> typeLib;
    GUID libid;
    IIDFromString(L"{A0054BA3-95DC-4A65-AED9-74234CCD1DD7}", &libid);
    ASSERT_EQ(S_OK, LoadRegTypeLib(libid, 1, 0, 0, typeLib.Out()));
    BSTR name = nullptr;
    typeLib->GetDocumentation(-1, &name, nullptr, nullptr, nullptr);
    EXPECT_STREQ(L"PAVLETLib", name);
    SysFreeString(name);
    Ptr<ITypeInfo> coclass, dual;
    HREFTYPE ref = 0;
    ASSERT_EQ(S_OK, typeLib->GetTypeInfoOfGuid(kClsidGuid, coclass.Out()));
    ASSERT_EQ(S_OK, coclass->GetRefTypeOfImplType(0, &ref));
    ASSERT_EQ(S_OK, coclass->GetRefTypeInfo(ref, dual.Out()));
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(S_OK, dual->GetTypeAttr(&attributes));
    EXPECT_EQ(kIid, GuidString(attributes->guid));
    EXPECT_TRUE(attributes->wTypeFlags & TYPEFLAG_FDUAL);
    dual->ReleaseTypeAttr(attributes);
    Ptr<ITypeInfo> vtable;
    ASSERT_EQ(S_OK, dual->GetRefTypeOfImplType(-1, &ref));
    ASSERT_EQ(S_OK, dual->GetRefTypeInfo(ref, vtable.Out()));
    ASSERT_EQ(S_OK, vtable->GetTypeAttr(&attributes));
    EXPECT_EQ(0, attributes->cFuncs);
    vtable->ReleaseTypeAttr(attributes);

    // Twice: our keys again, the other handler untouched.
    ASSERT_TRUE(Regsvr32(library));
    ExpectRegistered(library);
    EXPECT_EQ("{00000000-1111-2222-3333-444444444444}", StringValue("*\\shellex\\ContextMenuHandlers\\OtherSvr"));

    ASSERT_TRUE(Regsvr32(library, true));
    ExpectUnregistered();
    EXPECT_EQ((std::vector<std::string>{"OtherSvr"}), SubKeys("*\\shellex\\ContextMenuHandlers"));
    // Unregistering what is not registered goes through as well.
    EXPECT_TRUE(Regsvr32(library, true));
    DeleteTree("*\\shellex\\ContextMenuHandlers\\OtherSvr");
}

TEST_F(RegistrationTest, WithoutTheApprovedListNothingIsWritten) {
    // The machine's hive and the classes seen through keys of our own: the
    // first without the approved list, as for a user who may not write it.
    const char kMachine[] = "Software\\Halvenrod\\CorvaneTest\\Machine";
    const char kClasses[] = "Software\\Halvenrod\\CorvaneTest\\Classes";
    HKEY machine = nullptr, classes = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, kMachine, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                             &machine, nullptr));
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, kClasses, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                             &classes, nullptr));
    HMODULE library = LoadLibraryA(CorvanePath().c_str());
    ASSERT_TRUE(library);
    using ExportFn = HRESULT(STDAPICALLTYPE*)();
    auto reg = reinterpret_cast<ExportFn>(reinterpret_cast<void*>(GetProcAddress(library, "DllRegisterServer")));
    auto unreg = reinterpret_cast<ExportFn>(reinterpret_cast<void*>(GetProcAddress(library, "DllUnregisterServer")));
    ASSERT_TRUE(reg && unreg);

    ASSERT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_LOCAL_MACHINE, machine));
    ASSERT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_CLASSES_ROOT, classes));
    HRESULT registered = reg();
    std::vector<std::string> written = SubKeys("", classes);
    HRESULT unregistered = unreg();  // goes on without the list
    RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);

    EXPECT_EQ(E_ACCESSDENIED, registered);
    EXPECT_TRUE(written.empty());
    EXPECT_EQ(S_OK, unregistered);
    EXPECT_FALSE(KeyExists(std::string("CLSID\\") + kClsid));
    FreeLibrary(library);
    RegCloseKey(machine);
    RegCloseKey(classes);
    DeleteTree("Software\\Halvenrod\\CorvaneTest", HKEY_CURRENT_USER);
}

TEST_F(RegistrationTest, IntegrationSwitchOfTheMainWindowRunsRegSvr32OnTheLibraryBesideIt) {
    char module[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string folder = module;
    folder.resize(folder.find_last_of('\\') + 1);
    const std::string library = folder + "Corvane.dll";

    // Each start is recorded, then run as asked, silenced, and waited for.
    std::vector<std::string> commands;
    std::deque<bool> results;
    platform::ProgramHook previous = platform::SetProgramHook([&](const platform::ProgramStart& start) {
        commands.push_back(start.commandLine);
        EXPECT_EQ(platform::ProgramStart::Kind::Create, start.kind);
        EXPECT_TRUE(start.application.empty());
        EXPECT_FALSE(start.wait);
        if (!results.empty()) {
            bool result = results.front();
            results.pop_front();
            if (!result) return false;
        }
        std::string silent = start.commandLine;
        silent.insert(silent.find(' '), " /s");
        return RunProgram(silent) == 0;
    });
    Store("AutoUpdate", 1);  // no update question when the main window opens
    VastrelMainDlg main;
    uitest::ModalDriver driver;
    driver.When("VastrelMainDlg", [&](uitest::DialogDriver& d) {
        uitest::RunMenuCommand(d.Handle(), ID_OPTIONS_ENABLE_INTEGRATION);
        ExpectRegistered(library);
        uitest::RunMenuCommand(d.Handle(), ID_OPTIONS_DISABLE_INTEGRATION);
        ExpectUnregistered();
        EXPECT_TRUE(m_messages.messages.empty());
        results.push_back(false);
        uitest::RunMenuCommand(d.Handle(), ID_OPTIONS_ENABLE_INTEGRATION);
        uitest::RunMenuCommand(d.Handle(), ID_FILE_EXIT);
    });
    main.DoModal();
    platform::SetProgramHook(previous);

    EXPECT_EQ((std::vector<std::string>{"RegSvr32  \"" + library + "\"", "RegSvr32 /u  \"" + library + "\"",
                                        "RegSvr32  \"" + library + "\""}),
              commands);
    ASSERT_EQ(1u, m_messages.messages.size());
    EXPECT_EQ("Unable to find Corvane.dll, Registration failed. Please make sure the file Corvane.dll is in your "
              "Vastrel installation folder.",
              m_messages.messages[0].text);
    EXPECT_EQ(static_cast<unsigned>(MB_ICONERROR), m_messages.messages[0].style);
    ExpectUnregistered();
}

}  // namespace
