// Hostile encrypted files: the trailer test, the footer reader and parser,
// the readers built on them, and decryption driven by whatever the footer
// claims. Nothing may crash, hang or touch memory it does not own.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/blowfish.h"
#include "core/cipher_mode.h"
#include "core/file_header.h"
#include "platform/file.h"
#include "tests/fuzz/fuzz_common.h"

using namespace Vastrel2::CIPHER;
using namespace Vastrel2::Utils;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzzsupport::SilenceMessageBoxes();
    {
        CFileHeader header;
        header.ParseFooter(std::string(reinterpret_cast<const char*>(data), size));
    }

    const std::string& path = fuzzsupport::ScratchPath("footer");
    static const std::string outPath = path + ".out";
    fuzzsupport::WriteWhole(path, data, size);
    IsEncryptedFile(path);
    ReadHint(path);
    CipherSettings settings = CipherSettings::ReadFooterSettings(path);

    CFile file;
    if (!file.Open(path, CFile::modeRead | CFile::shareDenyNone)) return 0;
    IsEncrypted(file);
    CFileHeader header;
    if (!header.ReadFooter(file)) return 0;

    Blowfish cipher;
    const unsigned char key[] = "fuzzing key bytes, thirty-two by";
    cipher.SetKey(key, 32);
    std::vector<unsigned char> verifier(static_cast<size_t>(header.GetKeyLength()));
    header.DecryptVerifier(verifier.data(), &cipher);
    // Format 2 keys are not stretched, so each run stays fast.
    KeyMatchesVerifier(verifier.data(), verifier.size(), CipherSettings(0, header.GetHashType(), header.GetKeyLength(), 2),
                       "pw");

    InitVector iv;
    iv.SetFromHex(header.GetIvHex());
    std::unique_ptr<ICipherMode> mode(CBCMode::CreateMode(settings));
    CFile out;
    if (!out.Open(outPath, CFile::modeCreate | CFile::modeReadWrite)) return 0;
    file.SeekToBegin();
    mode->DecryptStream(&cipher, header.GetSize(), header.GetPad(), file, out, iv);
    mode->DecryptName(header.GetEncryptedName(), &cipher, iv);
    out.Close();
    std::remove(outPath.c_str());
    return 0;
}
