#pragma once
// Thin wrappers of the standard controls, each in two kinds (see window.h):
// - ui::Edit, ui::ListView, ... are Windows: bind one to a dialog's control
//   with DataExchange::Control, or make a new control with Create; the
//   object then takes the control's messages (a class derived from it may
//   handle them) until the control is destroyed.
// - ui::EditRef, ui::ListViewRef, ... are plain handles with the same calls,
//   for a control whose messages stay where they are.
#include <windows.h>

#include <commctrl.h>

#include <string>
#include <type_traits>

#include "framework/window.h"

namespace ui {

namespace detail {
// The parts of the wrappers below that are more than one message.
int ListViewInsertColumn(HWND list, int index, const std::string& heading, int format, int width);
int ListViewInsertItem(HWND list, int index, const std::string& text, LPARAM data, bool withData);
bool ListViewSetItemText(HWND list, int item, int column, const std::string& text);
std::string ListViewItemText(HWND list, int item, int column);
bool ListViewSetItemState(HWND list, int item, UINT state, UINT mask);
bool ListViewSetItemData(HWND list, int item, LPARAM data);
LPARAM ListViewItemData(HWND list, int item);
int ListViewHitTest(HWND list, POINT client);
std::string ComboText(HWND combo, int index);
bool ToolTipAddTool(HWND tooltip, HWND tool, const std::string& text);
void ToolTipUpdateText(HWND tooltip, HWND tool, const std::string& text);
std::string StatusBarText(HWND bar, int pane);
bool CreateToolTip(Window& tooltip, HWND parent, bool balloon);
}  // namespace detail

template <class Base>
class ControlT : public Base {
public:
    using Base::Base;
    int Id() const { return GetDlgCtrlID(this->m_hwnd); }
    void SetFont(HFONT font, bool redraw = true) const {
        this->Send(WM_SETFONT, reinterpret_cast<WPARAM>(font), redraw ? TRUE : FALSE);
    }
    void MoveTo(const RECT& r, bool repaint = true) const {
        MoveWindow(this->m_hwnd, r.left, r.top, r.right - r.left, r.bottom - r.top, repaint);
    }

protected:
    // Makes a child control of the given class (only the Window kind can).
    bool CreateControl(const char* className, const std::string& text, DWORD style, const RECT& rect, HWND parent,
                       int id, DWORD exStyle = 0) {
        static_assert(std::is_base_of_v<Window, Base>, "only a Window makes its control");
        return this->CreateEx(exStyle, className, text, style, rect.left, rect.top, rect.right - rect.left,
                              rect.bottom - rect.top, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)));
    }
};

template <class Base>
class StaticT : public ControlT<Base> {
public:
    using ControlT<Base>::ControlT;
    bool Create(const std::string& text, DWORD style, const RECT& rect, HWND parent, int id) {
        return this->CreateControl("STATIC", text, style, rect, parent, id);
    }
};

template <class Base>
class EditT : public ControlT<Base> {
public:
    using ControlT<Base>::ControlT;
    bool Create(DWORD style, const RECT& rect, HWND parent, int id) {
        return this->CreateControl("EDIT", "", style, rect, parent, id, WS_EX_CLIENTEDGE);
    }
    void LimitText(int chars) const { this->Send(EM_LIMITTEXT, static_cast<WPARAM>(chars)); }
    void SetSel(int start, int end) const { this->Send(EM_SETSEL, static_cast<WPARAM>(start), end); }
    void SetReadOnly(bool on) const { this->Send(EM_SETREADONLY, on ? TRUE : FALSE); }
};

template <class Base>
class ButtonT : public ControlT<Base> {
public:
    using ControlT<Base>::ControlT;
    bool Create(const std::string& text, DWORD style, const RECT& rect, HWND parent, int id) {
        return this->CreateControl("BUTTON", text, style, rect, parent, id);
    }
    int GetCheck() const { return static_cast<int>(this->Send(BM_GETCHECK)); }
    void SetCheck(int state) const { this->Send(BM_SETCHECK, static_cast<WPARAM>(state)); }
    void Click() const { this->Send(BM_CLICK); }
};

