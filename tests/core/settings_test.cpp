#include <gtest/gtest.h>

#include "core/cipher_settings.h"
#include "core/registry_dword.h"
#include "platform/settings_store.h"
#include "tests/support/test_support.h"

using Vastrel2::CIPHER::BuildCipherNames;
using Vastrel2::CIPHER::BuildHashNames;
using Vastrel2::CIPHER::CipherSettings;
using platform::RegRoot;

namespace {

const char* const kKey = "Software\\Halvenrod\\Vastrel";

class Settings : public testsupport::CleanSettingsTest {
protected:
    static bool Stored(const char* name, uint32_t& value) {
        value = 0;
        return platform::RegReadDword(RegRoot::CurrentUser, kKey, name, value);
    }
    static void Store(const char* name, uint32_t value) {
        ASSERT_TRUE(platform::RegWriteDword(RegRoot::CurrentUser, kKey, name, value));
    }
};

}  // namespace

TEST_F(Settings, PathSplitsAtTheLastBackslash) {
    RegistryDword doubled("\\Software\\Halvenrod\\Vastrel\\\\key", 2);
    EXPECT_EQ("Software\\Halvenrod\\Vastrel", doubled.SubKey());
    EXPECT_EQ("key", doubled.ValueName());

    RegistryDword bare("lonely", 0);
    EXPECT_EQ("", bare.SubKey());
    EXPECT_EQ("lonely", bare.ValueName());
}

TEST_F(Settings, AbsentValuesGiveTheirDefaults) {
    EXPECT_EQ(2u, RegistryDword::GetHashTypeSetting().Get());
    EXPECT_EQ(0u, RegistryDword::GetCipherSetting().Get());
    RegistryDword missing(VastrelSettingPath("nothing"), 77, 0);
    EXPECT_EQ(77u, missing.Get());
    EXPECT_EQ(77u, missing.Get());  // still not cached
}

TEST_F(Settings, SetWritesOnlyWhenChangedUnlessAlwaysReloaded) {
    uint32_t v;
    RegistryDword cached(VastrelSettingPath("Summary"), 0, 0);
    cached.Set(0);  // equals the (empty) cache: nothing is written
    EXPECT_FALSE(Stored("Summary", v));

    RegistryDword reloaded(VastrelSettingPath("Summary"), 0, 1);
    reloaded.Set(0);
    ASSERT_TRUE(Stored("Summary", v));
    EXPECT_EQ(0u, v);

    cached.Set(5);
    ASSERT_TRUE(Stored("Summary", v));
    EXPECT_EQ(5u, v);
}

TEST_F(Settings, CachedValueServesUntilReloadRequested) {
    Store("SCM", 3);
    RegistryDword cached(VastrelSettingPath("SCM"), 0, 0);
    RegistryDword live(VastrelSettingPath("SCM"), 0, 1);
    Store("SCM", 9);  // another program changes it
    EXPECT_EQ(3u, cached.Get());
    EXPECT_EQ(9u, live.Get());
    EXPECT_EQ(9u, cached.Read());
}

