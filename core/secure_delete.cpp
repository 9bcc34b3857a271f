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

// Clears the read-only bit; true when it was set (and so cleared).
bool ClearReadOnly(const std::string& path) {
    CFileStatus status;
    if (!CFile::GetStatus(path, status) || !(status.m_attribute & kAttrReadOnly)) return false;
    CFileStatus change;  // times left at 0 are not written
    change.m_attribute = static_cast<uint8_t>(status.m_attribute & ~kAttrReadOnly);
    return CFile::SetStatus(path, change);
}

}  // namespace

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

std::string CSecureDelete::RenameAway(const std::string& path) {
    size_t sep = path.find_last_of(platform::kPathSep);
    std::string folder = sep == std::string::npos ? std::string() : path.substr(0, sep + 1);
    std::string name = sep == std::string::npos ? path : path.substr(sep + 1);
    std::string current = path;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        std::string next = name;
        for (char& c : next)
            if (c != '.') c = letter;
        next = folder + next;
        if (next == current) continue;  // already carries this name
        if (!CFile::Rename(current, next)) break;
        current = next;
    }
    return current;
}

ShredOutcome CSecureDelete::Shred(const std::string& path) {
    bool wrote = false;
    try {
        if (path.empty() || PathTooLong(path)) return ShredOutcome::kUntouched;
        if (!platform::NativeFileControlAvailable()) return ShredOutcome::kUntouched;

        bool wasReadOnly = ClearReadOnly(path);
        CFile file;
        CFileException error;
        // No write-through: every pattern is flushed to the disk whole instead,
        // which the system honours where it ignores write-through. The handle
        // carries the right to remove the file, so a file that cannot go is
        // never overwritten, and it stays open through the renames and the
        // delete: no program can take that right away meanwhile.
        if (!file.Open(path, CFile::modeReadWrite | CFile::shareDenyNone | CFile::typeBinary | CFile::osDeleteAccess,
                       &error)) {
            if (wasReadOnly) platform::ChangeReadOnly(path, true);
            platform::ShowMessage("An error occured while processing file: " + path + "\n" +
                                      platform::SystemErrorText(error.m_lOsError) + "\n",
                                  "Vastrel 2", platform::kMbIconError, platform::MsgOwner::MainWindow);
            return ShredOutcome::kUntouched;
        }

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
                if (wasReadOnly) platform::ChangeReadOnly(path, true);
                return wrote ? ShredOutcome::kOverwritten : ShredOutcome::kUntouched;
            }
        }

        std::string last = RenameAway(path);
        bool removed = CFile::Remove(last);
        if (!removed) CFile::Rename(last, path);
        file.Close();
        if (removed) return ShredOutcome::kDestroyed;
        if (wasReadOnly) platform::ChangeReadOnly(path, true);
        return wrote ? ShredOutcome::kOverwritten : ShredOutcome::kUntouched;
    } catch (...) {
        return wrote ? ShredOutcome::kOverwritten : ShredOutcome::kUntouched;
    }
}

ShredOutcome CSecureDelete::ShredOrRemove(const std::string& path) {
    try {
        if (path.empty() || PathTooLong(path)) return ShredOutcome::kUntouched;
        uint64_t size = 0;
        {
            CFile probe;
            if (probe.Open(path, CFile::modeRead | CFile::shareDenyNone | CFile::typeBinary)) size = probe.GetLength();
        }
        if (size > 0) return Shred(path);
        bool wasReadOnly = ClearReadOnly(path);
        if (CFile::Remove(path)) return ShredOutcome::kDestroyed;
        if (wasReadOnly) platform::ChangeReadOnly(path, true);
        return ShredOutcome::kUntouched;
    } catch (...) {
        return ShredOutcome::kUntouched;
    }
}
