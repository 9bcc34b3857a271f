#include <gtest/gtest.h>

#include <ostream>
#include <string>

#include "core/registry_dword.h"
#include "core/secure_delete.h"
#include "platform/file.h"
#include "platform/settings_store.h"
#include "tests/support/test_support.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using testsupport::ListDir;
using testsupport::ReadFile;
using testsupport::WriteFile;

void PrintTo(ShredOutcome outcome, std::ostream* out) {
    *out << (outcome == ShredOutcome::kUntouched ? "untouched"
             : outcome == ShredOutcome::kDestroyed ? "destroyed"
                                                    : "overwritten");
}

namespace {

class Shredder : public testsupport::CleanSettingsTest {
protected:
    static uint32_t StoredPasses() {
        uint32_t value = 0;
        platform::RegReadDword(platform::RegRoot::CurrentUser, kVastrelSettingsKey, "ShredPasses", value);
        return value;
    }

    testsupport::TempDir dir;
};

// Opens the file to read it after the shred, its name gone (a second name
// would make the shredder refuse it), and reads it.
bool Witness(CFile& file, const std::string& path) {
    return file.Open(path, CFile::modeRead | CFile::shareDenyNone | CFile::osDeleteAccess);
}
std::string BytesOf(CFile& file) {
    std::string data(static_cast<size_t>(file.GetLength()), '\0');
    data.resize(file.ReadAt(0, &data[0], data.size()));
    return data;
}

}  // namespace

TEST_F(Shredder, PassesComeFromTheSettingAndZeroBecomesOne) {
    EXPECT_EQ(1, CSecureDelete().GetPasses());
    EXPECT_EQ(1u, StoredPasses());
    platform::RegWriteDword(platform::RegRoot::CurrentUser, kVastrelSettingsKey, "ShredPasses", 0);
    CSecureDelete shredder;
    EXPECT_EQ(1, shredder.GetPasses());
    EXPECT_EQ(1u, StoredPasses());

    shredder.SetPasses(7);
    EXPECT_EQ(7, CSecureDelete().GetPasses());
    shredder.SetPassCount(2);  // this object only
    EXPECT_EQ(2, shredder.GetPasses());
    EXPECT_EQ(7u, StoredPasses());
}

// A damaged setting never means no overwrite at all, nor an endless one.
TEST_F(Shredder, PassCountsOutsideTheRangeAreBounded) {
    for (uint32_t stored : {0x80000000u, 0xFFFFFFFFu}) {  // negative as the signed number stored
        platform::RegWriteDword(platform::RegRoot::CurrentUser, kVastrelSettingsKey, "ShredPasses", stored);
        EXPECT_EQ(1, CSecureDelete().GetPasses()) << stored;
    }
    CSecureDelete shredder;
    shredder.SetPassCount(0);
    EXPECT_EQ(1, shredder.GetPasses());
    shredder.SetPassCount(1000);
    EXPECT_EQ(16, shredder.GetPasses());
    shredder.SetPasses(-3);
    EXPECT_EQ(1, shredder.GetPasses());

    // Stored as -1: the file is still overwritten before it goes.
    platform::RegWriteDword(platform::RegRoot::CurrentUser, kVastrelSettingsKey, "ShredPasses", 0xFFFFFFFFu);
    const std::string path = dir / "secret.txt";
    WriteFile(path, std::string(1000, 's'));
    CFile witness;
    ASSERT_TRUE(Witness(witness, path));
    EXPECT_TRUE(CSecureDelete().DeleteFile(path));
    EXPECT_EQ(std::string::npos, BytesOf(witness).find("ssss"));
}

