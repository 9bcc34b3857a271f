#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <string>
#include <vector>

#include "core/blowfish.h"
#include "core/cipher_mode.h"
#include "core/file_cipher.h"
#include "core/file_header.h"
#include "core/keys.h"
#include "platform/file.h"
#include "tests/support/test_support.h"

using namespace Vastrel2::CIPHER;
using namespace Vastrel2::Utils;

namespace {

const std::string S(1, '\xA9');
const unsigned kOpen = CFile::modeRead | CFile::shareDenyNone;
const unsigned kCreate = CFile::modeCreate | CFile::modeReadWrite;

struct Keyed {
    std::unique_ptr<IBlockCipher> cipher;
    std::vector<unsigned char> verifier;
};

Keyed MakeKey(const std::string& password, CipherSettings settings) {
    Keyed k{std::unique_ptr<IBlockCipher>(CipherFactory().CreateCipher(settings)), {}};
    std::unique_ptr<IKeyBase> key(IKeyBase::CreateKey(password, settings));
    size_t n = static_cast<size_t>(settings.GetKeyLength());
    k.cipher->SetKey(key->GetKey(), n);
    k.verifier.resize(n);
    k.cipher->EncryptBuffer(key->GetKey(), k.verifier.data(), n);
    return k;
}

// Reads a file back the way the decryption job does; false for an unreadable
// footer or a wrong password.
bool ReadEncrypted(const std::string& path, const std::string& password, const std::string& plainOut,
                   std::string& name) {
    CipherSettings settings = CipherSettings::ReadFooterSettings(path);
    CFile source, output;
    CFileHeader header;
    if (!source.Open(path, kOpen) || !header.ReadFooter(source)) return false;
    std::vector<unsigned char> decrypted(static_cast<size_t>(header.GetKeyLength()));
    if (!header.DecryptVerifierWithPassword(password, decrypted.data()) ||
        !KeyMatchesVerifier(decrypted.data(), decrypted.size(), settings, password))
        return false;
    Keyed k = MakeKey(password, settings);
    InitVector iv;
    if (settings.GetFormatVersion() >= 3 && !iv.SetFromHex(header.GetIvHex())) return false;
    std::unique_ptr<ICipherMode> mode(CBCMode::CreateMode(settings));
    source.SeekToBegin();
    if (!output.Open(plainOut, kCreate) ||
        !mode->DecryptStream(k.cipher.get(), header.GetSize(), 0, source, output, iv))
        return false;
    output.SetLength(header.GetSize());
    name = mode->DecryptName(header.GetEncryptedName(), k.cipher.get(), iv);
    return true;
}

class Footer : public testsupport::CleanSettingsTest {
protected:
    // Writes a.~enc from a.txt as the encryption job does: ciphertext,
    // verifier text, footer.
    std::string Encrypt(const std::string& plain, const std::string& hint) {
        testsupport::WriteFile(dir / "a.txt", plain);
        CipherSettings settings(0, 2, 32, 3);
        Keyed k = MakeKey("secret", settings);
        EXPECT_TRUE(iv.Generate());
        CFile source, output;
        EXPECT_TRUE(source.Open(dir / "a.txt", kOpen));
        EXPECT_TRUE(output.Open(dir / "a.~enc", kCreate));
        int pad = plain.size() % 16 ? static_cast<int>(16 - plain.size() % 16) : 0;
        CBCMode mode;
        EXPECT_TRUE(mode.EncryptStream(k.cipher.get(), plain.size(), pad, source, output, iv));
        std::string name = mode.EncryptName(source.GetFileName(), k.cipher.get(), iv);
        CFileHeader header(hint, k.verifier.data(), name, plain.size(), pad, 3, 0, 2, 32, iv.GetHex());
        std::string footer = HexEncode(k.verifier.data(), 32) + header.BuildFooter();
        EXPECT_TRUE(output.Write(footer.data(), footer.size()));
        output.Close();
        return testsupport::ReadFile(dir / "a.~enc");
    }
    bool Reads(const std::string& content) {
        testsupport::WriteFile(dir / "f", content);
        CFile file;
        CFileHeader header;
        return file.Open(dir / "f", kOpen) && header.ReadFooter(file);
    }
    static std::string Trailer(size_t footerLength) {
        char n[8];
        std::snprintf(n, sizeof n, "%4d", static_cast<int>(footerLength));
        return n + S + "<zqv>";
    }

    testsupport::TempDir dir;
    InitVector iv;
};

}  // namespace

