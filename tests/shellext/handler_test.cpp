// The context-menu handler as Explorer meets it: created through COM by its
// class identifier from the registered Corvane.dll, given a real drop-file
// data object, asked for its menu and help texts, and unloaded again.
#include <windows.h>

#include <oleauto.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>

#include "core/file_cipher.h"
#include "shared/shared_ids.h"
#include "tests/shellext/corvane_support.h"

using namespace corvanetest;

namespace {

const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new RegisteredLibrary);

CMINVOKECOMMANDINFO Command(const char* verb) {
    CMINVOKECOMMANDINFO info;
    std::memset(&info, 0, sizeof info);
    info.cbSize = sizeof info;
    info.lpVerb = verb;
    return info;
}

struct MenuItem {
    std::string text;
    UINT id;
    bool grey;
    bool operator==(const MenuItem& o) const { return text == o.text && id == o.id && grey == o.grey; }
};

std::ostream& operator<<(std::ostream& out, const MenuItem& item) {
    return out << "{" << item.text << ", " << item.id << (item.grey ? ", grey}" : "}");
}

// The top level as texts ("-" for a separator, "> text" for a submenu) and
// the items of the first submenu.
struct MenuShape {
    std::vector<std::string> top;
    std::vector<MenuItem> items;
};

MenuShape Shape(HMENU menu) {
    MenuShape shape;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[128] = {};
        GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        HMENU sub = GetSubMenu(menu, i);
        // A submenu's state holds its item count in the high byte: it is
        // told apart first.
        if (!sub && (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR)) {
            shape.top.push_back("-");
        } else if (sub) {
            shape.top.push_back(std::string("> ") + text);
            if (shape.items.empty()) {
                for (int k = 0; k < GetMenuItemCount(sub); ++k) {
                    char item[128] = {};
                    GetMenuStringA(sub, static_cast<UINT>(k), item, sizeof item, MF_BYPOSITION);
                    bool grey = (GetMenuState(sub, static_cast<UINT>(k), MF_BYPOSITION) & MF_GRAYED) != 0;
                    shape.items.push_back({item, GetMenuItemID(sub, k), grey});
                }
            }
        } else {
            shape.top.push_back(text);
        }
    }
    return shape;
}

// The menu Explorer builds around the handler's part: two items of its own.
struct ExplorerMenu {
    ExplorerMenu() : menu(CreatePopupMenu()) {
        AppendMenuA(menu, MF_STRING, 1, "Open");
        AppendMenuA(menu, MF_STRING, 2, "Copy");
    }
    ~ExplorerMenu() { DestroyMenu(menu); }
    HMENU menu;
};

std::string Help(IContextMenu* handler, UINT_PTR offset, bool wide, HRESULT* result = nullptr, UINT length = 64) {
    char buffer[256];
    std::memset(buffer, 'x', sizeof buffer);
    HRESULT hr = handler->GetCommandString(offset, wide ? GCS_HELPTEXTW : GCS_HELPTEXTA, nullptr, buffer, length);
    if (result) *result = hr;
    if (FAILED(hr)) return "<" + std::to_string(hr) + ">";
    if (!wide) return buffer;
    char narrow[256] = {};
    WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<const wchar_t*>(buffer), -1, narrow, sizeof narrow, nullptr,
                        nullptr);
    return narrow;
}

class HandlerTest : public CorvaneTest {
protected:
    std::string File(const std::string& name, const std::string& data = "some text") {
        std::string path = m_work / name;
        testsupport::WriteFile(path, data);
        return path;
    }
    std::string Folder(const std::string& name) {
        std::string path = m_work / name;
        testsupport::MakeDir(path);
        return path;
    }
    // A file encrypted by the core with the hint given.
    std::string Encrypted(const std::string& name, const std::string& hint) {
        std::string path = File(name, "secret contents");
        Vastrel2::CIPHER::CipherSettings settings;
        settings.LoadDefaults();
        Vastrel2::CIPHER::FileEncryptor job(nullptr, 1, 0, "password1", &settings);
        EXPECT_EQ(0, job.EncryptFile(path, hint));
        return path;
    }
    // The count the shred dialog shows for the handler's selection.
    std::string ShredCount(IContextMenu* handler) {
        std::string count;
        uitest::ModalDriver driver;
        driver.When("ShredDialog", [&](uitest::DialogDriver& d) {
            count = d.Text(216);
            d.Click(IDOK);
        });
        CMINVOKECOMMANDINFO info = Command(MAKEINTRESOURCEA(4));
        EXPECT_EQ(S_OK, handler->InvokeCommand(&info));
        return count;
    }
};

