#pragma once
// Thin wrappers of the standard controls. Each is a Window: bind it to a
// dialog's control with DataExchange::Control, or create it with Create.
#include <windows.h>

#include <commctrl.h>

#include <string>

#include "ui/window.h"

namespace ui {

class Control : public Window {
public:
    // Creates a child control of the given class.
    bool Create(const char* className, const std::string& text, DWORD style, const RECT& rect, HWND parent, int id,
                DWORD exStyle = 0);
    int Id() const { return GetDlgCtrlID(m_hwnd); }
    void SetFont(HFONT font, bool redraw = true) const {
        Send(WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw ? TRUE : FALSE);
    }
    void MoveTo(const RECT& r, bool repaint = true) const {
        MoveWindow(m_hwnd, r.left, r.top, r.right - r.left, r.bottom - r.top, repaint);
    }
};

class Static : public Control {
public:
    bool Create(const std::string& text, DWORD style, const RECT& rect, HWND parent, int id) {
        return Control::Create("STATIC", text, style, rect, parent, id);
    }
};

class Edit : public Control {
public:
    bool Create(DWORD style, const RECT& rect, HWND parent, int id) {
        return Control::Create("EDIT", "", style, rect, parent, id, WS_EX_CLIENTEDGE);
    }
    void LimitText(int chars) const { Send(EM_LIMITTEXT, static_cast<WPARAM>(chars)); }
    void SetSel(int start, int end) const { Send(EM_SETSEL, static_cast<WPARAM>(start), end); }
    void SetReadOnly(bool on) const { Send(EM_SETREADONLY, on ? TRUE : FALSE); }
};

class Button : public Control {
public:
    bool Create(const std::string& text, DWORD style, const RECT& rect, HWND parent, int id) {
        return Control::Create("BUTTON", text, style, rect, parent, id);
    }
    int GetCheck() const { return static_cast<int>(Send(BM_GETCHECK)); }
    void SetCheck(int state) const { Send(BM_SETCHECK, static_cast<WPARAM>(state)); }
    void Click() const { Send(BM_CLICK); }
};

class ProgressBar : public Control {
public:
    bool Create(DWORD style, const RECT& rect, HWND parent, int id) {
        return Control::Create(PROGRESS_CLASSA, "", style, rect, parent, id);
    }
    void SetRange32(int lower, int upper) const { Send(PBM_SETRANGE32, static_cast<WPARAM>(lower), upper); }
    int SetPos(int pos) const { return static_cast<int>(Send(PBM_SETPOS, static_cast<WPARAM>(pos))); }
    int GetPos() const { return static_cast<int>(Send(PBM_GETPOS)); }
    int SetStep(int step) const { return static_cast<int>(Send(PBM_SETSTEP, static_cast<WPARAM>(step))); }
    int StepIt() const { return static_cast<int>(Send(PBM_STEPIT)); }
    PBRANGE GetRange() const {
        PBRANGE r{};
        Send(PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&r));
        return r;
    }
};

class Slider : public Control {
public:
    bool Create(DWORD style, const RECT& rect, HWND parent, int id) {
        return Control::Create(TRACKBAR_CLASSA, "", style, rect, parent, id);
    }
    void SetRange(int lower, int upper, bool redraw = true) const {
        Send(TBM_SETRANGEMIN, FALSE, lower);
        Send(TBM_SETRANGEMAX, redraw ? TRUE : FALSE, upper);
    }
    int GetPos() const { return static_cast<int>(Send(TBM_GETPOS)); }
    void SetPos(int pos) const { Send(TBM_SETPOS, TRUE, pos); }
};

class ListView : public Control {
public:
    bool Create(DWORD style, const RECT& rect, HWND parent, int id) {
        return Control::Create(WC_LISTVIEWA, "", style, rect, parent, id, WS_EX_CLIENTEDGE);
    }
    int InsertColumn(int index, const std::string& heading, int format, int width) const;
    int InsertItem(int index, const std::string& text) const;
    bool SetItemText(int item, int column, const std::string& text) const;
    // The whole text of a cell, however long.
    std::string GetItemText(int item, int column) const;
    int GetItemCount() const { return static_cast<int>(Send(LVM_GETITEMCOUNT)); }
    bool DeleteItem(int item) const { return Send(LVM_DELETEITEM, static_cast<WPARAM>(item)) != 0; }
    bool DeleteAllItems() const { return Send(LVM_DELETEALLITEMS) != 0; }
    int GetNextItem(int start, UINT flags) const {
        return static_cast<int>(Send(LVM_GETNEXTITEM, static_cast<WPARAM>(start), MAKELPARAM(flags, 0)));
    }
    UINT GetItemState(int item, UINT mask) const {
        return static_cast<UINT>(Send(LVM_GETITEMSTATE, static_cast<WPARAM>(item), mask));
    }
    bool SetItemState(int item, UINT state, UINT mask) const;
    DWORD GetExtendedStyle() const { return static_cast<DWORD>(Send(LVM_GETEXTENDEDLISTVIEWSTYLE)); }
    void SetExtendedStyle(DWORD style) const { Send(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, style); }
    int HitTest(POINT client) const;
    HIMAGELIST SetImageList(HIMAGELIST list, int which) const {
        return reinterpret_cast<HIMAGELIST>(Send(LVM_SETIMAGELIST, static_cast<WPARAM>(which),
                                                 reinterpret_cast<LPARAM>(list)));
    }
};

class ToolTip : public Control {
public:
    // A popup tooltip owned by the parent; balloon adds TTS_BALLOON.
    bool Create(HWND parent, bool balloon);
    // Adds a tool for a child window of the tooltip's owner.
    bool AddTool(HWND tool, const std::string& text) const;
    void RelayEvent(MSG* msg) const { Send(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg)); }
    void Activate(bool on) const { Send(TTM_ACTIVATE, on ? TRUE : FALSE); }
    void SetMaxTipWidth(int width) const { Send(TTM_SETMAXTIPWIDTH, 0, width); }
};

class StatusBar : public Control {
public:
    bool Create(DWORD style, const RECT& rect, HWND parent, int id) {
        return Control::Create(STATUSCLASSNAMEA, "", style, rect, parent, id);
    }
    bool SetParts(int count, const int* rightEdges) const {
        return Send(SB_SETPARTS, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(rightEdges)) != 0;
    }
    bool SetPaneText(int pane, const std::string& text) const {
        return Send(SB_SETTEXTA, static_cast<WPARAM>(pane), reinterpret_cast<LPARAM>(text.c_str())) != 0;
    }
    std::string GetPaneText(int pane) const;
    void SetMinHeight(int height) const { Send(SB_SETMINHEIGHT, static_cast<WPARAM>(height)); }
};

}  // namespace ui
