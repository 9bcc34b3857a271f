#pragma once
// The shredder: overwrites a file's bytes in place with fixed and random
// patterns, renames it 26 times and deletes it. The number of passes is the
// user's "ShredPasses" setting, shared by every program of the suite.
#include <string>

#include "core/registry_dword.h"
#include "platform/file.h"

// windows.h spells DeleteFile as a macro; the shredder's operation keeps its
// own name whichever order the headers come in (see DeleteFileA below).
#ifdef DeleteFile
#undef DeleteFile
#endif

// What a shred did to the file at the path it was given.
enum class ShredOutcome {
    kUntouched,    // not a byte was written: what is at the path is as it was (if anything is)
    kDestroyed,    // overwritten and removed (an empty file: removed)
    // Overwritten, wholly or in part, and not shown to be gone: still at the
    // path or under a name the shredder moved it to, or wherever another
    // program put it. Reported as soon as a byte was written, also when the
    // shredder could no longer tell where the file is.
    kOverwritten,
};

// An overwritten file that a shred could not remove: the last name the
// shredder had it under (the path it was given, or one it renamed it to),
// and which file it is. Another program may have moved it since, or put
// another file under that name: only a file of this identity is the one
// overwritten.
struct ShredRemnant {
    std::string path;
    platform::FileIdentity identity;
    // True while the path leads to the overwritten file.
    bool StillThere() const;
};

// "; what is left of the original is now <name>" when the shredder moved an
// overwritten file away from `original`; empty when it stayed there.
std::string RemnantNote(const std::string& original, const ShredRemnant& remnant);

class CSecureDelete {
public:
    // Reads "ShredPasses"; a missing or zero value is stored as 1.
    CSecureDelete();
    // Pass counts outside this range are brought into it: every shred
    // overwrites at least once, and a damaged setting cannot make one endless.
    static constexpr int kMinPasses = 1;
    static constexpr int kMaxPasses = 16;
    virtual ~CSecureDelete() = default;
    CSecureDelete(const CSecureDelete&) = delete;
    CSecureDelete& operator=(const CSecureDelete&) = delete;

    // Sets the pass count and stores it as the user's setting.
    void SetPasses(int passes);
    // Sets the pass count of this object only; the stored setting stays.
    void SetPassCount(int passes) { m_passes = BoundPasses(passes); }
    int GetPasses() const { return m_passes; }

    // Overwrites, renames and deletes the file. A file is overwritten only
    // when it can then be removed, and removing it removes its data: one
    // that another program holds without letting it be deleted, one with
    // more than one name (hard links), one whose read-only bit stays, and a
    // link (never followed) are refused before a byte changes, and the user
    // is told why in a message box, as for a file that cannot be opened.
    // Each rename and the delete go ahead only while the name still leads
    // to the file opened: a file put in its place meanwhile is left alone.
    // A failure before the renames leaves the file at its path; one after
    // them puts it back there where it can. A file refused, or left
    // unwritten, keeps the attributes (and permissions) it was found with.
    // Given `remnant`, a kOverwritten outcome fills it in (any other clears
    // it).
    ShredOutcome Shred(const std::string& path, ShredRemnant* remnant = nullptr);
    // True when the file is gone.
    bool SecureDeleteFile(const std::string& path) { return Shred(path) == ShredOutcome::kDestroyed; }

    // Removes an empty file plainly; shreds every other one, so a file with
    // bytes that cannot be opened stays as it is. Never throws.
    ShredOutcome ShredOrRemove(const std::string& path, ShredRemnant* remnant = nullptr);
    // True when the file is gone.
    bool DeleteFile(const std::string& path) { return ShredOrRemove(path) == ShredOutcome::kDestroyed; }
#ifdef _WIN32
    // Reached by code that includes windows.h after this header.
    bool DeleteFileA(const std::string& path) { return DeleteFile(path); }
#endif

    // The random pattern repeats every 64 KB, in every file of the process.
    static constexpr size_t kBlockSize = 65536;
    // Each pattern goes over the file in writes of up to this many bytes.
    static constexpr size_t kWriteSize = 16 * kBlockSize;

private:
    static int BoundPasses(int64_t passes) {
        return passes < kMinPasses ? kMinPasses : passes > kMaxPasses ? kMaxPasses : static_cast<int>(passes);
    }
    // Writes one pattern over the whole file (the last byte first) and
    // flushes it to the disk; `wrote` is set once a write has been tried.
    bool Overwrite(CFile& file, uint64_t size, const unsigned char* pattern, bool& wrote);
    // Renames the file 26 times, each time only while the name still leads
    // to the file held; `current` starts as its path and ends as the last
    // name reached.
    void RenameAway(std::string& current, const platform::FileIdentity& held);

    int m_passes = 1;
    RegistryDword m_setting;
};
