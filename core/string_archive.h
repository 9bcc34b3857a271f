#pragma once
// The archive form in which the project file stores its entries: 32-bit
// little-endian integers and length-prefixed strings.
//
// A string is its length, then that many bytes of text in the system code
// page, no terminator. The length takes one byte below 255; 0xFF and a
// 16-bit length up to 65533; 0xFF, 0xFFFF and a 32-bit length beyond. The
// wide form (0xFF, 0xFFFE, then a length in one of those forms counted in
// 16-bit characters, then the characters) is read too and converted to the
// system code page; it is never written.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

namespace Vastrel2 {
namespace Utils {

// Input that ends inside a value or holds a malformed length.
class ArchiveError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class ArchiveWriter {
public:
    void WriteString(const std::string& text);
    void WriteUInt32(uint32_t value);
    void WriteInt32(int32_t value) { WriteUInt32(static_cast<uint32_t>(value)); }
    const std::string& Bytes() const { return m_bytes; }

private:
    std::string m_bytes;
};

// Reads from bytes the caller keeps alive. Every read either returns a
// whole value or throws ArchiveError and leaves the position where it was.
class ArchiveReader {
public:
    ArchiveReader(const void* data, size_t size) : m_data(static_cast<const uint8_t*>(data)), m_size(size) {}
    explicit ArchiveReader(const std::string& bytes) : ArchiveReader(bytes.data(), bytes.size()) {}
    ArchiveReader(std::string&&) = delete;  // would read freed bytes

    std::string ReadString();
    uint32_t ReadUInt32();
    int32_t ReadInt32() { return static_cast<int32_t>(ReadUInt32()); }

    size_t Position() const { return m_pos; }
    bool AtEnd() const { return m_pos == m_size; }

private:
    const uint8_t* Take(size_t count, size_t& pos) const;
    uint32_t Length(size_t& pos) const;

    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

}  // namespace Utils
}  // namespace Vastrel2
