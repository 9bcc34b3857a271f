#include "core/cipher_result.h"
#include "core/secure_delete.h"
#include "tests/ui/ui_test_support.h"
#include "ui/file_run.h"
#include "ui/summary_dlg.h"

namespace {

using testsupport::Exists;
using testsupport::ReadFile;
using testsupport::WriteFile;

class FileRunTest : public uitest::UiTest {
protected:
    FileRunTest() { testsupport::ClearVastrelSettings(); }
    ~FileRunTest() override { testsupport::ClearVastrelSettings(); }
    std::string Encrypted(const std::string& name, const std::string& data) {
        WriteFile(m_dir / name, data);
        FileRun run(FileRun::kEncrypt, "password1", true, false, "the hint");
        FileRun::Step step = run.Process(m_dir / name, &m_shredder);
        EXPECT_EQ(0, step.result);
        return step.path;
    }
    CSecureDelete m_shredder;
};

TEST_F(FileRunTest, OriginalGoesOnlyOnceItsEncryptedCopyIsComplete) {
    WriteFile(m_dir / "a.txt", "alpha");
    WriteFile(m_dir / "locked.txt", "beta");
    WriteFile(m_dir / "done.~enc", "x");
    Encrypted("done.txt", "gamma");  // an encrypted file: refused below

    FileRun run(FileRun::kEncrypt, "password1", true, false, "");
    EXPECT_EQ("none", run.Hint());
    FileRun::Step ok = run.Process(m_dir / "a.txt", &m_shredder);
    EXPECT_EQ(0, ok.result);
    EXPECT_TRUE(ok.changed);
    EXPECT_EQ(m_dir / "a.~enc", ok.path);
    EXPECT_FALSE(Exists(m_dir / "a.txt"));
    EXPECT_EQ("OK", ok.Value());

    // Refused and failed files keep their originals, whatever the code.
    FileRun::Step again = run.Process(m_dir / "done_1.~enc", &m_shredder);
    EXPECT_EQ(-3, again.result);
    EXPECT_TRUE(Exists(m_dir / "done_1.~enc"));
    FileRun::Step missing = run.Process(m_dir / "gone.txt", &m_shredder);
    EXPECT_EQ(-10, missing.result);
    EXPECT_EQ("File does not exists", missing.Value());
    FileRun::Step folder = run.Process(m_dir.Path(), &m_shredder);
    EXPECT_EQ(-9, folder.result);
    EXPECT_EQ(std::string(1, kResultDetailsSeparator) + "The path is a folder", folder.Value());

    // Another program holds the original without letting it be renamed or
    // deleted: it is encrypted, the original stays as it was, the run is told.
    testsupport::FileHolder holder(m_dir / "locked.txt", "rw");
    FileRun::Step left = run.Process(m_dir / "locked.txt", &m_shredder);
    holder.Release();
    EXPECT_EQ(0, left.result);
    EXPECT_TRUE(left.changed);
    EXPECT_TRUE(left.originalLeft);
    EXPECT_FALSE(left.originalOverwritten);
    EXPECT_EQ("beta", ReadFile(m_dir / "locked.txt"));
    EXPECT_TRUE(Exists(left.path));
    EXPECT_EQ(WithDetails("OK", "original could not be removed"), left.Value());

    // The disk fails while the original is overwritten: it is no longer
    // whole, and the run is told so.
    WriteFile(m_dir / "failing.txt", "epsilon");
    const std::string failing = m_dir / "failing.txt";
    int writes = 0;
    platform::WriteHook previous = platform::SetWriteHook(
        [&](const std::string& path, size_t) { return path != failing || ++writes == 1; });
    FileRun::Step overwritten = run.Process(failing, &m_shredder);
    platform::SetWriteHook(previous);
    EXPECT_EQ(0, overwritten.result);
    EXPECT_FALSE(overwritten.originalLeft);
    EXPECT_TRUE(overwritten.originalOverwritten);
    EXPECT_NE("epsilon", ReadFile(failing));
    EXPECT_TRUE(Exists(overwritten.path));
    EXPECT_EQ(WithDetails("OK", "original was overwritten but could not be removed; the encrypted file " +
                                    overwritten.path + " is the only good copy"),
              overwritten.Value());

    // The shredder moved the overwritten original and then could not
    // examine it there: the details say where it is.
    WriteFile(m_dir / "moved.txt", "zeta");
    const std::string scratch = m_dir / "AAAAA.AAA";
    platform::IdentityHook previousIdentity =
        platform::SetIdentityHook([&](const std::string& path) { return path != scratch; });
    FileRun::Step moved = run.Process(m_dir / "moved.txt", &m_shredder);
    platform::SetIdentityHook(previousIdentity);
    EXPECT_TRUE(moved.originalOverwritten);
    EXPECT_EQ(scratch, moved.remnant.path);
    EXPECT_FALSE(Exists(m_dir / "moved.txt"));
    EXPECT_NE("zeta", ReadFile(scratch));
    EXPECT_EQ(WithDetails("OK", "original was overwritten but could not be removed; the encrypted file " +
                                    moved.path + " is the only good copy; what is left of the original is now " +
                                    scratch),
              moved.Value());
    EXPECT_EQ(m_dir / "moved.txt (" + moved.details + ")", moved.OriginalLeft());

    // Without a shredder (an archive run) the original stays.
    WriteFile(m_dir / "kept.txt", "delta");
    FileRun::Step kept = run.Process(m_dir / "kept.txt", nullptr);
    EXPECT_EQ(0, kept.result);
    EXPECT_FALSE(kept.originalLeft);
    EXPECT_EQ("delta", ReadFile(m_dir / "kept.txt"));
}

TEST_F(FileRunTest, DecryptionTellsTheHintTheRenamedFileAndWhereTheDataIs) {
    std::string wrong = Encrypted("wrong.txt", "one");
    std::string renamed = Encrypted("renamed.txt", "two");
    std::string stuck = Encrypted("stuck.txt", "three");
    WriteFile(m_dir / "renamed.txt", "older");
    WriteFile(m_dir / "stuck.txt", "older");
    WriteFile(m_dir / "stuck.txt.old", "oldest");

    FileRun other(FileRun::kDecrypt, "another", true, false);
    FileRun::Step refused = other.Process(wrong, nullptr);
    EXPECT_EQ(-5, refused.result);
    EXPECT_EQ(WrongPasswordResult("the hint"), refused.Value());
    EXPECT_TRUE(Exists(wrong));

    FileRun run(FileRun::kDecrypt, "password1", true, false);
    FileRun::Step moved = run.Process(renamed, nullptr);
    EXPECT_EQ(-14, moved.result);
    EXPECT_TRUE(moved.changed);  // decrypted: its row follows the new file
    EXPECT_EQ(m_dir / "renamed.txt", moved.path);
    EXPECT_EQ("two", ReadFile(m_dir / "renamed.txt"));
    EXPECT_EQ("older", ReadFile(m_dir / "renamed.txt.old"));
    EXPECT_EQ("File already exists and has been renamed to <filename>.old", moved.Value());

    // The old file cannot be moved aside: nothing is lost, and the result
    // tells where the data is.
    FileRun::Step blocked = run.Process(stuck, nullptr);
    EXPECT_EQ(99, blocked.result);
    EXPECT_FALSE(blocked.changed);
    EXPECT_NE(std::string::npos, blocked.details.find(stuck)) << blocked.details;
    EXPECT_TRUE(Exists(stuck));
    EXPECT_EQ("older", ReadFile(m_dir / "stuck.txt"));
    EXPECT_EQ("oldest", ReadFile(m_dir / "stuck.txt.old"));
    FileRun::Step after = run.Process(stuck, nullptr);  // still decryptable once the way is clear
    EXPECT_EQ(99, after.result);
    DeleteFileA((m_dir / "stuck.txt.old").c_str());
    FileRun::Step cleared = run.Process(stuck, nullptr);
    EXPECT_EQ(-14, cleared.result);
    EXPECT_EQ("three", ReadFile(m_dir / "stuck.txt"));

    FileRun::Step plain = run.Process(m_dir / "renamed.txt.old", nullptr);
    EXPECT_EQ(-4, plain.result);
    EXPECT_EQ("File not encrypted", plain.Value());
}

}  // namespace
