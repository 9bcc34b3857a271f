#pragma once
// Dialogs from resource templates, modal (our own loop) or modeless, with
// data exchange between controls and members.
//
// Writing a dialog:
//   class NameDlg : public ui::Dialog {
//   public:
//       NameDlg() : Dialog(IDD_NAME) { MapControl(IDC_NAME, EN_CHANGE, [this] { OnNameChange(); }); }
//       std::string name;
//   protected:
//       void DoDataExchange(ui::DataExchange& dx) override { dx.Control(IDC_LIST, m_list); dx.Text(IDC_NAME, name); }
//       bool OnInitDialog() override { Dialog::OnInitDialog(); ...; return true; }
//       void OnOK() override { if (!Valid()) return; Dialog::OnOK(); }
//   };
//   NameDlg dlg; if (dlg.DoModal() == IDOK) use(dlg.name);
#include <windows.h>

#include <string>

#include "ui/window.h"

namespace ui {

class Dialog;

// Moves values between a dialog's controls and its members. Saving reads the
// controls; loading writes them.
class DataExchange {
public:
    DataExchange(Dialog& dialog, bool save) : m_dialog(dialog), m_save(save) {}
    bool Saving() const { return m_save; }
    // Binds a wrapper to the control (once; later calls leave it bound).
    void Control(int id, Window& control);
    void Text(int id, std::string& value);
    // Check box state: 0, 1 or 2 (indeterminate).
    void Check(int id, int& value);

private:
    Dialog& m_dialog;
    bool m_save;
};

class Dialog : public Window {
public:
    explicit Dialog(UINT templateId, HWND parent = nullptr) : m_templateId(templateId), m_parent(parent) {}

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

    // Offered every message of the dialog and its controls; the default lets
    // the dialog manager handle keyboard navigation.
    bool PreTranslateMessage(MSG* msg) override;

protected:
    // The default loads the controls from the members and returns true
    // (focus to the first control).
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

    LRESULT WindowProc(UINT msg, WPARAM w, LPARAM l) override;
    bool OnCommand(UINT id, UINT code, HWND control) override;

private:
    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM w, LPARAM l);
    HWND CreateFromTemplate(HWND parent);

    UINT m_templateId;
    HWND m_parent;
    bool m_modal = false;
    bool m_continueModal = false;
    int m_result = -1;
};

}  // namespace ui
