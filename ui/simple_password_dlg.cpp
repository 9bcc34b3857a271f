#include "ui/simple_password_dlg.h"

#include <memory>
#include <vector>

#include "core/blowfish.h"
#include "core/cipher_mode.h"
#include "core/file_header.h"
#include "core/keys.h"
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

}  // namespace

bool RevealOriginalName(const std::string& path, std::string& name) {
    CFile file;
    if (!file.Open(path, CFile::modeRead | CFile::shareDenyNone | CFile::typeBinary)) return false;
    CFileHeader header;
    if (!Vastrel2::Utils::IsEncrypted(file) || !header.ReadFooter(file)) return false;
    CipherSettings settings;
    if (!FooterSettings(path, header, settings)) return false;
    name = header.GetEncryptedName();

    std::string password;
    SimplePasswordDlg prompt(&password, nullptr);
    if (prompt.DoModal() != IDOK) {
        name = "Cant read filename";
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
    InitVector iv(16);
    iv.SetFromHex(header.GetIvHex());  // older footers have none and need none
    name = platform::FromFormatText(mode->DecryptName(header.GetEncryptedName(), cipher.get(), iv));
    return true;
}
