// The settings store outside Windows: one text file per user in the layout of
// a registry export, so the key paths and value names stay what they are on
// Windows:
//
//   [HKEY_CURRENT_USER\Software\Halvenrod\Vastrel]
//   "cipher"=dword:00000000
//   "other"=hex(3):01,02,03
//
// Every change rewrites the whole file into a temporary file that is synced
// and then renamed over the old one, under an advisory lock, so a crash never
// leaves a torn file and two programs never lose each other's writes.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/settings_store.h"

namespace platform {
namespace {

constexpr uint32_t kRegDword = 4;

struct Value {
    std::string name;
    uint32_t type = kRegDword;
    std::string data;  // raw bytes, little-endian for a DWORD
};

struct Key {
    std::string path;  // root name, backslash, sub key
    std::vector<Value> values;
};

using Store = std::vector<Key>;

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool SameName(const std::string& a, const std::string& b) { return Lower(a) == Lower(b); }

std::string StoreDir() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg && *xdg) return std::string(xdg) + "/vastrel";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.config/vastrel";
}

std::string StorePath() { return StoreDir() + "/settings.reg"; }

std::string FullKey(RegRoot root, const std::string& subKey) {
    std::string path = root == RegRoot::LocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
    if (!subKey.empty()) path += "\\" + subKey;
    return path;
}

std::string Quote(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

// Reads a quoted name from the start of `line`; returns the position after it.
size_t Unquote(const std::string& line, std::string& out) {
    if (line.empty() || line[0] != '"') return std::string::npos;
    out.clear();
    for (size_t i = 1; i < line.size(); ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) {
            out += line[++i];
        } else if (line[i] == '"') {
            return i + 1;
        } else {
            out += line[i];
        }
    }
    return std::string::npos;
}

bool ParseValue(const std::string& text, Value& v) {
    if (text.compare(0, 6, "dword:") == 0) {
        if (text.size() != 14) return false;
        char* end = nullptr;
        unsigned long n = std::strtoul(text.c_str() + 6, &end, 16);
        if (*end) return false;
        uint32_t w = static_cast<uint32_t>(n);
        v.type = kRegDword;
        v.data.assign(reinterpret_cast<const char*>(&w), 4);
        return true;
    }
    if (text.compare(0, 4, "hex(") == 0) {
        size_t close = text.find("):");
        if (close == std::string::npos) return false;
        v.type = static_cast<uint32_t>(std::strtoul(text.c_str() + 4, nullptr, 16));
        v.data.clear();
        std::string bytes = text.substr(close + 2);
        std::stringstream ss(bytes);
        std::string item;
        while (std::getline(ss, item, ',')) {
            if (item.empty() || item.size() > 2) return false;
            char* end = nullptr;
            unsigned long b = std::strtoul(item.c_str(), &end, 16);
            if (*end) return false;
            v.data += static_cast<char>(b);
        }
        return true;
    }
    return false;
}

// Lines that do not parse are dropped: a damaged file loses only what is damaged.
Store Load() {
    Store store;
    std::ifstream in(StorePath(), std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.size() > 2 && line.front() == '[' && line.back() == ']') {
            store.push_back(Key{line.substr(1, line.size() - 2), {}});
            continue;
        }
        if (store.empty()) continue;
        Value v;
        size_t pos = Unquote(line, v.name);
        if (pos == std::string::npos || pos >= line.size() || line[pos] != '=') continue;
        if (ParseValue(line.substr(pos + 1), v)) store.back().values.push_back(v);
    }
    return store;
}

