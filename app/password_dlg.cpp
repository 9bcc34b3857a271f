#include "app/password_dlg.h"

#include "vastrel/resource.h"

CPasswordDlg::CPasswordDlg(std::string* password, int* openFlag, int* reencryptFlag, HWND parent)
    : Dialog(IDD_PASSWORD, parent), m_passwordOut(password), m_openFlag(openFlag), m_reencryptFlag(reencryptFlag) {
    OnCommand(IDC_OPEN_AFTER_DECRYPT, BN_CLICKED, &CPasswordDlg::OnOpenAfterDecryptClicked);
}

void CPasswordDlg::DoDataExchange(ui::DataExchange& dx) {
    dx.Control(IDC_ENCRYPT_AFTER_USE, m_reencrypt);
    dx.Control(IDC_OPEN_AFTER_DECRYPT, m_open);
    dx.Control(IDC_PASSWORD_EDIT, m_password);
}

bool CPasswordDlg::OnInitDialog() {
    Dialog::OnInitDialog();
    bool choose = m_openFlag && *m_openFlag != 0;
    m_open.Enable(choose);
    m_reencrypt.Enable(choose);

    m_openSetting = RegistryDword(VastrelSettingPath("open after decrypt"), 0, 1);
    m_reencryptSetting = RegistryDword(VastrelSettingPath("reencrypt"), 0, 1);
    m_open.SetCheck(m_openSetting.Get() == 0 ? BST_CHECKED : BST_UNCHECKED);
    m_reencrypt.SetCheck(m_reencryptSetting.Get() == 0 ? BST_CHECKED : BST_UNCHECKED);
    // Creates the values on first use.
    m_reencryptSetting.Write();
    m_openSetting.Write();

    OnOpenAfterDecryptClicked();
    return true;
}

void CPasswordDlg::OnOpenAfterDecryptClicked() { m_reencrypt.Enable(m_open.GetCheck() == BST_CHECKED); }

void CPasswordDlg::OnOK() {
    int open = m_open.GetCheck() == BST_CHECKED ? 1 : 0;
    int reencrypt = m_reencrypt.GetCheck() == BST_CHECKED ? 1 : 0;
    if (m_passwordOut) *m_passwordOut = m_password.Text();
    if (m_openFlag) *m_openFlag = open;
    if (m_reencryptFlag) *m_reencryptFlag = reencrypt;
    m_openSetting.Set(open == 1 ? 0 : 1);
    m_reencryptSetting.Set(reencrypt == 1 ? 0 : 1);
    m_openSetting.Write();
    m_reencryptSetting.Write();
    Dialog::OnOK();
}