TEST_F(HandlerTest, ObjectsComeFromTheClassFactoryAndHoldTheLibrary) {
    Ptr<IClassFactory> factory;
    ASSERT_EQ(S_OK, CoGetClassObject(kClsidGuid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, factory.Void()));
    Ptr<IUnknown> aggregated;
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(factory.Get(), IID_IUnknown, aggregated.Void()));

    Ptr<IContextMenu> menu;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IContextMenu, menu.Void()));
    EXPECT_EQ(S_FALSE, CanUnloadNow());
    CMINVOKECOMMANDINFO before = Command(MAKEINTRESOURCEA(6));
    EXPECT_EQ(E_FAIL, menu->InvokeCommand(&before));  // nothing selected yet: no dialog
    Ptr<IShellExtInit> init;
    Ptr<IDispatch> dispatch;
    Ptr<IUnknown> own, none;
    EXPECT_EQ(S_OK, menu->QueryInterface(IID_IShellExtInit, init.Void()));
    EXPECT_EQ(S_OK, menu->QueryInterface(IID_IDispatch, dispatch.Void()));
    IID iid;
    IIDFromString(L"{39FB9096-CA87-42AF-95D5-3282201F07B5}", &iid);
    EXPECT_EQ(S_OK, menu->QueryInterface(iid, own.Void()));
    EXPECT_EQ(E_NOINTERFACE, menu->QueryInterface(IID_IContextMenu2, none.Void()));
    EXPECT_EQ(E_NOINTERFACE, menu->QueryInterface(IID_IContextMenu3, none.Void()));

    // The dual interface is described by the library's own type library.
    UINT count = 0;
    EXPECT_EQ(S_OK, dispatch->GetTypeInfoCount(&count));
    EXPECT_EQ(1u, count);
    Ptr<ITypeInfo> info;
    ASSERT_EQ(S_OK, dispatch->GetTypeInfo(0, 0, info.Out()));
    BSTR name = nullptr, doc = nullptr;
    ASSERT_EQ(S_OK, info->GetDocumentation(MEMBERID_NIL, &name, &doc, nullptr, nullptr));
    EXPECT_STREQ(L"IPavletShlExt", name);
    EXPECT_STREQ(L"IPavletShlExt Interface", doc);
    SysFreeString(name);
    SysFreeString(doc);
    LPOLESTR unknown = const_cast<LPOLESTR>(L"Encrypt");
    DISPID id = 0;
    EXPECT_EQ(DISP_E_UNKNOWNNAME, dispatch->GetIDsOfNames(IID_NULL, &unknown, 1, 0, &id));

    // Any object, the factory itself, or a lock on it keeps the library;
    // none lets it go.
    menu.Reset();
    init.Reset();
    dispatch.Reset();
    info.Reset();
    EXPECT_EQ(S_FALSE, CanUnloadNow());
    own.Reset();
    EXPECT_EQ(S_FALSE, CanUnloadNow());
    factory->LockServer(TRUE);
    IClassFactory* held = factory.Get();
    held->AddRef();
    factory.Reset();
    EXPECT_EQ(S_FALSE, CanUnloadNow());
    held->LockServer(FALSE);
    EXPECT_EQ(S_FALSE, CanUnloadNow());
    held->Release();
    EXPECT_EQ(S_OK, CanUnloadNow());

    GUID other = kClsidGuid;
    other.Data1 ^= 1;
    EXPECT_EQ(REGDB_E_CLASSNOTREG, CoGetClassObject(other, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory,
                                                    factory.Void()));
}