TEST_F(Footer, FiveByteFileGivesTheFooterByteForByte) {
    std::string file = Encrypt("hello", "abc");
    ASSERT_EQ(177u, file.size());
    std::string footer = file.substr(16);
    EXPECT_EQ(HexEncode(MakeKey("secret", CipherSettings(0, 2, 32, 3)).verifier.data(), 32), footer.substr(0, 64));
    EXPECT_EQ(S + iv.GetHex() + S + "abc" + S, footer.substr(64, 38));
    EXPECT_EQ(std::string::npos, footer.substr(102, 32).find_first_not_of("0123456789ABCDEF"));
    EXPECT_EQ(S + "5" + S + "11" + S + "3" + S + "0" + S + "2" + S + "32" + S + "0" + S + " 161" + S + "<zqv>",
              footer.substr(134));

    std::string name;
    ASSERT_TRUE(ReadEncrypted(dir / "a.~enc", "secret", dir / "out", name));
    EXPECT_EQ("hello", testsupport::ReadFile(dir / "out"));
    EXPECT_EQ("a.txt", name);
    EXPECT_FALSE(ReadEncrypted(dir / "a.~enc", "Secret", dir / "out", name));
    EXPECT_EQ("abc", GetHint(dir / "a.~enc"));
}

TEST_F(Footer, HintHoldingTheSeparatorRoundTripsWhole) {
    const std::string hint = S + "dog's " + S + " name" + S;
    Encrypt(std::string(40, 'q'), hint);
    EXPECT_EQ(hint, ReadHint(dir / "a.~enc"));
    std::string name;
    ASSERT_TRUE(ReadEncrypted(dir / "a.~enc", "secret", dir / "out", name));
    EXPECT_EQ(std::string(40, 'q'), testsupport::ReadFile(dir / "out"));
    EXPECT_EQ("a.txt", name);
}

TEST_F(Footer, OversizedHintIsCutSoTheFooterStaysReadable) {
    std::string file = Encrypt("data", std::string(12000, 'h'));
    EXPECT_EQ("9999", file.substr(file.size() - 10, 4));
    EXPECT_GT(ReadHint(dir / "a.~enc").size(), 9000u);
    std::string name;
    EXPECT_TRUE(ReadEncrypted(dir / "a.~enc", "secret", dir / "out", name));
}

TEST_F(Footer, VerifierHexIsReadInEitherCase) {
    std::string footer = Encrypt("hello", "abc").substr(16);
    std::string lower = footer;
    std::transform(lower.begin(), lower.begin() + 64, lower.begin(), [](char c) { return static_cast<char>(std::tolower(c)); });
    CFileHeader upper, low;
    ASSERT_TRUE(upper.ParseFooter(footer));
    ASSERT_TRUE(low.ParseFooter(lower));
    EXPECT_EQ(HexEncode(upper.GetVerifier(), 32), HexEncode(low.GetVerifier(), 32));
}

TEST_F(Footer, VersionOneAndTwoFilesUseRawVerifierNoVectorAndEcb) {
    for (int version : {2, 1}) {
        SCOPED_TRACE(version);
        CipherSettings settings(0, 0, 16, version);
        Keyed k = MakeKey("secret", settings);
        // 17 or 15 bytes, zero-filled to whole blocks.
        const std::string text = version == 2 ? "old file contents" : "old contents!!!";
        const int pad = version == 2 ? 15 : 1;
        std::string plain = text + std::string(static_cast<size_t>(pad), '\0');
        const size_t cipherLength = plain.size();
        std::string record = std::string("\x07\x00", 2) + "old.txt" + std::string(7, '\0');
        std::string blocks = plain + record;
        k.cipher->EncryptBuffer(reinterpret_cast<const unsigned char*>(blocks.data()),
                                reinterpret_cast<unsigned char*>(&blocks[0]), blocks.size());
        // Version 1 keeps its pad where the format version stands now.
        const std::string sizeAndPad = std::to_string(text.size()) + S +
                                       (version == 2 ? std::to_string(pad) + S + "2" : "0" + S + std::to_string(pad));
        std::string body = std::string(reinterpret_cast<char*>(k.verifier.data()), 16) + S + "old hint" + S +
                           HexEncode(reinterpret_cast<const unsigned char*>(blocks.data()) + cipherLength, 16) + S +
                           sizeAndPad + S + "0" + S + "0" + S + "16" + S + "0" + S;
        testsupport::WriteFile(dir / "old.~enc", blocks.substr(0, cipherLength) + body + Trailer(body.size() + 10));

        CFile f;
        CFileHeader header;
        ASSERT_TRUE(f.Open(dir / "old.~enc", kOpen));
        ASSERT_TRUE(header.ReadFooter(f));
        f.Close();
        EXPECT_EQ(version, header.GetFormatVersion());
        EXPECT_EQ("", header.GetIvHex());
        EXPECT_EQ("old hint", header.GetHint());
        std::unique_ptr<ICipherMode> mode(CBCMode::CreateMode(CipherSettings::ReadFooterSettings(dir / "old.~enc")));
        EXPECT_NE(nullptr, dynamic_cast<ECBMode*>(mode.get()));
        std::string name;
        ASSERT_TRUE(ReadEncrypted(dir / "old.~enc", "secret", dir / "out", name));
        EXPECT_EQ(text, testsupport::ReadFile(dir / "out"));
        EXPECT_EQ("old.txt", name);

        // Its size and pad account for its ciphertext as the decryption job demands.
        std::string path = dir / "old.~enc", hint;
        ASSERT_EQ(0, FileDecryptor(nullptr, 0, 0, "secret").DecryptFile(path, hint));
        EXPECT_EQ(text, testsupport::ReadFile(dir / "old.txt"));
        CFile::Remove(dir / "old.txt");
    }
}

