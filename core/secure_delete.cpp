#include "core/secure_delete.h"

#include <cstdlib>
#include <ctime>
#include <memory>
#include <new>

#include "platform/message_box.h"
#include "platform/system.h"
#include "platform/threads.h"

namespace {

// The three patterns every pass writes: zeros, ones, and random bytes (64 KB
// of them, repeated to fill one large write). They are made at first use and
// kept until the module ends; a failed allocation is tried again on the next
// call.
class PatternBuffers {
public:
    // The three buffers, or nullptr when they cannot be made.
    const unsigned char* const* Get() {
        platform::MutexLock guard(m_lock);
        if (!m_ready) Make();
        return m_ready ? m_raw : nullptr;
    }

private:
    void Make() {
        for (auto& buffer : m_buffers) {
            buffer.reset(new (std::nothrow) unsigned char[CSecureDelete::kWriteSize]);
            if (!buffer) {
                for (auto& made : m_buffers) made.reset();
                return;
            }
        }
        std::srand(static_cast<unsigned>(std::time(nullptr)));
        for (size_t i = 0; i < CSecureDelete::kWriteSize; ++i) {
            m_buffers[0][i] = 0x00;
            m_buffers[1][i] = 0xFF;
            m_buffers[2][i] = i < CSecureDelete::kBlockSize ? static_cast<unsigned char>(std::rand() & 0xFF)
                                                            : m_buffers[2][i % CSecureDelete::kBlockSize];
        }
        for (int i = 0; i < 3; ++i) m_raw[i] = m_buffers[i].get();
        m_ready = true;
    }

    platform::Mutex m_lock;
    bool m_ready = false;
    std::unique_ptr<unsigned char[]> m_buffers[3];
    const unsigned char* m_raw[3] = {nullptr, nullptr, nullptr};
};

PatternBuffers g_patterns;

bool PathTooLong(const std::string& path) { return path.size() > platform::kMaxPath; }

// Why a file is refused before a byte of it changes, in the words of the
// message that tells the user.
const char kLinkRefused[] = "The path is a link. The shredder does not follow links; nothing was changed.";
const char kHardLinksRefused[] =
    "The file has more than one name (hard links). Shredding this name would destroy the data that its other "
    "names still show, so the file was not changed.";
const char kReadOnlyRefused[] =
    "The file is read-only, and its read-only attribute could not be cleared. It could not be removed, so it was "
    "not changed.";
const char kNotExamined[] = "The file could not be examined, so it was not changed.";

// Tells the user why a file stays as it was.
void Refuse(const std::string& path, const std::string& why) {
    platform::ShowMessage("An error occured while processing file: " + path + "\n" + why + "\n", "Vastrel 2",
                          platform::kMbIconError, platform::MsgOwner::MainWindow);
}

// Why the open file must not be overwritten (empty when nothing stands in
// the way); `held` receives what tells it apart. Removing one of several
// names would leave the data under the others; a file whose read-only bit
// stays would not be removed after it was overwritten.
std::string Refusal(const CFile& file, platform::FileIdentity& held) {
    uint32_t links = 0;
    CFileStatus status;
    if (!file.GetIdentity(held, links) || !file.GetStatus(status)) return kNotExamined;
    if (links > 1) return kHardLinksRefused;
    if (status.m_attribute & kAttrReadOnly) return kReadOnlyRefused;
    return std::string();
}

// True while the path leads to the file the shredder holds.
bool LeadsTo(const std::string& path, const platform::FileIdentity& held) {
    platform::FileIdentity now;
    return platform::GetFileIdentity(path, now) && now == held;
}

// Clears the read-only bit; true when it was set (and so cleared), and
// `found` then holds what platform::RestoreAttributes puts back.
bool ClearReadOnly(const std::string& path, CFileStatus& found) {
    if (!CFile::GetStatus(path, found) || !(found.m_attribute & kAttrReadOnly)) return false;
    CFileStatus change;  // times left at 0 are not written
    change.m_attribute = static_cast<uint8_t>(found.m_attribute & ~kAttrReadOnly);
    return CFile::SetStatus(path, change);
}

}  // namespace

bool ShredRemnant::StillThere() const { return !path.empty() && LeadsTo(path, identity); }

std::string RemnantNote(const std::string& original, const ShredRemnant& remnant) {
    if (remnant.path.empty() || remnant.path == original) return std::string();
    return "; what is left of the original is now " + remnant.path;
}

CSecureDelete::CSecureDelete() : m_setting(VastrelSettingPath("ShredPasses"), 0, 1) {
    if (m_setting.Get() == 0) {
        m_setting.Set(1);
        m_setting.Write();
    }
    // The value is taken as the signed number it was stored as; zero (the
    // store refused the value), negative or huge counts are bounded.
    m_passes = BoundPasses(static_cast<int32_t>(m_setting.Get()));
}

void CSecureDelete::SetPasses(int passes) {
    m_passes = BoundPasses(passes);
    m_setting.Set(static_cast<uint32_t>(m_passes));
    m_setting.Write();
}

// One pattern over the whole file in large writes, then a flush: the
// overwrite is on the disk before anything else happens to the file, also
// where the system would otherwise keep it in its cache until the file is
// deleted and never write it at all.
bool CSecureDelete::Overwrite(CFile& file, uint64_t size, const unsigned char* pattern, bool& wrote) {
    if (!file.Seek(static_cast<int64_t>(size - 1), CFile::begin)) return false;
    wrote = true;
    if (!file.Write(pattern, 1)) return false;
    if (!file.Seek(0, CFile::begin)) return false;
    for (uint64_t done = 0; done < size; done += kWriteSize) {
        const uint64_t left = size - done;
        if (!file.Write(pattern, left < kWriteSize ? static_cast<size_t>(left) : kWriteSize)) return false;
    }
    return file.Flush();
}