TEST_F(HandlerTest, AHeldFactoryKeepsTheLibraryWhileExplorerFreesUnusedOnes) {
    Ptr<IClassFactory> factory;
    ASSERT_EQ(S_OK, CoGetClassObject(kClsidGuid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, factory.Void()));
    EXPECT_EQ(S_FALSE, CanUnloadNow());
    for (int i = 0; i < 3; ++i) {
        CoFreeUnusedLibrariesEx(0, 0);
        Sleep(20);
    }
    ASSERT_NE(nullptr, GetModuleHandleA("Corvane.dll"));

    // The factory still makes working handlers.
    Ptr<IShellExtInit> init;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IShellExtInit, init.Void()));
    Ptr<DropData> data(DropData::FromPaths({File("kept.txt")}));
    EXPECT_EQ(S_OK, init->Initialize(nullptr, data.Get(), nullptr));
    Ptr<IContextMenu> menu;
    ASSERT_EQ(S_OK, init->QueryInterface(IID_IContextMenu, menu.Void()));
    ExplorerMenu explorer;
    EXPECT_EQ(MAKE_HRESULT(0, 0, 8), menu->QueryContextMenu(explorer.menu, 0, 1, 100, CMF_NORMAL));
    EXPECT_EQ("Encrypt selected file", Help(menu.Get(), 0, true));
    init.Reset();
    menu.Reset();
    EXPECT_EQ(S_FALSE, CanUnloadNow());  // the factory alone still holds it

    factory.Reset();
    EXPECT_TRUE(FreeLibraryIfUnused());
}

TEST_F(HandlerTest, BadCallsGetComErrorsAndNeverUnbalanceTheLibrary) {
    Ptr<IClassFactory> factory;
    ASSERT_EQ(S_OK, CoGetClassObject(kClsidGuid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, factory.Void()));
    HMODULE library = GetModuleHandleA("Corvane.dll");
    ASSERT_NE(nullptr, library);
    using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    auto getClassObject = reinterpret_cast<GetClassObjectFn>(
        reinterpret_cast<void*>(GetProcAddress(library, "DllGetClassObject")));
    ASSERT_NE(nullptr, getClassObject);

    // Null out pointers, other classes, other interfaces, an outer object.
    EXPECT_EQ(E_POINTER, getClassObject(kClsidGuid, IID_IClassFactory, nullptr));
    void* out = &out;
    GUID other = kClsidGuid;
    other.Data4[7] ^= 1;
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, getClassObject(other, IID_IClassFactory, &out));
    EXPECT_EQ(nullptr, out);
    out = &out;
    EXPECT_EQ(E_NOINTERFACE, getClassObject(kClsidGuid, IID_IDispatch, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(E_POINTER, factory->QueryInterface(IID_IClassFactory, nullptr));
    EXPECT_EQ(E_POINTER, factory->CreateInstance(nullptr, IID_IContextMenu, nullptr));
    Ptr<IUnknown> object;
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(factory.Get(), IID_IUnknown, object.Void()));
    EXPECT_FALSE(object);
    EXPECT_EQ(E_NOINTERFACE, factory->CreateInstance(nullptr, IID_IClassFactory, object.Void()));
    EXPECT_FALSE(object);
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IUnknown, object.Void()));
    EXPECT_EQ(E_POINTER, object->QueryInterface(IID_IContextMenu, nullptr));
    object.Reset();

    // Unlocking what was never locked and releasing the factory once too
    // often count nothing below zero: a factory asked for again holds the
    // library as before, and its last release lets it go.
    EXPECT_EQ(S_OK, factory->LockServer(FALSE));
    EXPECT_EQ(S_FALSE, CanUnloadNow());
    IClassFactory* raw = factory.Get();
    raw->AddRef();
    factory.Reset();
    EXPECT_EQ(0u, raw->Release());  // the last reference
    EXPECT_EQ(0u, raw->Release());  // and once too often
    EXPECT_EQ(S_OK, CanUnloadNow());
    ASSERT_EQ(S_OK, CoGetClassObject(kClsidGuid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, factory.Void()));
    EXPECT_EQ(S_FALSE, CanUnloadNow());
    factory.Reset();
    EXPECT_EQ(S_OK, CanUnloadNow());
    EXPECT_TRUE(FreeLibraryIfUnused());
}

