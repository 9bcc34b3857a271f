#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <memory>
#include <string>
#include <vector>

#include "core/blowfish.h"
#include "core/cipher_mode.h"
#include "core/file_header.h"
#include "core/keys.h"
#include "platform/file.h"
#include "tests/support/test_support.h"

using namespace Vastrel2::CIPHER;
using namespace Vastrel2::Utils;

namespace {

const std::string kSep(1, '\xA9');

struct Keyed {
    std::unique_ptr<IBlockCipher> cipher;
    std::vector<unsigned char> key;
    std::vector<unsigned char> verifier;
};

Keyed MakeKey(const std::string& password, CipherSettings settings) {
    Keyed k;
    k.cipher.reset(CipherFactory().CreateCipher(settings));
    std::unique_ptr<IKeyBase> key(IKeyBase::CreateKey(password, settings));
    size_t n = static_cast<size_t>(settings.GetKeyLength());
    k.key.assign(key->GetKey(), key->GetKey() + n);
    k.cipher->SetKey(k.key.data(), n);
    k.verifier.resize(n);
    k.cipher->EncryptBuffer(k.key.data(), k.verifier.data(), n);
    return k;
}

// Writes `out` from the file at `plainPath` the way the encryption job does:
// ciphertext, verifier text, footer.
void WriteEncrypted(const std::string& plainPath, const std::string& out, const std::string& password,
                    CipherSettings settings, const std::string& hint, InitVector& iv) {
    Keyed k = MakeKey(password, settings);
    if (!iv.GetBytes()) {
        ASSERT_TRUE(iv.Generate());
    }
    CFile source, output;
    ASSERT_TRUE(source.Open(plainPath, CFile::modeRead | CFile::shareDenyNone | CFile::typeBinary));
    ASSERT_TRUE(output.Open(out, CFile::modeCreate | CFile::modeReadWrite | CFile::typeBinary));
    uint64_t size = source.GetLength();
    int pad = size % 16 ? static_cast<int>(16 - size % 16) : 0;
    std::unique_ptr<ICipherMode> mode(CBCMode::CreateMode(settings));
    ASSERT_TRUE(mode->EncryptStream(k.cipher.get(), size, pad, source, output, iv));
    std::string name = mode->EncryptName(source.GetFileName(), k.cipher.get(), iv);
    CFileHeader header(hint, k.verifier.data(), name, size, pad, settings.GetFormatVersion(), settings.GetCipherId(),
                       settings.GetHashType(), settings.GetKeyLength(), iv.GetHex());
    std::string footer = HexEncode(k.verifier.data(), k.verifier.size()) + header.BuildFooter();
    ASSERT_TRUE(output.Write(footer.data(), footer.size()));
}

// Reads a file back the way the decryption job does. False for an unreadable
// footer or a wrong password.
bool ReadEncrypted(const std::string& path, const std::string& password, const std::string& plainOut,
                   std::string& name) {
    CipherSettings settings = CipherSettings::ReadFooterSettings(path);
    CFile source, output;
    if (!source.Open(path, CFile::modeRead | CFile::shareDenyNone | CFile::typeBinary)) return false;
    CFileHeader header;
    if (!header.ReadFooter(source)) return false;
    std::vector<unsigned char> decrypted(static_cast<size_t>(header.GetKeyLength()));
    if (!header.DecryptVerifierWithPassword(password, decrypted.data())) return false;
    if (!KeyMatchesVerifier(decrypted.data(), decrypted.size(), settings, password)) return false;
    Keyed k = MakeKey(password, settings);
    InitVector iv;
    if (settings.GetFormatVersion() >= 3 && !iv.SetFromHex(header.GetIvHex())) return false;
    std::unique_ptr<ICipherMode> mode(CBCMode::CreateMode(settings));
    source.SeekToBegin();
    if (!output.Open(plainOut, CFile::modeCreate | CFile::modeReadWrite | CFile::typeBinary)) return false;
    if (!mode->DecryptStream(k.cipher.get(), header.GetSize(), header.GetPad(), source, output, iv)) return false;
    output.SetLength(header.GetSize());
    name = mode->DecryptName(header.GetEncryptedName(), k.cipher.get(), iv);
    return true;
}

class Footer : public ::testing::Test {
protected:
    std::string Encrypt(const std::string& plain, const std::string& hint, CipherSettings settings = {0, 2, 32, 3}) {
        testsupport::WriteFile(dir / "a.txt", plain);
        WriteEncrypted(dir / "a.txt", dir / "a.~enc", "secret", settings, hint, iv);
        return testsupport::ReadFile(dir / "a.~enc");
    }
    bool Parses(const std::string& footer) {
        CFileHeader header;
        return header.ParseFooter(footer);
    }
    bool Reads(const std::string& content) {
        testsupport::WriteFile(dir / "f", content);
        CFile file;
        EXPECT_TRUE(file.Open(dir / "f", CFile::modeRead));
        CFileHeader header;
        return header.ReadFooter(file);
    }

