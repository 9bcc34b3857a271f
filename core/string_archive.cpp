#include "core/string_archive.h"

#include "platform/system.h"

namespace Vastrel2 {
namespace Utils {

void ArchiveWriter::WriteString(const std::string& text) {
    size_t n = text.size();
    if (n > 0xFFFFFFFFu) throw ArchiveError("String too long for the archive");
    if (n < 0xFF) {
        m_bytes.push_back(static_cast<char>(n));
    } else if (n < 0xFFFE) {
        m_bytes.push_back('\xFF');
        m_bytes.push_back(static_cast<char>(n & 0xFF));
        m_bytes.push_back(static_cast<char>(n >> 8));
    } else {
        m_bytes.append("\xFF\xFF\xFF", 3);
        WriteUInt32(static_cast<uint32_t>(n));
    }
    m_bytes += text;
}

void ArchiveWriter::WriteUInt32(uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) m_bytes.push_back(static_cast<char>((value >> shift) & 0xFF));
}

const uint8_t* ArchiveReader::Take(size_t count, size_t& pos) const {
    if (count > m_size - pos) throw ArchiveError("The archive ends inside a value");
    const uint8_t* p = m_data + pos;
    pos += count;
    return p;
}

// One length prefix at pos; 0xFFFFFFFF marks the wide form.
uint32_t ArchiveReader::Length(size_t& pos) const {
    uint8_t first = *Take(1, pos);
    if (first < 0xFF) return first;
    const uint8_t* w = Take(2, pos);
    uint32_t word = w[0] | (static_cast<uint32_t>(w[1]) << 8);
    if (word == 0xFFFE) return 0xFFFFFFFFu;
    if (word < 0xFFFF) return word;
    const uint8_t* d = Take(4, pos);
    uint32_t length = d[0] | (static_cast<uint32_t>(d[1]) << 8) | (static_cast<uint32_t>(d[2]) << 16) |
                      (static_cast<uint32_t>(d[3]) << 24);
    if (length == 0xFFFFFFFFu) throw ArchiveError("String length out of range");
    return length;
}

std::string ArchiveReader::ReadString() {
    size_t pos = m_pos;
    uint32_t length = Length(pos);
    if (length != 0xFFFFFFFFu) {
        const uint8_t* text = Take(length, pos);
        m_pos = pos;
        return std::string(reinterpret_cast<const char*>(text), length);
    }
    uint32_t chars = Length(pos);
    if (chars == 0xFFFFFFFFu) throw ArchiveError("Malformed wide string");
    if (chars > (m_size - pos) / 2) throw ArchiveError("The archive ends inside a value");
    const uint8_t* text = Take(static_cast<size_t>(chars) * 2, pos);
    std::u16string wide(chars, u'\0');
    for (uint32_t i = 0; i < chars; ++i) wide[i] = static_cast<char16_t>(text[2 * i] | (text[2 * i + 1] << 8));
    m_pos = pos;
    return platform::NarrowFromWide(wide);
}

uint32_t ArchiveReader::ReadUInt32() {
    size_t pos = m_pos;
    const uint8_t* d = Take(4, pos);
    m_pos = pos;
    return d[0] | (static_cast<uint32_t>(d[1]) << 8) | (static_cast<uint32_t>(d[2]) << 16) |
           (static_cast<uint32_t>(d[3]) << 24);
}

}  // namespace Utils
}  // namespace Vastrel2