TEST_F(HandlerTest, InitializeTakesOnlyTheCurrentSelectionAndNeverAChangedName) {
    char before[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, before);
    const std::string a = File("a.txt"), b = File("b.txt");
    Ptr<IContextMenu> handler = Handler({a, b});
    ASSERT_TRUE(handler);
    EXPECT_EQ("Encrypt selected files", Help(handler.Get(), 0, false));
    Ptr<IShellExtInit> init;
    ASSERT_EQ(S_OK, handler->QueryInterface(IID_IShellExtInit, init.Void()));

    // A second selection replaces the first, never adds to it.
    {
        Ptr<DropData> data(DropData::FromPaths({a}, false));
        EXPECT_EQ(S_OK, init->Initialize(nullptr, data.Get(), nullptr));
        EXPECT_EQ("Encrypt selected file", Help(handler.Get(), 0, false));
        EXPECT_EQ("Number of files to shred: 1", ShredCount(handler.Get()));
    }
    // A path too long for the system, or one the code page cannot spell,
    // is left out rather than cut or changed into another file's name.
    {
        std::wstring tooLong = L"C:\\" + std::wstring(260, L'n');
        std::wstring chinese = L"C:\\" + std::wstring(1, wchar_t(0x4E2D)) + L"a.txt";
        std::wstring wideB(b.begin(), b.end());
        Ptr<DropData> data(DropData::FromWide({tooLong, chinese, wideB}));
        EXPECT_EQ(S_OK, init->Initialize(nullptr, data.Get(), nullptr));
        EXPECT_EQ("Number of files to shred: 1", ShredCount(handler.Get()));
        Ptr<DropData> only(DropData::FromWide({tooLong}));
        EXPECT_EQ(E_INVALIDARG, init->Initialize(nullptr, only.Get(), nullptr));
    }
    // No drop-file content, or no data object: nothing is selected any more.
    {
        Ptr<DropData> data(DropData::WithoutFiles());
        EXPECT_EQ(E_INVALIDARG, init->Initialize(nullptr, data.Get(), nullptr));
        EXPECT_EQ(E_INVALIDARG, init->Initialize(nullptr, nullptr, nullptr));
        CMINVOKECOMMANDINFO info = Command(nullptr);
        for (UINT offset = 0; offset < 8; ++offset) {
            info.lpVerb = MAKEINTRESOURCEA(offset);
            EXPECT_EQ(E_FAIL, handler->InvokeCommand(&info)) << offset;  // and no dialog opened
        }
    }
    // Ten thousand paths are taken at once.
    {
        std::vector<std::string> many;
        for (int i = 0; i < 10000; ++i) many.push_back(m_work / ("file number " + std::to_string(i) + ".txt"));
        Ptr<DropData> data(DropData::FromPaths(many));
        DWORD start = GetTickCount();
        EXPECT_EQ(S_OK, init->Initialize(nullptr, data.Get(), nullptr));
        ExplorerMenu explorer;
        EXPECT_EQ(MAKE_HRESULT(0, 0, 8), handler->QueryContextMenu(explorer.menu, 0, 1, 100, CMF_NORMAL));
        EXPECT_LT(GetTickCount() - start, 5000u);
        MenuShape shape = Shape(explorer.menu);
        ASSERT_EQ(8u, shape.items.size());
        EXPECT_EQ("Shred files", shape.items[4].text);
        EXPECT_EQ("Number of files to shred: 10000", ShredCount(handler.Get()));
    }
    char after[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, after);
    EXPECT_STREQ(before, after);
}