    testsupport::TempDir dir;
    InitVector iv;
};

}  // namespace

TEST_F(Footer, WorkedExampleIsLaidOutByteForByte) {
    std::string file = Encrypt("hello", "abc");
    ASSERT_EQ(177u, file.size());
    Keyed k = MakeKey("secret", CipherSettings(0, 2, 32, 3));
    std::string footer = file.substr(16);
    EXPECT_EQ(HexEncode(k.verifier.data(), 32), footer.substr(0, 64));
    ASSERT_EQ(161u, footer.size());
    std::string nameHex = footer.substr(64 + 1 + 32 + 1 + 3 + 1, 32);
    EXPECT_EQ(std::string::npos, nameHex.find_first_not_of("0123456789ABCDEF"));
    std::string rest = footer.substr(64 + 1 + 32 + 1 + 3 + 1 + 32);
    EXPECT_EQ(kSep + iv.GetHex() + kSep + "abc" + kSep, footer.substr(64, 1 + 32 + 1 + 3 + 1));
    EXPECT_EQ(kSep + "5" + kSep + "11" + kSep + "3" + kSep + "0" + kSep + "2" + kSep + "32" + kSep + "0" + kSep + " 161" +
                  kSep + "<zqv>",
              rest);
    EXPECT_EQ(12, std::count(footer.begin(), footer.end(), '\xA9'));

    std::string name;
    ASSERT_TRUE(ReadEncrypted(dir / "a.~enc", "secret", dir / "out", name));
    EXPECT_EQ("hello", testsupport::ReadFile(dir / "out"));
    EXPECT_EQ("a.txt", name);
    EXPECT_FALSE(ReadEncrypted(dir / "a.~enc", "Secret", dir / "out", name));
    EXPECT_EQ("abc", ReadHint(dir / "a.~enc"));
    EXPECT_TRUE(CipherSettings::ReadFooterSettings(dir / "a.~enc").Equals(CipherSettings(0, 2, 32, 3)));
}

TEST_F(Footer, EmptyAndBoundarySizesRoundTripWithMd5Keys) {
    for (size_t size : {0u, 16u, 17u}) {
        SCOPED_TRACE(size);
        std::string plain(size, 'x');
        std::string file = Encrypt(plain, "", CipherSettings(0, 0, 16, 3));
        CFile f;
        ASSERT_TRUE(f.Open(dir / "a.~enc", CFile::modeRead));
        CFileHeader header;
        ASSERT_TRUE(header.ReadFooter(f));
        EXPECT_EQ(size, header.GetSize());
        EXPECT_EQ(size % 16 ? static_cast<int>(16 - size % 16) : 0, header.GetPad());
        EXPECT_EQ(16, header.GetKeyLength());
        std::string name;
        ASSERT_TRUE(ReadEncrypted(dir / "a.~enc", "secret", dir / "out", name));
        EXPECT_EQ(plain, testsupport::ReadFile(dir / "out"));
    }
}

