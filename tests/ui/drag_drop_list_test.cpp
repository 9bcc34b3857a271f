#include <shlobj.h>

#include "tests/ui/ui_test_support.h"
#include "resources/tests/ui_test_ids.h"
#include "ui/drag_drop_list.h"
#include "framework/ole.h"

namespace {

using uitest::UiTest;

// Counts the releases of the medium handed out.
class ReleaseCounter : public IUnknown {
public:
    explicit ReleaseCounter(HGLOBAL memory) : m_memory(memory) {}
    virtual ~ReleaseCounter() = default;
    STDMETHODIMP QueryInterface(REFIID, void** p) override {
        *p = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override {
        ++releases;
        if (m_memory) GlobalFree(m_memory);
        m_memory = nullptr;
        return 1;
    }
    int releases = 0;

private:
    HGLOBAL m_memory;
};

// A drag source's data: a CF_HDROP list of ANSI names, or no file data.
class FileData : public IDataObject {
public:
    FileData(std::vector<std::string> names, bool hasDrop) : m_names(std::move(names)), m_hasDrop(hasDrop) {}
    ~FileData() { delete m_counter; }
    STDMETHODIMP QueryInterface(REFIID riid, void** p) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDataObject)) {
            *p = this;
            return S_OK;
        }
        *p = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetData(FORMATETC* format, STGMEDIUM* medium) override {
        if (QueryGetData(format) != S_OK) return DV_E_FORMATETC;
        std::string list;
        for (const auto& n : m_names) list += n + '\0';
        list += '\0';
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + list.size() + 1);
        auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
        drop->pFiles = sizeof(DROPFILES);
        drop->fWide = FALSE;
        memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), list.data(), list.size());
        GlobalUnlock(memory);
        delete m_counter;
        m_counter = new ReleaseCounter(memory);
        medium->tymed = TYMED_HGLOBAL;
        medium->hGlobal = memory;
        medium->pUnkForRelease = m_counter;
        return S_OK;
    }
    STDMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    STDMETHODIMP QueryGetData(FORMATETC* format) override {
        return m_hasDrop && format->cfFormat == CF_HDROP && (format->tymed & TYMED_HGLOBAL) ? S_OK : DV_E_FORMATETC;
    }
    STDMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out) override {
        out->ptd = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    STDMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP DUnadvise(DWORD) override { return OLE_E_ADVISENOTSUPPORTED; }
    STDMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return OLE_E_ADVISENOTSUPPORTED; }

    int Releases() const { return m_counter ? m_counter->releases : 0; }

private:
    std::vector<std::string> m_names;
    bool m_hasDrop;
    ReleaseCounter* m_counter = nullptr;
};

class Owner : public DropListOwner {
public:
    void SetModified() override { calls.push_back("modified"); }
    void AddDroppedFile(std::string path) override { calls.push_back(path); }
    std::vector<std::string> calls;
};

class DropListTest : public UiTest {
protected:
    DropListTest() {
        parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 300, 200, nullptr, nullptr, nullptr, nullptr);
        list.Create(WS_CHILD | WS_VISIBLE | LVS_REPORT, RECT{0, 0, 300, 200}, parent, 1031);
        list.owner = &owner;
    }
    ~DropListTest() override { DestroyWindow(parent); }  // takes the list along
    DWORD Drop(FileData& data, DWORD keys = 0) {
        DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        EXPECT_EQ(S_OK, list.DropTarget().DragEnter(&data, keys, POINTL{5, 5}, &effect));
        effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
        EXPECT_EQ(S_OK, list.DropTarget().Drop(&data, keys, POINTL{5, 5}, &effect));
        return effect;
    }

    ui::OleSession ole;
    HWND parent;
    DragDropList list;
    Owner owner;
};