TEST_F(Footer, OldestFootersTakeTheVersionFieldAsPad) {
    std::string verifier(16, '\0');
    for (const char* version : {"1", "x"}) {
        SCOPED_TRACE(version);
        CFileHeader header;
        ASSERT_TRUE(header.ParseFooter(verifier + S + "h" + S + "AB" + S + "9" + S + version + S + "7" + S + "0" + S + "32" +
                                       S + "0" + S + "  99" + S + "<zqv>"));
        EXPECT_EQ(1, header.GetFormatVersion());
        EXPECT_EQ(16, header.GetKeyLength());
        EXPECT_EQ(0, header.GetCipherId());
        EXPECT_EQ(std::string(version) == "1" ? 1 : 0, header.GetPad());
    }
}

TEST_F(Footer, TrailersAndFootersThatDoNotFitTheFile) {
    testsupport::WriteFile(dir / "five", "<zqv>");
    testsupport::WriteFile(dir / "six", "x<zqv>");
    EXPECT_FALSE(IsEncryptedFile(dir / "five"));
    EXPECT_TRUE(IsEncryptedFile(dir / "six"));
    for (size_t n = 6; n <= 9; ++n) EXPECT_FALSE(Reads(std::string(n - 5, ' ') + "<zqv>")) << n;
    EXPECT_FALSE(Reads("xx9999" + S + "<zqv>"));  // longer than the file
    EXPECT_FALSE(Reads("xx   5" + S + "<zqv>"));  // shorter than the trailer
    testsupport::WriteFile(dir / "zero", "xx   0" + S + "<zqv>");
    EXPECT_EQ("", ReadHint(dir / "zero"));
    EXPECT_EQ("Cant read hint!", ReadHint(dir / "missing"));
    EXPECT_TRUE(CipherSettings::ReadFooterSettings(dir / "missing").Equals(CipherSettings(0, 0, 16, 2)));
}

TEST_F(Footer, DamagedFieldsMakeTheFooterUnreadableAndLeaveTheHeaderAlone) {
    std::string good = Encrypt("hello", "abc").substr(16);
    const std::string v = good.substr(0, 64);
    const unsigned char raw[32] = {0};
    auto footer = [&](const std::string& verifier, int keyLength, const std::string& ivHex) {
        return verifier + CFileHeader("hint", raw, "ABCD", 5, 11, 3, 0, 2, keyLength, ivHex).BuildFooter();
    };
    CFileHeader header;
    ASSERT_TRUE(header.ParseFooter(good));
    EXPECT_FALSE(header.ParseFooter(footer(v.substr(0, 48), 24, iv.GetHex())));  // key length
    EXPECT_FALSE(header.ParseFooter(footer(v.substr(0, 20), 32, iv.GetHex())));  // verifier too short
    EXPECT_FALSE(header.ParseFooter(footer(v, 32, iv.GetHex().substr(1))));      // IV of 31 digits
    EXPECT_FALSE(header.ParseFooter(footer(v, 32, "Z" + iv.GetHex().substr(1))));
    EXPECT_FALSE(header.ParseFooter(v + S + "3" + S + "0" + S + "2" + S + "32" + S + "0" + S + Trailer(99)));
    EXPECT_EQ("abc", header.GetHint());
    EXPECT_EQ(iv.GetHex(), header.GetIvHex());
    // The bytes the caller holds bound the comparison.
    std::vector<unsigned char> decrypted(16);
    EXPECT_FALSE(KeyMatchesVerifier(decrypted.data(), decrypted.size(), CipherSettings(0, 2, 32, 3), "secret"));
}