TEST_F(Footer, HintHoldingTheSeparatorRoundTripsWhole) {
    const std::string hint = "\xA9" "dog's " "\xA9" " name\xA9";
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
    std::string hint = ReadHint(dir / "a.~enc");
    EXPECT_GT(hint.size(), 9000u);
    EXPECT_EQ(std::string(hint.size(), 'h'), hint);
    std::string name;
    EXPECT_TRUE(ReadEncrypted(dir / "a.~enc", "secret", dir / "out", name));
}

TEST_F(Footer, VerifierHexIsReadInEitherCase) {
    std::string file = Encrypt("hello", "abc");
    std::string footer = file.substr(16);
    std::string lower = footer;
    std::transform(lower.begin(), lower.begin() + 64, lower.begin(), [](char c) { return static_cast<char>(std::tolower(c)); });
    CFileHeader upperHeader, lowerHeader;
    ASSERT_TRUE(upperHeader.ParseFooter(footer));
    ASSERT_TRUE(lowerHeader.ParseFooter(lower));
    EXPECT_TRUE(lowerHeader.OwnsVerifier());
    EXPECT_EQ(HexEncode(upperHeader.GetVerifier(), 32), HexEncode(lowerHeader.GetVerifier(), 32));
}

TEST_F(Footer, VersionTwoFilesUseRawVerifierNoVectorAndEcb) {
    CipherSettings settings(0, 0, 16, 2);
    Keyed k = MakeKey("secret", settings);
    std::string plain = "old file contents";  // 17 bytes
    std::string padded = plain + std::string(15, '\0');
    std::string ciphertext(padded.size(), '\0');
    k.cipher->EncryptBuffer(reinterpret_cast<const unsigned char*>(padded.data()),
                            reinterpret_cast<unsigned char*>(&ciphertext[0]), padded.size());
    std::string record = std::string("\x07\x00", 2) + "old.txt" + std::string(7, '\0');
    unsigned char nameBytes[16];
    k.cipher->EncryptBuffer(reinterpret_cast<const unsigned char*>(record.data()), nameBytes, 16);
    std::string body = std::string(reinterpret_cast<char*>(k.verifier.data()), 16) + kSep + "old hint" + kSep +
                       HexEncode(nameBytes, 16) + kSep + "17" + kSep + "15" + kSep + "2" + kSep + "0" + kSep + "0" + kSep +
                       "16" + kSep + "0" + kSep;
    char trailer[8];
    std::snprintf(trailer, sizeof trailer, "%4d", static_cast<int>(body.size() + 10));
    testsupport::WriteFile(dir / "old.~enc", ciphertext + body + trailer + kSep + "<zqv>");

    CFile f;
    ASSERT_TRUE(f.Open(dir / "old.~enc", CFile::modeRead));
    CFileHeader header;
    ASSERT_TRUE(header.ReadFooter(f));
    EXPECT_EQ("", header.GetIvHex());
    EXPECT_EQ(2, header.GetFormatVersion());
    EXPECT_EQ("old hint", header.GetHint());
    std::string name;
    ASSERT_TRUE(ReadEncrypted(dir / "old.~enc", "secret", dir / "out", name));
    EXPECT_EQ(plain, testsupport::ReadFile(dir / "out"));
    EXPECT_EQ("old.txt", name);
}

TEST_F(Footer, OldestFootersTakeTheVersionFieldAsPad) {
    std::string verifier(16, '\0');
    verifier[3] = 'v';
    for (const char* version : {"1", "x"}) {
        SCOPED_TRACE(version);
        std::string footer = verifier + kSep + "h" + kSep + "AB" + kSep + "9" + kSep + version + kSep + "7" + kSep + "0" +
                             kSep + "32" + kSep + "0" + kSep + "  99" + kSep + "<zqv>";
        CFileHeader header;
        ASSERT_TRUE(header.ParseFooter(footer));
        EXPECT_EQ(1, header.GetFormatVersion());
        EXPECT_EQ(16, header.GetKeyLength());
        EXPECT_EQ(0, header.GetCipherId());
        EXPECT_EQ(std::string(version) == "1" ? 1 : 0, header.GetPad());
        EXPECT_EQ(verifier, std::string(reinterpret_cast<const char*>(header.GetVerifier()), 16));
    }
}