TEST_F(Settings, ValuesOfOtherSizesAndTypes) {
    // A value longer than four bytes cannot be read: the default comes back.
    const unsigned char eight[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    ASSERT_TRUE(platform::RegWriteRaw(RegRoot::CurrentUser, kKey, "cipher", 3, eight, 8));
    EXPECT_EQ(0u, RegistryDword::GetCipherSetting().Get());
    ASSERT_TRUE(platform::RegWriteRaw(RegRoot::CurrentUser, kKey, "key", 3, eight, 8));
    EXPECT_EQ(2u, RegistryDword::GetHashTypeSetting().Get());

    // The type is not looked at: four bytes of binary data read as a number.
    const unsigned char four[4] = {0x2A, 0, 0, 0};
    ASSERT_TRUE(platform::RegWriteRaw(RegRoot::CurrentUser, kKey, "ShredPasses", 3, four, 4));
    EXPECT_EQ(42u, RegistryDword(VastrelSettingPath("ShredPasses"), 0, 1).Get());
}

TEST_F(Settings, ValidRecordsStayAndOthersTakeTheDefaults) {
    Store("key", 0);
    CipherSettings md5(0, 0, 16, 3), sha(0, 2, 32, 3);
    EXPECT_TRUE(md5.Equals(CipherSettings(0, 0, 16, 3)));
    EXPECT_EQ(2, sha.GetHashType());
    EXPECT_EQ(32, sha.GetKeyLength());

    // Invalid records are replaced by the stored defaults: here MD5.
    const int invalid[][4] = {{0, 1, 28, 3}, {1, 2, 32, 3}, {0, 3, 16, 3}, {0, 0, 32, 3}, {0, 2, 64, 3}, {0, 2, 0, 3}};
    for (const auto& r : invalid) {
        CipherSettings s(r[0], r[1], r[2], r[3]);
        EXPECT_EQ(0, s.GetCipherId());
        EXPECT_EQ(0, s.GetHashType());
        EXPECT_EQ(16, s.GetKeyLength());
        EXPECT_EQ(3, s.GetFormatVersion());
    }
}

TEST_F(Settings, LoadDefaultsFollowsTheStoredChoice) {
    CipherSettings s;
    s.LoadDefaults();
    EXPECT_TRUE(s.Equals(CipherSettings(0, 2, 32, 3)));

    Store("key", 2);
    s.LoadDefaults();
    EXPECT_TRUE(s.Equals(CipherSettings(0, 2, 32, 3)));

    Store("key", 0);
    s.LoadDefaults();
    EXPECT_EQ(0, s.GetHashType());
    EXPECT_EQ(16, s.GetKeyLength());
}

TEST_F(Settings, UnusableStoredChoicesFallBackForNewFiles) {
    Store("key", 1);  // would give 28 key bytes, not a whole number of blocks
    CipherSettings s;
    s.LoadDefaults();
    EXPECT_EQ(2, s.GetHashType());
    EXPECT_EQ(32, s.GetKeyLength());

    Store("key", 0);
    Store("cipher", 4);  // names no cipher
    s.LoadDefaults();
    EXPECT_EQ(0, s.GetCipherId());
    EXPECT_EQ(0, s.GetHashType());

    Store("key", 0xFFFFFFFF);
    s.LoadDefaults();
    EXPECT_EQ(2, s.GetHashType());
    EXPECT_EQ(32, s.GetKeyLength());
}

TEST_F(Settings, KeeperPutsBackWhatItFound) {
    const unsigned char raw[3] = {1, 2, 3};
    ASSERT_TRUE(platform::RegWriteRaw(RegRoot::CurrentUser, kKey, "other", 3, raw, 3));
    Store("key", 0);
    {
        testsupport::SettingsKeeper keeper;
        testsupport::ClearVastrelSettings();
        Store("key", 2);
        Store("cipher", 7);
    }
    uint32_t v;
    EXPECT_TRUE(Stored("key", v) && v == 0);
    EXPECT_FALSE(Stored("cipher", v));
    EXPECT_TRUE(Stored("other", v) && v == 0x030201);  // three bytes of binary data, as they were
}

TEST(CipherSettingsTables, KeyLengthsAndNames) {
    EXPECT_EQ(16, CipherSettings::KeyLengthForHash(0));
    EXPECT_EQ(28, CipherSettings::KeyLengthForHash(1));
    EXPECT_EQ(32, CipherSettings::KeyLengthForHash(2));
    EXPECT_EQ(0, CipherSettings::KeyLengthForHash(3));
    EXPECT_EQ(0, CipherSettings::KeyLengthForHash(-1));

    auto hashes = BuildHashNames();
    ASSERT_EQ(2u, hashes.size());
    EXPECT_EQ("MD5 - 128 bit key", hashes[0]);
    EXPECT_EQ("SHA256 - 256 bit key - Default", hashes[2]);
    auto ciphers = BuildCipherNames();
    ASSERT_EQ(1u, ciphers.size());
    EXPECT_EQ("Blowfish - Default", ciphers[0]);
}