TEST_F(HandlerTest, MenuShowsTheItemsOfEachKindOfSelection) {
    const std::vector<std::string> common = {"Create self-extracting file", "Options", "Check for updates"};
    struct Case {
        std::vector<std::string> paths;
        std::vector<std::pair<std::string, bool>> first;  // items 0 to 4: text, grey
    };
    const std::string folder = Folder("folder");
    const Case cases[] = {
        {{Encrypted("locked.txt", "h")},
         {{"Encrypt file", true}, {"Decrypt file", false}, {"View password hint", false},
          {"View original filename", false}, {"Shred file", false}}},
        {{folder},
         {{"Encrypt folder", false}, {"Decrypt folder", false}, {"View password hint", true},
          {"View original filename", true}, {"Shred file", true}}},
        {{"C:\\"},
         {{"Encrypt folder", false}, {"Decrypt folder", false}, {"View password hint", true},
          {"View original filename", true}, {"Shred file", true}}},
        {{File("plain.txt")},
         {{"Encrypt file", false}, {"Decrypt file", true}, {"View password hint", true},
          {"View original filename", true}, {"Shred file", false}}},
        {{m_work / "gone.txt"},  // no status: a plain file
         {{"Encrypt file", false}, {"Decrypt file", true}, {"View password hint", true},
          {"View original filename", true}, {"Shred file", false}}},
        {{folder, File("x.txt")},
         {{"Encrypt files", false}, {"Decrypt files", false}, {"View password hint", true},
          {"View original filename", true}, {"Shred files", false}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.paths.front());
        Ptr<IContextMenu> handler = Handler(c.paths);
        ASSERT_TRUE(handler);
        ExplorerMenu explorer;
        EXPECT_EQ(MAKE_HRESULT(SEVERITY_SUCCESS, 0, 8), handler->QueryContextMenu(explorer.menu, 1, 100, 200, CMF_NORMAL));
        MenuShape shape = Shape(explorer.menu);
        EXPECT_EQ((std::vector<std::string>{"Open", "-", "> Vastrel 2", "-", "Copy"}), shape.top);
        std::vector<MenuItem> expected;
        for (UINT i = 0; i < 8; ++i) {
            expected.push_back(i < 5 ? MenuItem{c.first[i].first, 100 + i, c.first[i].second}
                                     : MenuItem{common[i - 5], 100 + i, false});
        }
        EXPECT_EQ(expected, shape.items);
    }
    // The default-only request, or too few identifiers: nothing is added.
    Ptr<IContextMenu> handler = Handler({folder});
    ExplorerMenu explorer;
    EXPECT_EQ(MAKE_HRESULT(0, 0, 0), handler->QueryContextMenu(explorer.menu, 1, 100, 200, CMF_DEFAULTONLY));
    EXPECT_EQ(MAKE_HRESULT(0, 0, 0), handler->QueryContextMenu(explorer.menu, 1, 100, 106, CMF_NORMAL));
    EXPECT_EQ((std::vector<std::string>{"Open", "Copy"}), Shape(explorer.menu).top);
}

TEST_F(HandlerTest, HelpTextsAndOtherCommandStrings) {
    const char* const one[] = {"Encrypt selected file",       "Decrypt selected file", "View password hint",
                               "View original filename",      "Shred file(s)",         "Create Self-Extracting file",
                               "Options",                     "Check for Vastrel 2 updates"};
    Ptr<IContextMenu> single = Handler({File("a.txt")});
    Ptr<IContextMenu> several = Handler({File("b.txt"), File("c.txt")});
    for (UINT i = 0; i < 8; ++i) {
        EXPECT_EQ(one[i], Help(single.Get(), i, false));
        EXPECT_EQ(one[i], Help(single.Get(), i, true));
        std::string plural = i == 0 ? "Encrypt selected files" : i == 1 ? "Decrypt selected files" : one[i];
        EXPECT_EQ(plural, Help(several.Get(), i, true));
        EXPECT_EQ(S_OK, single->GetCommandString(i, GCS_VALIDATEA, nullptr, nullptr, 0));
    }
    HRESULT hr = S_OK;
    Help(single.Get(), 8, false, &hr);
    EXPECT_EQ(E_INVALIDARG, hr);
    EXPECT_EQ(S_FALSE, single->GetCommandString(8, GCS_VALIDATEW, nullptr, nullptr, 0));
    // A text longer than the buffer is cut and terminated.
    EXPECT_EQ("Encrypt", Help(single.Get(), 0, false, nullptr, 8));
    EXPECT_EQ("Encrypt", Help(single.Get(), 0, true, nullptr, 8));
    // Verbs are not offered: nothing is written, and it says so.
    for (UINT kind : {GCS_VERBA, GCS_VERBW}) {
        char buffer[16];
        std::memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(E_NOTIMPL, single->GetCommandString(0, kind, nullptr, buffer, 8));
        EXPECT_EQ(std::string(16, 'x'), std::string(buffer, 16));
    }
}

TEST_F(HandlerTest, OnlyMenuOffsetsRunAndHintNameAndUpdateAnswerInBoxes) {
    const std::string encrypted = Encrypted("letter.txt", "the usual one");
    Ptr<IContextMenu> handler = Handler({encrypted});
    ASSERT_TRUE(handler);
    CMINVOKECOMMANDINFO info = Command("encrypt");
    EXPECT_EQ(E_INVALIDARG, handler->InvokeCommand(&info));
    info.lpVerb = MAKEINTRESOURCEA(8);
    EXPECT_EQ(E_INVALIDARG, handler->InvokeCommand(&info));
    CMINVOKECOMMANDINFO tooSmall = Command(MAKEINTRESOURCEA(2));
    tooSmall.cbSize = 0;
    EXPECT_EQ(E_INVALIDARG, handler->InvokeCommand(&tooSmall));
    EXPECT_TRUE(m_messages.messages.empty());

    info.lpVerb = MAKEINTRESOURCEA(2);
    EXPECT_EQ(S_OK, handler->InvokeCommand(&info));
    ASSERT_EQ(1u, m_messages.messages.size());
    EXPECT_EQ("the usual one", m_messages.messages[0].text);
    EXPECT_EQ("Vastrel 2", m_messages.messages[0].caption);
    EXPECT_EQ(static_cast<unsigned>(MB_ICONINFORMATION), m_messages.messages[0].style);
    EXPECT_EQ(nullptr, m_messages.messages[0].ownerWindow);

    // A file that cannot be read shows the hint's own text.
    EXPECT_EQ(S_OK, Invoke({m_work / "missing.~enc"}, 2));
    ASSERT_EQ(2u, m_messages.messages.size());
    EXPECT_EQ("Cant read hint!", m_messages.messages[1].text);

    // The original name behind the password prompt: a wrong password shows
    // nothing more, the right one the name in the same kind of box.
    for (const char* password : {"wrong password", "password1"}) {
        uitest::ModalDriver driver;
        driver.When("SimplePasswordDlg", [&](uitest::DialogDriver& d) {
            d.Type(IDC_PROMPT_PASSWORD, password);
            d.Click(IDOK);
        });
        info.lpVerb = MAKEINTRESOURCEA(3);
        EXPECT_EQ(S_OK, handler->InvokeCommand(&info));
    }
    ASSERT_EQ(3u, m_messages.messages.size());
    EXPECT_EQ("letter.txt", m_messages.messages[2].text);
    EXPECT_EQ(static_cast<unsigned>(MB_ICONINFORMATION), m_messages.messages[2].style);

    // The update check always answers, here that the site cannot be reached.
    info.lpVerb = MAKEINTRESOURCEA(7);
    EXPECT_EQ(S_OK, handler->InvokeCommand(&info));
    ASSERT_EQ(4u, m_messages.messages.size());
    EXPECT_EQ("Unable to check for updates. Please check your internet connection.", m_messages.messages[3].text);
}

// A verb text whose address has nothing in bits 16 to 31 is still a text:
// on 64-bit Windows its upper bits tell it from an offset. (A 32-bit
// address has no such bits, and a text there always shows in bits 16 to 31.)
TEST_F(HandlerTest, AVerbTextIsNeverTakenForAnOffset) {
    if (sizeof(void*) < 8) GTEST_SKIP() << "only 64-bit addresses lie above bit 31";
    char* block = nullptr;
    for (unsigned long long k = 1; !block && k < 4096; ++k) {
        void* at = reinterpret_cast<void*>(static_cast<UINT_PTR>(k << 32));
        block = static_cast<char*>(VirtualAlloc(at, 4096, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    }
    ASSERT_TRUE(block) << "no free page at a multiple of 4 GB";
    std::strcpy(block + 2, "encrypt");  // its address ends in 0x0000'0002, the hint verb's offset
    Ptr<IContextMenu> handler = Handler({File("a.txt")});
    ASSERT_TRUE(handler);
    CMINVOKECOMMANDINFO info = Command(block + 2);
    EXPECT_EQ(E_INVALIDARG, handler->InvokeCommand(&info));
    EXPECT_TRUE(m_messages.messages.empty());  // no hint was shown
    VirtualFree(block, 0, MEM_RELEASE);
}

TEST_F(HandlerTest, UnloadedLibraryLeavesNoWindowClassBehind) {
    // The encrypt dialog registers the strength bar's class in the library.
    HINSTANCE library = nullptr;
    {
        uitest::ModalDriver driver;
        driver.When("QuickEncryptDlg", [&](uitest::DialogDriver& d) {
            library = GetModuleHandleA("Corvane.dll");
            WNDCLASSA wc;
            EXPECT_TRUE(GetClassInfoA(library, "XGradientZoneBar", &wc));
            d.Click(207);
        });
        EXPECT_EQ(S_OK, Invoke({File("a.txt")}, 0));
    }
    ASSERT_TRUE(library);
    EXPECT_EQ(S_OK, CanUnloadNow());
    EXPECT_TRUE(FreeLibraryIfUnused());
    WNDCLASSA wc;
    EXPECT_FALSE(GetClassInfoA(library, "XGradientZoneBar", &wc));
    // And it comes back for the next right-click.
    EXPECT_EQ("Encrypt selected file", Help(Handler({File("b.txt")}).Get(), 0, false));
}

}  // namespace