template <class Base>
class ComboBoxT : public ControlT<Base> {
public:
    using ControlT<Base>::ControlT;
    bool Create(DWORD style, const RECT& rect, HWND parent, int id) {
        return this->CreateControl("COMBOBOX", "", style, rect, parent, id);
    }
    // The index the text got (sorted boxes sort it in), or CB_ERR.
    int AddString(const std::string& text) const {
        return static_cast<int>(this->Send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
    }
    bool SetItemData(int index, DWORD_PTR data) const {
        return this->Send(CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(data)) != CB_ERR;
    }
    // CB_ERR for an index without item.
    DWORD_PTR GetItemData(int index) const {
        return static_cast<DWORD_PTR>(this->Send(CB_GETITEMDATA, static_cast<WPARAM>(index)));
    }
    int GetCurSel() const { return static_cast<int>(this->Send(CB_GETCURSEL)); }
    int SetCurSel(int index) const { return static_cast<int>(this->Send(CB_SETCURSEL, static_cast<WPARAM>(index))); }
    int GetCount() const { return static_cast<int>(this->Send(CB_GETCOUNT)); }
    std::string GetLBText(int index) const { return detail::ComboText(this->m_hwnd, index); }
    void ResetContent() const { this->Send(CB_RESETCONTENT); }
};

template <class Base>
class ProgressBarT : public ControlT<Base> {
public:
    using ControlT<Base>::ControlT;
    bool Create(DWORD style, const RECT& rect, HWND parent, int id) {
        return this->CreateControl(PROGRESS_CLASSA, "", style, rect, parent, id);
    }
    void SetRange32(int lower, int upper) const { this->Send(PBM_SETRANGE32, static_cast<WPARAM>(lower), upper); }
    int SetPos(int pos) const { return static_cast<int>(this->Send(PBM_SETPOS, static_cast<WPARAM>(pos))); }
    int GetPos() const { return static_cast<int>(this->Send(PBM_GETPOS)); }
    int SetStep(int step) const { return static_cast<int>(this->Send(PBM_SETSTEP, static_cast<WPARAM>(step))); }
    int StepIt() const { return static_cast<int>(this->Send(PBM_STEPIT)); }
    PBRANGE GetRange() const {
        PBRANGE r{};
        this->Send(PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&r));
        return r;
    }
};

template <class Base>
class SliderT : public ControlT<Base> {
public:
    using ControlT<Base>::ControlT;
    bool Create(DWORD style, const RECT& rect, HWND parent, int id) {
        return this->CreateControl(TRACKBAR_CLASSA, "", style, rect, parent, id);
    }
    void SetRange(int lower, int upper, bool redraw = true) const {
        this->Send(TBM_SETRANGEMIN, FALSE, lower);
        this->Send(TBM_SETRANGEMAX, redraw ? TRUE : FALSE, upper);
    }
    int GetPos() const { return static_cast<int>(this->Send(TBM_GETPOS)); }
    void SetPos(int pos) const { this->Send(TBM_SETPOS, TRUE, pos); }
};

template <class Base>
class ListViewT : public ControlT<Base> {
public:
    using ControlT<Base>::ControlT;
    bool Create(DWORD style, const RECT& rect, HWND parent, int id) {
        return this->CreateControl(WC_LISTVIEWA, "", style, rect, parent, id, WS_EX_CLIENTEDGE);
    }
    int InsertColumn(int index, const std::string& heading, int format, int width) const {
        return detail::ListViewInsertColumn(this->m_hwnd, index, heading, format, width);
    }
    int GetColumnWidth(int column) const {
        return static_cast<int>(this->Send(LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(column)));
    }
    bool SetColumnWidth(int column, int width) const {
        return this->Send(LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(column), MAKELPARAM(width, 0)) != 0;
    }
    int InsertItem(int index, const std::string& text) const {
        return detail::ListViewInsertItem(this->m_hwnd, index, text, 0, false);
    }
    int InsertItem(int index, const std::string& text, LPARAM data) const {
        return detail::ListViewInsertItem(this->m_hwnd, index, text, data, true);
    }
    bool SetItemText(int item, int column, const std::string& text) const {
        return detail::ListViewSetItemText(this->m_hwnd, item, column, text);
    }
    // The whole text of a cell, however long.
    std::string GetItemText(int item, int column) const { return detail::ListViewItemText(this->m_hwnd, item, column); }
    bool SetItemData(int item, LPARAM data) const { return detail::ListViewSetItemData(this->m_hwnd, item, data); }
    LPARAM GetItemData(int item) const { return detail::ListViewItemData(this->m_hwnd, item); }
    int GetItemCount() const { return static_cast<int>(this->Send(LVM_GETITEMCOUNT)); }
    void SetItemCount(int count) const { this->Send(LVM_SETITEMCOUNT, static_cast<WPARAM>(count)); }
    int GetSelectedCount() const { return static_cast<int>(this->Send(LVM_GETSELECTEDCOUNT)); }
    bool DeleteItem(int item) const { return this->Send(LVM_DELETEITEM, static_cast<WPARAM>(item)) != 0; }
    bool DeleteAllItems() const { return this->Send(LVM_DELETEALLITEMS) != 0; }
    int GetNextItem(int start, UINT flags) const {
        return static_cast<int>(this->Send(LVM_GETNEXTITEM, static_cast<WPARAM>(start), MAKELPARAM(flags, 0)));
    }
    UINT GetItemState(int item, UINT mask) const {
        return static_cast<UINT>(this->Send(LVM_GETITEMSTATE, static_cast<WPARAM>(item), mask));
    }
    bool SetItemState(int item, UINT state, UINT mask) const {
        return detail::ListViewSetItemState(this->m_hwnd, item, state, mask);
    }
    DWORD GetExtendedStyle() const { return static_cast<DWORD>(this->Send(LVM_GETEXTENDEDLISTVIEWSTYLE)); }
    void SetExtendedStyle(DWORD style) const { this->Send(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, style); }
    int HitTest(POINT client) const { return detail::ListViewHitTest(this->m_hwnd, client); }
    HIMAGELIST SetImageList(HIMAGELIST list, int which) const {
        return reinterpret_cast<HIMAGELIST>(
            this->Send(LVM_SETIMAGELIST, static_cast<WPARAM>(which), reinterpret_cast<LPARAM>(list)));
    }
};

