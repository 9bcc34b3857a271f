#pragma once
// Dialogs from resource templates, modal (our own loop) or modeless, with
// data exchange between controls and members.
//
// Writing a dialog (the message table forms are in window.h):
//
//   class CNameDlg : public ui::Dialog {
//   public:
//       explicit CNameDlg(HWND parent = nullptr) : Dialog(IDD_NAME, parent) {
//           OnCommand(IDC_BROWSE, &CNameDlg::OnBrowse);
//           OnCommand(IDC_NAME, EN_CHANGE, &CNameDlg::OnNameChange);
//           OnMessage(WM_HELP, [this] { ShowHelp(); return TRUE; });
//       }
//       std::string name;              // exchanged with the edit
//
//   protected:
//       void DoDataExchange(ui::DataExchange& dx) override {
//           dx.Control(IDC_LIST, m_list);  // m_list takes the control's messages
//           dx.Text(IDC_NAME, name);
//       }
//       bool OnInitDialog() override {
//           Dialog::OnInitDialog();        // loads the controls from the members
//           m_list.InsertColumn(0, "Filename", LVCFMT_LEFT, 200);
//           return true;                   // focus to the first control
//       }
//       void OnOK() override {
//           if (!UpdateData(true) || name.empty()) return;  // stays open
//           EndDialog(IDOK);
//       }
//
//   private:
//       void OnBrowse();
//       void OnNameChange();
//       ui::ListView m_list;
//   };
//
//   CNameDlg dlg; if (dlg.DoModal() == IDOK) use(dlg.name);
//
// OK and Cancel (the buttons, Enter, Esc, the close box) reach OnOK and
// OnCancel unless the table has its own entry for IDOK or IDCANCEL.
// Without a parent, a modal dialog is owned by the active popup of the
// thread's main window (see PopupOwner), so dialogs opened from dialogs are
// modal to each other.
#include <windows.h>

#include <functional>
#include <string>

#include "framework/window.h"

namespace ui {

class Dialog;

// Moves values between a dialog's controls and its members. Saving reads the
// controls; loading writes them.
class DataExchange {
public:
    DataExchange(Dialog& dialog, bool save) : m_dialog(dialog), m_save(save) {}
    bool Saving() const { return m_save; }
    // Binds the object to the control: it takes the control's messages until
    // the control is destroyed (so it is bound anew for every run of the
    // dialog). False when the control is missing or another object has it.
    bool Control(int id, Window& control);
    void Text(int id, std::string& value);
    // Check box state: 0, 1 or 2 (indeterminate).
    void Check(int id, int& value);
    // A trackbar's position.
    void Slider(int id, int& value);

private:
    Dialog& m_dialog;
    bool m_save;
};

class Dialog : public Window {
public:
    explicit Dialog(UINT templateId, HWND parent = nullptr);

    // Runs the dialog modally; returns the value given to EndDialog, or -1
    // when the template is missing or the window cannot be created.
    INT_PTR DoModal();
    // Creates the dialog modeless.
    bool Create(HWND parent = nullptr);
    // Ends the dialog: a modal loop stops after the current message; a
    // modeless dialog is destroyed.
    void EndDialog(int result);
    bool UpdateData(bool save);

    UINT TemplateId() const { return m_templateId; }
    bool IsModal() const { return m_modal; }
    // True while the dialog is open and has not been ended.
    bool Running() const { return m_hwnd && m_continueModal; }

    // Offered every message of the dialog and its controls; the default lets
    // the dialog manager handle keyboard navigation (Tab, Enter, Esc).
    bool PreTranslateMessage(MSG* msg) override;

    // Tests: called with every modal dialog once it is shown and its loop is
    // about to run (on the dialog's thread). Returns the previous hook.
    using ModalHook = std::function<void(Dialog& dialog)>;
    static ModalHook SetModalHook(ModalHook hook);

protected:
    // WM_INITDIALOG. The default loads the controls from the members and
    // returns true (focus to the first control).
    virtual bool OnInitDialog();
    virtual void DoDataExchange(DataExchange& dx) {}
    // OK: members from the controls, then EndDialog(IDOK).
    virtual void OnOK();
    virtual void OnCancel();
    // Asked by the modal loop on every pass; the loop ends when it is false.
    virtual bool ContinueModal() { return m_continueModal; }
    // Called by the modal loop while the queue is empty; count starts at 0
    // after every message. Return true to be called again before waiting.
    virtual bool OnIdle(long count) { return false; }

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l);
    HWND CreateFromTemplate(HWND owner);
    void RunModalLoop();

    UINT m_templateId;
    HWND m_parent;
    bool m_modal = false;
    bool m_continueModal = false;
    int m_result = -1;
};

}  // namespace ui