std::string Serialise(const Store& store) {
    std::string out;
    char buf[16];
    for (const Key& key : store) {
        out += "[" + key.path + "]\n";
        for (const Value& v : key.values) {
            out += Quote(v.name) + "=";
            if (v.type == kRegDword && v.data.size() == 4) {
                uint32_t w;
                std::memcpy(&w, v.data.data(), 4);
                std::snprintf(buf, sizeof buf, "dword:%08x", w);
                out += buf;
            } else {
                std::snprintf(buf, sizeof buf, "hex(%x):", v.type);
                out += buf;
                for (size_t i = 0; i < v.data.size(); ++i) {
                    std::snprintf(buf, sizeof buf, i ? ",%02x" : "%02x", static_cast<unsigned char>(v.data[i]));
                    out += buf;
                }
            }
            out += "\n";
        }
        out += "\n";
    }
    return out;
}

bool MakeDirs(const std::string& path) {
    for (size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos == path.size() || path[pos] == '/') {
            std::string part = path.substr(0, pos);
            if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
        }
    }
    return true;
}

bool Save(const Store& store) {
    std::string dir = StoreDir();
    std::string tmp = StorePath() + ".tmp";
    std::string text = Serialise(store);
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) && ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    if (!ok || ::rename(tmp.c_str(), StorePath().c_str()) != 0) {
        ::unlink(tmp.c_str());
        return false;
    }
    int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

// Serialises read-modify-write cycles of several processes.
class StoreLock {
public:
    StoreLock() {
        if (!MakeDirs(StoreDir())) return;
        fd_ = ::open((StorePath() + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ >= 0) ::flock(fd_, LOCK_EX);
    }
    ~StoreLock() {
        if (fd_ >= 0) ::close(fd_);
    }
    bool Held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

Key* FindKey(Store& store, const std::string& path) {
    for (Key& k : store)
        if (SameName(k.path, path)) return &k;
    return nullptr;
}

Value* FindValue(Key& key, const std::string& name) {
    for (Value& v : key.values)
        if (SameName(v.name, name)) return &v;
    return nullptr;
}

}  // namespace

bool RegReadDword(RegRoot root, const std::string& subKey, const std::string& name, uint32_t& value) {
    Store store = Load();
    Key* key = FindKey(store, FullKey(root, subKey));
    if (!key) return false;
    Value* v = FindValue(*key, name);
    if (!v || v->data.size() > 4) return false;
    std::memcpy(&value, v->data.data(), v->data.size());
    return true;
}

bool RegWriteRaw(RegRoot root, const std::string& subKey, const std::string& name, uint32_t type,
                 const void* data, uint32_t size) {
    StoreLock lock;
    if (!lock.Held()) return false;
    Store store = Load();
    std::string path = FullKey(root, subKey);
    Key* key = FindKey(store, path);
    if (!key) {
        store.push_back(Key{path, {}});
        key = &store.back();
    }
    Value* v = FindValue(*key, name);
    if (!v) {
        key->values.push_back(Value{name, type, {}});
        v = &key->values.back();
    }
    v->type = type;
    v->data.assign(static_cast<const char*>(data), size);
    return Save(store);
}

bool RegWriteDword(RegRoot root, const std::string& subKey, const std::string& name, uint32_t value) {
    return RegWriteRaw(root, subKey, name, kRegDword, &value, 4);
}

bool RegRemoveValue(RegRoot root, const std::string& subKey, const std::string& name) {
    StoreLock lock;
    if (!lock.Held()) return false;
    Store store = Load();
    Key* key = FindKey(store, FullKey(root, subKey));
    if (!key) return false;
    for (auto it = key->values.begin(); it != key->values.end(); ++it) {
        if (SameName(it->name, name)) {
            key->values.erase(it);
            return Save(store);
        }
    }
    return false;
}

bool RegRemoveKey(RegRoot root, const std::string& subKey) {
    StoreLock lock;
    if (!lock.Held()) return false;
    Store store = Load();
    std::string path = Lower(FullKey(root, subKey));
    size_t before = store.size();
    Store kept;
    for (Key& k : store) {
        std::string p = Lower(k.path);
        if (p != path && p.compare(0, path.size() + 1, path + "\\") != 0) kept.push_back(k);
    }
    if (kept.size() == before) return false;
    return Save(kept);
}

}  // namespace platform