TEST_F(DropListTest, DroppedNamesReachTheOwnerInOrderAndAreCopied) {
    ASSERT_TRUE(ole.Ok());
    list.RegisterDropTarget();
    EXPECT_TRUE(m_messages.messages.empty());

    std::string longName = "C:\\" + std::string(300, 'n') + ".txt";  // beyond the classic 260
    std::string limit = "C:\\" + std::string(255, 'm') + "x";        // 259 characters
    FileData data({"C:\\a.txt", "C:\\folder", longName, limit}, true);
    EXPECT_EQ(DWORD(DROPEFFECT_COPY), Drop(data));  // never a move, so no source deletes its files
    std::vector<std::string> expected{"modified", "C:\\a.txt", "modified", "C:\\folder",
                                      "modified", longName,    "modified", limit};
    EXPECT_EQ(expected, owner.calls);
    EXPECT_EQ(1, data.Releases());
    EXPECT_TRUE(m_messages.messages.empty());
}

TEST_F(DropListTest, EmptyAndForeignDropsAreRefusedAndReleased) {
    FileData empty({}, true);
    EXPECT_EQ(DWORD(DROPEFFECT_NONE), Drop(empty));
    EXPECT_EQ(1, empty.Releases());
    ASSERT_EQ(1u, m_messages.messages.size());
    EXPECT_EQ("Faile to add file", m_messages.messages[0].text);
    EXPECT_EQ(unsigned(MB_ICONERROR), m_messages.messages[0].style);

    FileData text({"ignored"}, false);  // no CF_HDROP: refused without a word
    EXPECT_EQ(DWORD(DROPEFFECT_NONE), Drop(text));
    EXPECT_EQ(1u, m_messages.messages.size());
    EXPECT_TRUE(owner.calls.empty());

    // A drop without any data object is refused too.
    DWORD effect = DROPEFFECT_COPY;
    EXPECT_EQ(S_OK, list.DropTarget().Drop(nullptr, 0, POINTL{0, 0}, &effect));
    EXPECT_EQ(DWORD(DROPEFFECT_NONE), effect);
}

TEST_F(DropListTest, DragCursorFollowsTheControlKey) {
    FileData text({}, false);
    DWORD effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    list.DropTarget().DragEnter(&text, MK_CONTROL, POINTL{1, 1}, &effect);
    EXPECT_EQ(DWORD(DROPEFFECT_COPY), effect);
    effect = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    list.DropTarget().DragOver(MK_LBUTTON, POINTL{1, 1}, &effect);
    EXPECT_EQ(DWORD(DROPEFFECT_MOVE), effect);
    EXPECT_EQ(S_OK, list.DropTarget().DragLeave());
}

// The main window binds its list and registers it while it initialises.
class ListDlg : public ui::Dialog {
public:
    ListDlg() : Dialog(IDD_TEST_RESIZING) {}
    DragDropList list;

protected:
    void DoDataExchange(ui::DataExchange& dx) override { dx.Control(1031, list); }
    bool OnInitDialog() override {
        Dialog::OnInitDialog();
        list.RegisterDropTarget();
        return true;
    }
};

TEST_F(DropListTest, DropTargetIsRevokedWhenItsDialogCloses) {
    ASSERT_TRUE(ole.Ok());
    ListDlg dlg;
    ASSERT_TRUE(dlg.Create(nullptr));
    HWND listWindow = dlg.list.Handle();
    ASSERT_EQ(listWindow, dlg.list.DropTarget().Window());
    EXPECT_GT(dlg.list.DropTarget().AddRef(), 1u);  // OLE holds it
    dlg.list.DropTarget().Release();
    dlg.DestroyWindow();
    // Gone with the window, while the object still lives: OLE let go of it.
    EXPECT_FALSE(IsWindow(listWindow));
    EXPECT_EQ(nullptr, dlg.list.DropTarget().Window());
    EXPECT_EQ(nullptr, dlg.list.Handle());
    EXPECT_EQ(1u, dlg.list.DropTarget().AddRef());
    dlg.list.DropTarget().Release();
    EXPECT_TRUE(m_messages.messages.empty());
}

TEST_F(DropListTest, FailedRegistrationIsReported) {
    DragDropList unbound;  // no window
    unbound.RegisterDropTarget();
    ASSERT_EQ(1u, m_messages.messages.size());
    EXPECT_EQ("Ole Register Drop Target Failed", m_messages.messages[0].text);
    EXPECT_EQ(unsigned(MB_OK), m_messages.messages[0].style);
    EXPECT_EQ("Vastrel 2", m_messages.messages[0].caption);
}

}  // namespace
