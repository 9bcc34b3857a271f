#pragma once
// Shows an encrypted file's original name without decrypting the file: a
// small prompt asks for the password, which is checked against the file's
// verifier, and the name stored in the footer is deciphered with it. Shared
// by the main program and the Explorer plug-in; the caller shows the name.
#include <windows.h>

#include <string>

#include "framework/controls.h"
#include "framework/dialog.h"

// The password prompt (template 168, "Enter Password:").
class SimplePasswordDlg : public ui::Dialog {
public:
    // OK copies the typed password into *result; Cancel leaves it as it was.
    explicit SimplePasswordDlg(std::string* result, HWND parent = nullptr);

protected:
    void DoDataExchange(ui::DataExchange& dx) override;
    void OnOK() override;

private:
    ui::Edit m_password;
    std::string* m_result;
};

// True when `name` now holds the original name of the encrypted file at
// `path`. A file that cannot be opened or is not encrypted is refused before
// the prompt: false, name unchanged, nothing shown. A damaged footer (one
// that cannot be read, whose cipher settings are not the ones it would be
// read with, or whose vector is not 32 hexadecimal digits) is said in a
// message box before the prompt and leaves "Cant read filename", false.
// Otherwise name is first the stored (enciphered) name; a cancelled prompt
// leaves "Cant read filename" and a wrong password "Incorrect Password!",
// both with false; a stored name that does not decipher (the core says so)
// leaves "Cant read filename", false.
bool RevealOriginalName(const std::string& path, std::string& name);