TEST_F(Shredder, OverwritesEveryByteThenRemovesTheFile) {
    const std::string path = dir / "report.doc";
    // More than one large write, ending in a part of a block.
    const size_t size = CSecureDelete::kWriteSize + 3 * CSecureDelete::kBlockSize + 1234;
    std::string data(size, '\0');
    for (size_t i = 0; i < size; ++i) data[i] = static_cast<char>('a' + i % 23);
    WriteFile(path, data);
    CFile witness;
    ASSERT_TRUE(Witness(witness, path));

    CSecureDelete shredder;
    shredder.SetPassCount(2);
    EXPECT_TRUE(shredder.SecureDeleteFile(path));

    // Left behind: the random pattern, the same in every block.
    const std::string left = BytesOf(witness);
    witness.Close();
    EXPECT_TRUE(ListDir(dir.Path()).empty());
    const size_t block = CSecureDelete::kBlockSize;
    ASSERT_EQ(size, left.size());
    EXPECT_EQ(std::string::npos, left.find("abcdefghijklmnopqrstuvw"));
    EXPECT_NE(std::string(block, '\0'), left.substr(0, block));
    EXPECT_NE(std::string(block, '\xFF'), left.substr(0, block));
    EXPECT_EQ(left.substr(0, block), left.substr(block, block));
    EXPECT_EQ(left.substr(0, block), left.substr(CSecureDelete::kWriteSize, block));
    EXPECT_EQ(left.substr(0, 1234), left.substr(size - 1234));
}

TEST_F(Shredder, RenamesLetterByLetterAndStopsAtATakenName) {
    WriteFile(dir / "report.doc", "secret");
    WriteFile(dir / "CCCCCC.CCC", "bystander");  // the third rename target
    WriteFile(dir / "x.tar.gz", "archive");
    WriteFile(dir / "B.BBB.BB", "other bystander");  // the dots stay in place
    CSecureDelete shredder;
    EXPECT_TRUE(shredder.SecureDeleteFile(dir / "report.doc"));
    EXPECT_TRUE(shredder.SecureDeleteFile(dir / "x.tar.gz"));
    EXPECT_EQ((std::vector<std::string>{"B.BBB.BB", "CCCCCC.CCC"}), ListDir(dir.Path()));
    EXPECT_EQ("bystander", ReadFile(dir / "CCCCCC.CCC"));
    EXPECT_EQ("other bystander", ReadFile(dir / "B.BBB.BB"));
}

TEST_F(Shredder, ReadOnlyAndEmptyFilesGoToo) {
    const std::string readOnly = dir / "locked.txt";
    WriteFile(readOnly, "x");  // one byte: the last byte and the only block
    CFileStatus st;
    st.m_attribute = kAttrReadOnly;
    ASSERT_TRUE(CFile::SetStatus(readOnly, st));
    WriteFile(dir / "empty1", "");
    WriteFile(dir / "empty2", "");
    CSecureDelete shredder;
    EXPECT_TRUE(shredder.DeleteFile(readOnly));
    EXPECT_TRUE(shredder.DeleteFile(dir / "empty1"));
    EXPECT_TRUE(shredder.SecureDeleteFile(dir / "empty2"));
    EXPECT_TRUE(ListDir(dir.Path()).empty());
}

