#include "ui/dialog.h"

#include <exception>

#include "ui/app.h"

namespace ui {

void DataExchange::Control(int id, Window& control) {
    if (!control.Handle()) control.Attach(GetDlgItem(m_dialog.Handle(), id));
}

void DataExchange::Text(int id, std::string& value) {
    HWND item = GetDlgItem(m_dialog.Handle(), id);
    if (!item) return;
    if (m_save) {
        int n = GetWindowTextLengthA(item);
        std::string text(static_cast<size_t>(n > 0 ? n : 0) + 1, '\0');
        int got = GetWindowTextA(item, &text[0], n + 1);
        text.resize(got > 0 ? static_cast<size_t>(got) : 0);
        value = text;
    } else {
        SetWindowTextA(item, value.c_str());
    }
}

void DataExchange::Check(int id, int& value) {
    HWND item = GetDlgItem(m_dialog.Handle(), id);
    if (!item) return;
    if (m_save) {
        value = static_cast<int>(SendMessageA(item, BM_GETCHECK, 0, 0));
    } else {
        SendMessageA(item, BM_SETCHECK, static_cast<WPARAM>(value), 0);
    }
}

HWND Dialog::CreateFromTemplate(HWND parent) {
    HINSTANCE resources = ResourceHandle();
    HRSRC found = FindResourceA(resources, MAKEINTRESOURCEA(m_templateId), MAKEINTRESOURCEA(5) /* RT_DIALOG */);
    if (!found) return nullptr;
    HGLOBAL loaded = LoadResource(resources, found);
    const void* tmpl = loaded ? LockResource(loaded) : nullptr;
    if (!tmpl) return nullptr;
    HWND hwnd;
    {
        CreationHook hook(this);
        hwnd = CreateDialogIndirectParamA(resources, static_cast<LPCDLGTEMPLATEA>(tmpl), parent, &Dialog::DialogProc,
                                          reinterpret_cast<LPARAM>(this));
    }
    if (hwnd) SetOwned(true);
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
    if (parent) m_parent = parent;
    return CreateFromTemplate(m_parent) != nullptr;
}

INT_PTR Dialog::DoModal() {
    if (m_hwnd) return -1;
    HWND parent = m_parent ? m_parent : MainWindow();
    if (parent) parent = GetAncestor(parent, GA_ROOT);
    m_modal = true;
    m_continueModal = true;
    m_result = -1;
    bool disabledParent = false;
    if (parent && IsWindowEnabled(parent)) {
        EnableWindow(parent, FALSE);
        disabledParent = true;
    }
    HWND hwnd = CreateFromTemplate(parent);
    if (hwnd) {
        if (m_continueModal && !IsWindowVisible(hwnd)) ShowWindow(hwnd, SW_SHOWNORMAL);
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
            PumpResult pumped = PumpOneMessage();
            if (pumped == PumpResult::Quit) {
                PostQuitMessage(0);
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
    if (disabledParent) EnableWindow(parent, TRUE);
    if (m_hwnd && ::IsWindow(m_hwnd)) {
        if (parent && GetActiveWindow() == m_hwnd) SetActiveWindow(parent);
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

LRESULT Dialog::WindowProc(UINT msg, WPARAM w, LPARAM l) {
    if (msg == WM_INITDIALOG) return OnInitDialog() ? TRUE : FALSE;
    return Window::WindowProc(msg, w, l);
}

bool Dialog::OnCommand(UINT id, UINT code, HWND control) {
    if (Window::OnCommand(id, code, control)) return true;
    if (code == BN_CLICKED) {
        if (id == IDOK) {
            OnOK();
            return true;
        }
        if (id == IDCANCEL) {
            OnCancel();
            return true;
        }
    }
    return false;
}

}  // namespace ui