TEST_F(Footer, TrailerTestNeedsMoreThanTheTag) {
    testsupport::WriteFile(dir / "five", "<zqv>");
    testsupport::WriteFile(dir / "six", "x<zqv>");
    EXPECT_FALSE(IsEncryptedFile(dir / "five"));
    EXPECT_TRUE(IsEncryptedFile(dir / "six"));
    EXPECT_FALSE(IsEncryptedFile(dir / "missing"));
}

TEST_F(Footer, FootersThatDoNotFitTheFileAreUnreadable) {
    for (size_t n = 6; n <= 9; ++n) EXPECT_FALSE(Reads(std::string(n - 5, ' ') + "<zqv>")) << n;
    EXPECT_FALSE(Reads("xx" + std::string("9999") + kSep + "<zqv>"));  // longer than the file
    EXPECT_FALSE(Reads("xx" + std::string("   5") + kSep + "<zqv>"));  // shorter than the trailer
    EXPECT_FALSE(Reads("xx" + std::string("  -1") + kSep + "<zqv>"));
    testsupport::WriteFile(dir / "zero", "xx   0" + kSep + "<zqv>");
    EXPECT_EQ("", ReadHint(dir / "zero"));
    EXPECT_EQ("Cant read hint!", ReadHint(dir / "missing"));
    EXPECT_TRUE(CipherSettings::ReadFooterSettings(dir / "missing").Equals(CipherSettings(0, 0, 16, 2)));
    EXPECT_TRUE(CipherSettings::ReadFooterSettings(dir / "zero").Equals(CipherSettings(0, 0, 16, 2)));
}

TEST_F(Footer, DamagedFieldsMakeTheFooterUnreadableAndLeaveTheHeaderAlone) {
    std::string good = Encrypt("hello", "abc").substr(16);
    const std::string verifierText = good.substr(0, 64);
    const unsigned char raw[32] = {0};
    auto footer = [&](const std::string& verifier, int keyLength, const std::string& ivHex) {
        return verifier + CFileHeader("hint", raw, "ABCD", 5, 11, 3, 0, 2, keyLength, ivHex).BuildFooter();
    };
    EXPECT_TRUE(Parses(footer(verifierText, 32, iv.GetHex())));
    EXPECT_FALSE(Parses(footer(verifierText.substr(0, 48), 24, iv.GetHex())));  // key length
    EXPECT_FALSE(Parses(footer(verifierText.substr(0, 20), 32, iv.GetHex())));  // verifier too short
    EXPECT_FALSE(Parses(footer(verifierText, 32, iv.GetHex().substr(1))));      // IV of 31 digits
    EXPECT_FALSE(Parses(footer(verifierText, 32, "Z" + iv.GetHex().substr(1))));
    EXPECT_FALSE(Parses(verifierText + kSep + "3" + kSep + "0" + kSep + "2" + kSep + "32" + kSep + "0" + kSep +
                        "  99" + kSep + "<zqv>"));  // too few fields

    CFileHeader header;
    ASSERT_TRUE(header.ParseFooter(good));
    EXPECT_FALSE(header.ParseFooter(footer(verifierText, 32, "short")));
    EXPECT_EQ("abc", header.GetHint());
    EXPECT_EQ(32, header.GetKeyLength());
    // The key length the caller holds bounds the comparison.
    std::vector<unsigned char> decrypted(16);
    EXPECT_FALSE(KeyMatchesVerifier(decrypted.data(), decrypted.size(), CipherSettings(0, 2, 32, 3), "secret"));
}
