#include "ui/simple_password_dlg.h"

#include <memory>
#include <vector>

#include "core/blowfish.h"
#include "core/cipher_mode.h"
#include "core/file_header.h"
#include "core/keys.h"
#include "framework/prompts.h"
#include "platform/code_page.h"
#include "platform/file.h"
#include "shared/shared_ids.h"

using Vastrel2::CIPHER::CBCMode;
using Vastrel2::CIPHER::CipherFactory;
using Vastrel2::CIPHER::CipherSettings;
using Vastrel2::CIPHER::IBlockCipher;
using Vastrel2::CIPHER::ICipherMode;
using Vastrel2::CIPHER::IKeyBase;
using Vastrel2::CIPHER::InitVector;
using Vastrel2::Utils::CFileHeader;

SimplePasswordDlg::SimplePasswordDlg(std::string* result, HWND parent)
    : Dialog(IDD_PASSWORD_PROMPT, parent), m_result(result) {}

void SimplePasswordDlg::DoDataExchange(ui::DataExchange& dx) { dx.Control(IDC_PROMPT_PASSWORD, m_password); }

void SimplePasswordDlg::OnOK() {
    if (m_result) *m_result = m_password.Text();
    Dialog::OnOK();
}

namespace {

// The footer's own settings, or false when they are not the ones a key
// would be made with (settings that fail validation fall back to the
// defaults, whose key length need not be the footer's).
bool FooterSettings(const std::string& path, const CFileHeader& header, CipherSettings& settings) {
    settings = CipherSettings::ReadFooterSettings(path);
    return settings.GetKeyLength() == header.GetKeyLength() && settings.GetCipherId() == header.GetCipherId() &&
           settings.GetHashType() == header.GetHashType();
}

const char kCantReadName[] = "Cant read filename";

// An encrypted file whose footer cannot be read: the user is told (nothing
// else would show, the callers show a name only when there is one), and
// the name says so.
bool FooterDamaged(const std::string& path, std::string& name) {
    ui::AppMessageBox("The original filename cannot be read: the footer of this encrypted file is damaged.\n" + path,
                      MB_ICONERROR);
    name = kCantReadName;
    return false;
}

}  // namespace

bool RevealOriginalName(const std::string& path, std::string& name) {
    CFile file;
    if (!file.Open(path, CFile::modeRead | CFile::shareDenyNone | CFile::typeBinary)) return false;
    if (!Vastrel2::Utils::IsEncrypted(file)) return false;
    // A damaged footer is said before the password is asked for, which could
    // not help (the name of a format-3 file is read with the footer's vector).
    CFileHeader header;
    if (!header.ReadFooter(file)) return FooterDamaged(path, name);
    CipherSettings settings;
    if (!FooterSettings(path, header, settings)) return FooterDamaged(path, name);
    InitVector iv(16);
    if (settings.GetFormatVersion() >= 3 && !iv.SetFromHex(header.GetIvHex())) return FooterDamaged(path, name);
    name = header.GetEncryptedName();

    std::string password;
    SimplePasswordDlg prompt(&password, nullptr);
    if (prompt.DoModal() != IDOK) {
        name = kCantReadName;
        return false;
    }

    // Room for whole cipher blocks of the key length.
    const size_t keyLength = static_cast<size_t>(settings.GetKeyLength());
    std::vector<unsigned char> verifier((keyLength + 7) / 8 * 8, 0);
    bool match = header.DecryptVerifierWithPassword(password, verifier.data()) &&
                 Vastrel2::Utils::KeyMatchesVerifier(verifier.data(), keyLength, settings, password);
    std::fill(verifier.begin(), verifier.end(), 0);
    if (!match) {
        name = "Incorrect Password!";
        return false;
    }

    CipherFactory factory;
    std::unique_ptr<IBlockCipher> cipher(factory.CreateCipher(settings));
    CipherSettings keySettings = settings;
    std::unique_ptr<IKeyBase> key(IKeyBase::CreateKey(password, keySettings));
    std::unique_ptr<ICipherMode> mode(CBCMode::CreateMode(settings));
    if (!cipher || !key || !key->GetKey() || !mode ||
        !cipher->SetKey(key->GetKey(), static_cast<size_t>(settings.GetKeyLength()))) {
        name = "Incorrect Password!";
        return false;
    }
    // A stored name that does not decipher comes back as it was stored (the
    // core has said so already): it is not the file's name.
    const std::string stored = header.GetEncryptedName();
    const std::string deciphered = mode->DecryptName(stored, cipher.get(), iv);
    if (deciphered == stored) {
        name = kCantReadName;
        return false;
    }
    name = platform::FromFormatText(deciphered);
    return true;
}