template <class Base>
class ToolTipT : public ControlT<Base> {
public:
    using ControlT<Base>::ControlT;
    // A popup tooltip owned by the parent; balloon adds TTS_BALLOON.
    bool Create(HWND parent, bool balloon) { return detail::CreateToolTip(*this, parent, balloon); }
    // Adds a tool for a child window of the tooltip's owner (the tooltip
    // watches the tool's mouse messages itself).
    bool AddTool(HWND tool, const std::string& text) const { return detail::ToolTipAddTool(this->m_hwnd, tool, text); }
    // Replaces the text of a tool added with AddTool.
    void UpdateTipText(const std::string& text, HWND tool) const {
        detail::ToolTipUpdateText(this->m_hwnd, tool, text);
    }
    // which: TTDT_AUTOPOP, TTDT_INITIAL, TTDT_RESHOW or TTDT_AUTOMATIC.
    void SetDelayTime(DWORD which, int milliseconds) const {
        this->Send(TTM_SETDELAYTIME, which, MAKELPARAM(milliseconds, 0));
    }
    int GetDelayTime(DWORD which) const { return static_cast<int>(this->Send(TTM_GETDELAYTIME, which)); }
    void RelayEvent(MSG* msg) const { this->Send(TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(msg)); }
    void Activate(bool on) const { this->Send(TTM_ACTIVATE, on ? TRUE : FALSE); }
    void SetMaxTipWidth(int width) const { this->Send(TTM_SETMAXTIPWIDTH, 0, width); }
};

template <class Base>
class StatusBarT : public ControlT<Base> {
public:
    using ControlT<Base>::ControlT;
    bool Create(DWORD style, const RECT& rect, HWND parent, int id) {
        return this->CreateControl(STATUSCLASSNAMEA, "", style, rect, parent, id);
    }
    bool SetParts(int count, const int* rightEdges) const {
        return this->Send(SB_SETPARTS, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(rightEdges)) != 0;
    }
    bool SetPaneText(int pane, const std::string& text) const {
        return this->Send(SB_SETTEXTA, static_cast<WPARAM>(pane), reinterpret_cast<LPARAM>(text.c_str())) != 0;
    }
    std::string GetPaneText(int pane) const { return detail::StatusBarText(this->m_hwnd, pane); }
    void SetMinHeight(int height) const { this->Send(SB_SETMINHEIGHT, static_cast<WPARAM>(height)); }
};

using Control = ControlT<Window>;
using Static = StaticT<Window>;
using StaticRef = StaticT<WindowRef>;
using Edit = EditT<Window>;
using EditRef = EditT<WindowRef>;
using Button = ButtonT<Window>;
using ButtonRef = ButtonT<WindowRef>;
using ComboBox = ComboBoxT<Window>;
using ComboBoxRef = ComboBoxT<WindowRef>;
using ProgressBar = ProgressBarT<Window>;
using ProgressBarRef = ProgressBarT<WindowRef>;
using Slider = SliderT<Window>;
using SliderRef = SliderT<WindowRef>;
using ListView = ListViewT<Window>;
using ListViewRef = ListViewT<WindowRef>;
using ToolTip = ToolTipT<Window>;
using ToolTipRef = ToolTipT<WindowRef>;
using StatusBar = StatusBarT<Window>;
using StatusBarRef = StatusBarT<WindowRef>;

}  // namespace ui