void CSecureDelete::RenameAway(std::string& current, const platform::FileIdentity& held) {
    const std::string folder = platform::ParentFolder(current);
    const std::string name = platform::FileNamePart(current);
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        std::string next = name;
        for (char& c : next)
            if (c != '.') c = letter;
        next = platform::JoinPath(folder, next);
        if (next == current) continue;  // already carries this name
        // Only the file this shredder holds is renamed: another file put in
        // its place meanwhile is left where it is.
        if (!LeadsTo(current, held) || !CFile::Rename(current, next)) break;
        current = next;
    }
}

ShredOutcome CSecureDelete::Shred(const std::string& path, ShredRemnant* remnant) {
    if (remnant) *remnant = ShredRemnant();
    bool wrote = false;
    platform::FileIdentity held;
    std::string at = path;  // where the file held is, as far as this shredder moved it
    // Once a byte is written the file no longer holds what it held, wherever
    // it is now and whether or not its name can still be told to lead to it.
    auto overwritten = [&]() {
        if (remnant) {
            remnant->identity = held;
            remnant->path = at;
        }
        return ShredOutcome::kOverwritten;
    };
    try {
        if (path.empty() || PathTooLong(path)) return ShredOutcome::kUntouched;
        if (!platform::NativeFileControlAvailable()) return ShredOutcome::kUntouched;
        // A link is never followed: what it leads to was not asked for.
        if (platform::IsLink(path)) {
            Refuse(path, kLinkRefused);
            return ShredOutcome::kUntouched;
        }

        CFileStatus found;
        const bool wasReadOnly = ClearReadOnly(path, found);
        CFile file;
        CFileException error;
        // No write-through: every pattern is flushed to the disk whole instead,
        // which the system honours where it ignores write-through. The handle
        // carries the right to remove the file, so a file that cannot go is
        // never overwritten, and it stays open through the renames and the
        // delete: no program can take that right away meanwhile.
        if (!file.Open(path,
                       CFile::modeReadWrite | CFile::shareDenyNone | CFile::typeBinary | CFile::osDeleteAccess |
                           CFile::osNoLink,
                       &error)) {
            if (wasReadOnly) platform::RestoreAttributes(path, found);
            Refuse(path, platform::SystemErrorText(error.m_lOsError));
            return ShredOutcome::kUntouched;
        }
        const std::string refusal = Refusal(file, held);
        if (!refusal.empty()) {
            file.Close();
            if (wasReadOnly) platform::RestoreAttributes(path, found);
            Refuse(path, refusal);
            return ShredOutcome::kUntouched;
        }
        // What a shred that stops leaves where the file held was last seen.
        // Only that file gets its attributes back: another one put in its
        // place meanwhile, or one the shredder cannot tell from it, is left
        // as it is.
        auto left = [&]() {
            if (wasReadOnly && LeadsTo(at, held)) platform::RestoreAttributes(at, found);
            return wrote ? overwritten() : ShredOutcome::kUntouched;
        };

        uint64_t size = file.GetLength();
        if (size > 0) {
            // Every pass writes the three patterns in turn, each over the
            // whole file and flushed before the next pattern, and before the
            // renames and the delete.
            const unsigned char* const* patterns = g_patterns.Get();
            bool ok = patterns != nullptr;
            for (int pass = 0; ok && pass < m_passes; ++pass)
                for (int p = 0; ok && p < 3; ++p) ok = Overwrite(file, size, patterns[p], wrote);
            if (!ok) {
                file.Close();
                return left();
            }
        }

        RenameAway(at, held);
        if (!LeadsTo(at, held)) {
            // Something else took the name, or the name can no longer be
            // told to lead to the file held: neither is touched again.
            file.Close();
            return wrote ? overwritten() : ShredOutcome::kUntouched;
        }
        const bool removed = CFile::Remove(at);
        if (!removed && at != path && CFile::Rename(at, path)) at = path;
        file.Close();
        return removed ? ShredOutcome::kDestroyed : left();
    } catch (...) {
        if (!wrote) return ShredOutcome::kUntouched;
        try {
            return overwritten();
        } catch (...) {
            return ShredOutcome::kOverwritten;
        }
    }
}

ShredOutcome CSecureDelete::ShredOrRemove(const std::string& path, ShredRemnant* remnant) {
    if (remnant) *remnant = ShredRemnant();
    try {
        if (path.empty() || PathTooLong(path)) return ShredOutcome::kUntouched;
        // Only a file known to be empty is removed plainly; any other one
        // goes to the shredder, which tells why it stays when it cannot
        // open it.
        if (!platform::IsLink(path)) {
            CFileStatus status;
            if (!CFile::GetStatus(path, status) || (status.m_attribute & kAttrDirectory))
                return ShredOutcome::kUntouched;
            if (status.m_size == 0) {
                CFileStatus found;
                const bool wasReadOnly = ClearReadOnly(path, found);
                if (CFile::Remove(path)) return ShredOutcome::kDestroyed;
                if (wasReadOnly) platform::RestoreAttributes(path, found);
                return ShredOutcome::kUntouched;
            }
        }
        return Shred(path, remnant);
    } catch (...) {
        return ShredOutcome::kUntouched;
    }
}