TEST_F(Shredder, FailuresAreReturnedNeverThrown) {
    testsupport::MessageRecorder recorder;
    CSecureDelete shredder;
    testsupport::MakeDir(dir / "folder");
    const std::string longPath = dir.Path() + platform::kPathSep + std::string(270 - dir.Path().size(), 'n');
    for (const std::string& path : {dir / "missing.txt", std::string(), dir / "folder", longPath})
        EXPECT_FALSE(shredder.DeleteFile(path)) << path;
    EXPECT_FALSE(shredder.SecureDeleteFile(longPath));
    EXPECT_TRUE(testsupport::Exists(dir / "folder"));
    EXPECT_TRUE(recorder.messages.empty());

    // Only a file that cannot be opened is reported, with the system's own words.
    EXPECT_FALSE(shredder.SecureDeleteFile(dir / "missing.txt"));
    ASSERT_EQ(1u, recorder.messages.size());
    const std::string& text = recorder.messages[0].text;
    const std::string prefix = "An error occured while processing file: " + (dir / "missing.txt") + "\n";
    EXPECT_EQ(prefix, text.substr(0, prefix.size()));
    EXPECT_GT(text.size(), prefix.size() + 1);
    EXPECT_EQ('\n', text.back());
    EXPECT_EQ("Vastrel 2", recorder.messages[0].caption);
    EXPECT_EQ(platform::kMbIconError, recorder.messages[0].style);

#ifdef _WIN32
    WriteFile(dir / "busy.txt", "in use");
    HANDLE h = CreateFileA((dir / "busy.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_FALSE(shredder.DeleteFile(dir / "busy.txt"));  // has bytes: shredded or nothing, and it cannot be opened
    EXPECT_FALSE(shredder.SecureDeleteFile(dir / "busy.txt"));
    CloseHandle(h);
    EXPECT_EQ(3u, recorder.messages.size());
    EXPECT_EQ("in use", ReadFile(dir / "busy.txt"));

    WriteFile(dir / "hidden.txt", "h");
    SetFileAttributesA((dir / "hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    EXPECT_TRUE(shredder.DeleteFile(dir / "hidden.txt"));
#endif
}

// A write that fails halfway (a failing disk) leaves a file that is neither
// whole nor gone, and the caller is told so.
TEST_F(Shredder, AnOverwriteThatStopsHalfwayIsToldApartFromAnUntouchedFile) {
    const std::string path = dir / "half.txt";
    const std::string data = testsupport::Bytes(3 * CSecureDelete::kBlockSize, 7);
    WriteFile(path, data);
    int writes = 0;
    platform::WriteHook previous = platform::SetWriteHook([&](const std::string& to, size_t) {
        return to != path || ++writes == 1;  // the last byte goes, nothing after it
    });
    testsupport::MessageRecorder recorder;
    CSecureDelete shredder;
    EXPECT_EQ(ShredOutcome::kOverwritten, shredder.Shred(path));
    EXPECT_EQ(ShredOutcome::kOverwritten, shredder.ShredOrRemove(path));
    platform::SetWriteHook(previous);
    ASSERT_TRUE(testsupport::Exists(path));
    const std::string left = ReadFile(path);
    EXPECT_EQ(data.size(), left.size());
    EXPECT_FALSE(left == data);
    EXPECT_EQ(std::vector<std::string>{"half.txt"}, ListDir(dir.Path()));

    EXPECT_EQ(ShredOutcome::kDestroyed, shredder.Shred(path));
    EXPECT_EQ(ShredOutcome::kUntouched, shredder.Shred(dir / "never there"));
    EXPECT_TRUE(ListDir(dir.Path()).empty());
}

#ifdef _WIN32
// Another program has the file open: it is overwritten only when it can
// then be removed; otherwise it is refused before a byte changes, the user
// is told, and the file stays as it was (read-only when it was).
TEST_F(Shredder, AFileInUseIsOverwrittenOnlyWhenItCanBeRemoved) {
    struct Case {
        const char* name;
        const char* share;
        bool readOnly;
        ShredOutcome expected;
    };
    const Case cases[] = {{"shared.txt", "rw", false, ShredOutcome::kUntouched},
                          {"deletable.txt", "rwd", false, ShredOutcome::kDestroyed},
                          {"exclusive.txt", "", false, ShredOutcome::kUntouched},
                          {"readonly.txt", "rw", true, ShredOutcome::kUntouched}};
    CSecureDelete shredder;
    unsigned seed = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir / c.name;
        const std::string data = testsupport::Bytes(100000, ++seed);
        WriteFile(path, data);
        if (c.readOnly) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
        testsupport::FileHolder holder(path, c.share);
        ASSERT_TRUE(holder.Holding());
        testsupport::MessageRecorder recorder;
        EXPECT_EQ(c.expected, shredder.ShredOrRemove(path));
        if (c.expected == ShredOutcome::kUntouched) {
            EXPECT_EQ(c.expected, shredder.Shred(path));
        }
        holder.Release();
        if (c.expected == ShredOutcome::kDestroyed) {
            EXPECT_TRUE(recorder.messages.empty());
            EXPECT_FALSE(testsupport::Exists(path));
            continue;
        }
        EXPECT_TRUE(ReadFile(path) == data);
        EXPECT_EQ(c.readOnly ? DWORD(FILE_ATTRIBUTE_READONLY) : 0u,
                  GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_READONLY);
        ASSERT_FALSE(recorder.messages.empty());
        EXPECT_EQ(0u, recorder.messages.back().text.find("An error occured while processing file: " + path + "\n"));
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        EXPECT_EQ(ShredOutcome::kDestroyed, shredder.Shred(path));  // let go: now it goes
    }
    EXPECT_TRUE(ListDir(dir.Path()).empty());
}
#else
// A folder that does not let this process remove the file, and a read-only
// file that it may write but whose read-only bit it cannot clear: each is
// refused before a byte changes, though it could be opened for writing. A
// file with bytes that it cannot open stays, never removed plainly.
TEST_F(Shredder, AFileThatCannotBeRemovedIsNeverOverwritten) {
    const std::string folder = dir / "kept";
    testsupport::MakeDir(folder);
    const std::string path = folder + "/letter.txt";
    const std::string data = testsupport::Bytes(5000, 3);
    WriteFile(path, data);
    ::chmod(path.c_str(), 0666);
    ::chmod(dir.Path().c_str(), 0755);
    const std::string open = dir / "open", closed = open + "/closed.txt", readOnly = open + "/readonly.txt";
    testsupport::MakeDir(open);
    WriteFile(closed, data);
    WriteFile(readOnly, data);
    ::chmod(closed.c_str(), 0200);
    ::chmod(readOnly.c_str(), 0466);
    ::chmod(open.c_str(), 0777);
    CSecureDelete shredder;
    testsupport::MessageRecorder recorder;
    // 0: opened for writing, and refused by the shredder.
    auto attempt = [&]() -> int {
        CFile writable;
        if (!writable.Open(path, CFile::modeReadWrite)) return 1;
        writable.Close();
        if (shredder.Shred(path) != ShredOutcome::kUntouched) return 2;
        // Another's file, that others may write.
        if (::access(readOnly.c_str(), W_OK) == 0 && shredder.Shred(readOnly) != ShredOutcome::kUntouched) return 4;
        return shredder.ShredOrRemove(closed) == ShredOutcome::kUntouched ? 0 : 5;
    };
    if (::geteuid() != 0) {
        ::chmod(folder.c_str(), 0555);
        EXPECT_EQ(0, attempt());
    } else {
        // Nothing stops the super-user: the attempt is made by "nobody".
        ::chmod(folder.c_str(), 0755);
        pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(3);
            ::_exit(attempt());
        }
        int status = 0;
        ASSERT_EQ(child, ::waitpid(child, &status, 0));
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(0, WEXITSTATUS(status));
    }
    ::chmod(folder.c_str(), 0755);
    EXPECT_TRUE(ReadFile(path) == data);  // byte for byte (no dump of 5000 bytes)
    EXPECT_EQ(std::vector<std::string>{"letter.txt"}, ListDir(folder));
    ::chmod(closed.c_str(), 0600);
    EXPECT_TRUE(ReadFile(closed) == data && ReadFile(readOnly) == data);
}
#endif

// Refused before a byte changes, and the user told why: a file with a second
// name, a link, and one with bytes that cannot be opened; a file saved under
// the name while the shredder works stays whole.
TEST_F(Shredder, OnlyAFileItsNameHoldsAloneIsOverwritten) {
    testsupport::MessageRecorder recorder;
    CSecureDelete shredder;
    const std::string secret = testsupport::Bytes(70000, 5), a = dir / "a.txt", b = dir / "b.txt";
    WriteFile(a, secret);
    if (testsupport::MakeHardLink(a, b)) {
        EXPECT_EQ(ShredOutcome::kUntouched, shredder.Shred(a));
        EXPECT_EQ(ShredOutcome::kUntouched, shredder.ShredOrRemove(b));
        ASSERT_EQ(2u, recorder.messages.size());
        const std::string why = "An error occured while processing file: " + b + "\nThe file has more than one name";
        EXPECT_EQ(why, recorder.messages[1].text.substr(0, why.size()));
        EXPECT_TRUE(ReadFile(a) == secret && ReadFile(b) == secret);
        CFile::Remove(b);
    }
    {
        testsupport::SymbolicLink link(a, b);
        if (link.Made()) {
            EXPECT_EQ(ShredOutcome::kUntouched, shredder.ShredOrRemove(b));
        }
    }
    EXPECT_TRUE(ReadFile(a) == secret);

    // Saved over the name (Wine never replaces an open file) or after
    // moving the old file aside.
    for (bool aside : {false, true}) {
        int writes = 0;
        bool saved = false;
        platform::WriteHook previous = platform::SetWriteHook([&](const std::string& to, size_t) {
            if (to == a && writes++ == 0) {
                WriteFile(b, "newer");
                if (aside) CFile::Rename(a, dir / "a.bak");
                saved = platform::MoveReplacing(b, a);
            }
            return true;
        });
        ShredRemnant remnant;
        const ShredOutcome outcome = shredder.Shred(a, &remnant);
        platform::SetWriteHook(previous);
        EXPECT_TRUE(saved || !aside);
        if (saved) {
            // The file written to was the one moved away: overwritten all
            // the same, and the newer one is no part of it.
            EXPECT_EQ(ShredOutcome::kOverwritten, outcome);
            EXPECT_EQ(a, remnant.path);
            EXPECT_FALSE(remnant.StillThere());
            EXPECT_EQ("newer", ReadFile(a));
        }
        CFile::Remove(dir / "a.bak");
        WriteFile(a, secret);
    }
#ifdef _WIN32
    // Held by a program that lets it be deleted, but not read or written.
    HANDLE held = CreateFileA(a.c_str(), GENERIC_READ, FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(ShredOutcome::kUntouched, shredder.ShredOrRemove(a));
    CloseHandle(held);
    EXPECT_TRUE(ReadFile(a) == secret);
#endif
}

// Once a byte is written the shred is never called untouched: the file is
// reported overwritten under the last name the shredder had it, also when
// that name can no longer be told to lead to it, or leads to another file.
// What the shredder cannot tell apart it leaves as it is.
TEST_F(Shredder, AnOverwriteItCannotConfirmIsNeverCalledUntouched) {
    const std::string path = dir / "notes.txt", scratch = dir / "AAAAA.AAA", moved = dir / "moved.txt";
    enum Blind { kNever, kAfterFirstPattern, kAlways };
    struct Case {
        const char* name;
        Blind blind;             // when looks at the file by `blindTo` start failing
        std::string blindTo;
        int failingWrite;        // this write fails (0: none)
        std::string swapAt;      // another program moves the file away and puts its own here
        bool viaShredOrRemove;
        std::string remnant;     // where the shredder last had the file
    };
    // Each pattern of a 5000-byte file is two writes: the last byte, then the rest.
    const Case cases[] = {
        {"unreadable after the first pattern, a write of pass 2 fails", kAfterFirstPattern, path, 7, "", false, path},
        {"unreadable after the first pattern", kAfterFirstPattern, path, 0, "", true, path},
        {"unreadable after the last pattern", kAlways, path, 0, "", false, path},
        {"unreadable at the first new name", kAlways, scratch, 0, "", true, scratch},
        {"another file at the path after the first pattern", kNever, "", 0, path, false, path},
        {"another file at the first new name", kNever, "", 0, scratch, true, scratch},
    };
    CSecureDelete shredder;
    shredder.SetPassCount(2);
    unsigned seed = 10;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string data = testsupport::Bytes(5000, ++seed);
        WriteFile(path, data);
        CFileStatus readOnly;
        readOnly.m_attribute = kAttrReadOnly;  // the other file must not get this back
        ASSERT_TRUE(CFile::SetStatus(path, readOnly));
        platform::FileIdentity original;
        ASSERT_TRUE(platform::GetFileIdentity(path, original));

        int writes = 0;
        bool blind = c.blind == kAlways, swapped = false;
        auto swap = [&]() {
            swapped = CFile::Rename(c.swapAt, moved);
            WriteFile(c.swapAt, "another program's file");
        };
        platform::WriteHook previousWrite = platform::SetWriteHook([&](const std::string& to, size_t) {
            if (to != path) return true;
            ++writes;
            if (writes == 3 && c.blind == kAfterFirstPattern) blind = true;
            if (writes == 3 && c.swapAt == path) swap();
            return writes != c.failingWrite;
        });
        platform::IdentityHook previousIdentity = platform::SetIdentityHook([&](const std::string& at) {
            if (at == c.swapAt && at != path && !swapped) swap();
            return !(blind && at == c.blindTo);
        });
        testsupport::MessageRecorder recorder;
        ShredRemnant remnant;
        const ShredOutcome outcome = c.viaShredOrRemove ? shredder.ShredOrRemove(path, &remnant)
                                                        : shredder.Shred(path, &remnant);
        platform::SetIdentityHook(previousIdentity);
        platform::SetWriteHook(previousWrite);

        EXPECT_EQ(ShredOutcome::kOverwritten, outcome);
        EXPECT_EQ(c.remnant, remnant.path);
        EXPECT_TRUE(remnant.identity == original);
        EXPECT_TRUE(recorder.messages.empty());
        // The overwritten file, wherever it is: not a trace of its data.
        const std::string where = c.swapAt.empty() ? c.remnant : moved;
        EXPECT_TRUE(swapped || c.swapAt.empty());
        EXPECT_EQ(c.swapAt.empty(), remnant.StillThere());
        const std::string left = ReadFile(where);
        EXPECT_EQ(data.size(), left.size());
        EXPECT_EQ(std::string::npos, left.find(data.substr(0, 16)));
        if (!c.swapAt.empty()) {
            // The other program's file is as it was put there: not written, not made read-only.
            EXPECT_EQ("another program's file", ReadFile(c.swapAt));
            CFileStatus other;
            ASSERT_TRUE(CFile::GetStatus(c.swapAt, other));
            EXPECT_EQ(0, other.m_attribute & kAttrReadOnly);
        }
        for (const std::string& name : ListDir(dir.Path())) {
            CFileStatus writable;
            CFile::SetStatus(dir / name, writable);
            CFile::Remove(dir / name);
        }
    }
}

// A file the shredder refuses, or stops on before it can remove it, gets
// back the attributes (and, where files carry them, the permissions) it had:
// lifting the read-only flag and setting it again must not take away what
// others were allowed.
TEST_F(Shredder, AFileItStopsOnKeepsItsAttributesExactly) {
    testsupport::MessageRecorder recorder;
    CSecureDelete shredder;
    const std::string a = dir / "a.txt", b = dir / "b.txt", failing = dir / "failing.txt";
    const std::string data = testsupport::Bytes(3000, 4);
    WriteFile(a, data);
    WriteFile(failing, data);
#ifdef _WIN32
    const DWORD found = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE;
    auto Attributes = [](const std::string& path) -> uint32_t { return GetFileAttributesA(path.c_str()); };
    auto Set = [&](const std::string& path) { SetFileAttributesA(path.c_str(), found); };
#else
    const uint32_t found = 0466;  // read-only to its owner, writable by everyone else
    auto Attributes = [](const std::string& path) -> uint32_t {
        struct stat st;
        return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
    };
    auto Set = [&](const std::string& path) { ::chmod(path.c_str(), found); };
#endif
    Set(a);
    Set(failing);
    if (testsupport::MakeHardLink(a, b)) {
        EXPECT_EQ(ShredOutcome::kUntouched, shredder.Shred(a));
        EXPECT_EQ(ShredOutcome::kUntouched, shredder.ShredOrRemove(b));
        EXPECT_EQ(found, Attributes(a));
        EXPECT_TRUE(ReadFile(a) == data && ReadFile(b) == data);
    }
    // The disk fails after the first byte: overwritten, and as it was found otherwise.
    int writes = 0;
    platform::WriteHook previous =
        platform::SetWriteHook([&](const std::string& to, size_t) { return to != failing || ++writes == 1; });
    EXPECT_EQ(ShredOutcome::kOverwritten, shredder.Shred(failing));
    platform::SetWriteHook(previous);
    EXPECT_EQ(found, Attributes(failing));
    EXPECT_FALSE(ReadFile(failing) == data);
}
