#include "framework/dialog.h"

#include <commctrl.h>

#include <exception>

#include "framework/app.h"
#include "framework/window_internal.h"

namespace ui {
namespace {

Dialog::ModalHook g_modalHook;

}  // namespace

bool DataExchange::Control(int id, Window& control) {
    HWND item = GetDlgItem(m_dialog.Handle(), id);
    if (!item) return false;
    if (control.Handle() == item) return true;
    if (control.Handle()) control.Detach();
    return control.Subclass(item);
}

void DataExchange::Text(int id, std::string& value) {
    WindowRef item = GetDlgItem(m_dialog.Handle(), id);
    if (!item.Handle()) return;
    if (m_save) {
        value = item.Text();
    } else {
        item.SetText(value);
    }
}

void DataExchange::Check(int id, int& value) {
    WindowRef item = GetDlgItem(m_dialog.Handle(), id);
    if (!item.Handle()) return;
    if (m_save) {
        value = static_cast<int>(item.Send(BM_GETCHECK));
    } else {
        item.Send(BM_SETCHECK, static_cast<WPARAM>(value));
    }
}

void DataExchange::Slider(int id, int& value) {
    WindowRef item = GetDlgItem(m_dialog.Handle(), id);
    if (!item.Handle()) return;
    if (m_save) {
        value = static_cast<int>(item.Send(TBM_GETPOS));
    } else {
        item.Send(TBM_SETPOS, TRUE, value);
    }
}

Dialog::Dialog(UINT templateId, HWND parent) : m_templateId(templateId), m_parent(parent) {
    // The oldest entries: a derived class's own entries for these come first.
    OnMessage(WM_INITDIALOG, [this] { return OnInitDialog() ? TRUE : FALSE; });
    OnCommand(IDOK, [this] { OnOK(); });
    OnCommand(IDCANCEL, [this] { OnCancel(); });
}

Dialog::ModalHook Dialog::SetModalHook(ModalHook hook) {
    ModalHook previous = std::move(g_modalHook);
    g_modalHook = std::move(hook);
    return previous;
}

HWND Dialog::CreateFromTemplate(HWND owner) {
    EnsureCommonControls();
    HINSTANCE resources = ResourceHandle();
    HRSRC found = FindResourceA(resources, MAKEINTRESOURCEA(m_templateId), MAKEINTRESOURCEA(5) /* RT_DIALOG */);
    if (!found) return nullptr;
    HGLOBAL loaded = LoadResource(resources, found);
    const void* tmpl = loaded ? LockResource(loaded) : nullptr;
    if (!tmpl) return nullptr;
    // The dialog window is the top-level window with our owner made from our
    // module; the input method's or OLE's windows made on the way are not.
    PendingCreation pending{this, [owner, resources](HWND hwnd, const CREATESTRUCTA& cs) {
                                char cls[8] = {};
                                return !(cs.style & WS_CHILD) && cs.hwndParent == owner && cs.hInstance == resources &&
                                       !(GetClassNameA(hwnd, cls, sizeof cls) && lstrcmpiA(cls, "ime") == 0);
                            }};
    HWND hwnd;
    {
        CreationScope scope(pending);
        hwnd = CreateDialogIndirectParamA(resources, static_cast<LPCDLGTEMPLATEA>(tmpl), owner, &Dialog::DialogProc,
                                          reinterpret_cast<LPARAM>(this));
    }
    if (hwnd) m_owned = true;
    return hwnd;
}

INT_PTR CALLBACK Dialog::DialogProc(HWND, UINT, WPARAM, LPARAM) {
    // Every message reaches the object through its window procedure first;
    // the dialog manager's defaults need nothing from here.
    return FALSE;
}

bool Dialog::Create(HWND parent) {
    if (m_hwnd) return false;
    m_modal = false;
    m_continueModal = true;
    if (parent) m_parent = parent;
    return CreateFromTemplate(m_parent) != nullptr;
}

void Dialog::RunModalLoop() {
    long idle = 0;
    while (m_continueModal && m_hwnd && ::IsWindow(m_hwnd)) {
        MSG peek;
        if (!PeekMessageA(&peek, nullptr, 0, 0, PM_NOREMOVE)) {
            bool again = false;
            try {
                again = OnIdle(idle++);
            } catch (...) {
                TraceError("OnIdle", nullptr);
            }
            if (!again) WaitMessage();
            continue;
        }
        idle = 0;
        int quitCode = 0;
        if (PumpOneMessage(&quitCode) == PumpResult::Quit) {
            PostQuitMessage(quitCode);  // for the loop outside, with its code
            break;
        }
        bool more = false;
        try {
            more = ContinueModal();
        } catch (...) {
            TraceError("ContinueModal", nullptr);
        }
        if (!more) break;
    }
}

INT_PTR Dialog::DoModal() {
    if (m_hwnd) return -1;
    HWND owner = PopupOwner(m_parent);
    m_modal = true;
    m_continueModal = true;
    m_result = -1;
    // The owner is enabled again on every way out.
    struct OwnerLock {
        HWND owner = nullptr;
        void Release() {
            if (owner) EnableWindow(owner, TRUE);
            owner = nullptr;
        }
        ~OwnerLock() { Release(); }
    } lock;
    if (owner && IsWindowEnabled(owner)) {
        EnableWindow(owner, FALSE);
        lock.owner = owner;
    }
    HWND hwnd = CreateFromTemplate(owner);
    if (hwnd) {
        ModalScope scope(hwnd);
        if (m_continueModal && ::IsWindow(hwnd) && !IsWindowVisible(hwnd)) ShowWindow(hwnd, SW_SHOWNORMAL);
        if (g_modalHook && m_continueModal && ::IsWindow(hwnd)) {
            try {
                ModalHook hook = g_modalHook;
                hook(*this);
            } catch (...) {
                TraceError("modal hook", nullptr);
            }
        }
        RunModalLoop();
    }
    lock.Release();
    if (m_hwnd && ::IsWindow(m_hwnd)) {
        if (owner && GetActiveWindow() == m_hwnd) SetActiveWindow(owner);
        SetWindowPos(m_hwnd, nullptr, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
        ::DestroyWindow(m_hwnd);
    }
    m_modal = false;
    m_continueModal = false;
    return hwnd ? m_result : -1;
}

void Dialog::EndDialog(int result) {
    m_result = result;
    m_continueModal = false;
    if (!m_modal && m_hwnd) ::DestroyWindow(m_hwnd);
}

bool Dialog::UpdateData(bool save) {
    if (!m_hwnd) return false;
    DataExchange dx(*this, save);
    DoDataExchange(dx);
    return true;
}

bool Dialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void Dialog::OnOK() {
    if (!UpdateData(true)) return;
    EndDialog(IDOK);
}

void Dialog::OnCancel() { EndDialog(IDCANCEL); }

bool Dialog::PreTranslateMessage(MSG* msg) {
    if (!m_hwnd || !msg->hwnd) return false;
    if (msg->message < WM_KEYFIRST || msg->message > WM_KEYLAST) return false;
    if (msg->hwnd != m_hwnd && !IsChild(m_hwnd, msg->hwnd)) return false;
    return IsDialogMessageA(m_hwnd, msg) != FALSE;
}

}  // namespace ui
