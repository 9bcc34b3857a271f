#pragma once
// Asks for the password of the encrypted file the program was started with,
// and whether to open the file once it is decrypted and to encrypt it again
// after use. Both choices are remembered in the settings "open after
// decrypt" and "reencrypt" (0 = checked).
#include <windows.h>

#include <string>

#include "core/registry_dword.h"
#include "framework/controls.h"
#include "framework/dialog.h"

class CPasswordDlg : public ui::Dialog {
public:
    // The caller's open flag is read when the dialog opens (0 disables the
    // two check boxes); on OK the password and both check states are written
    // back. Any other result writes nothing through the pointers.
    CPasswordDlg(std::string* password, int* openFlag, int* reencryptFlag, HWND parent = nullptr);

protected:
    void DoDataExchange(ui::DataExchange& dx) override;
    bool OnInitDialog() override;
    void OnOK() override;

private:
    // "Encrypt file after use" can be chosen only while "Open file after
    // decryption" is checked.
    void OnOpenAfterDecryptClicked();

    ui::Button m_reencrypt;
    ui::Button m_open;
    ui::Edit m_password;
    std::string* m_passwordOut;
    int* m_openFlag;
    int* m_reencryptFlag;
    RegistryDword m_openSetting;
    RegistryDword m_reencryptSetting;
};
