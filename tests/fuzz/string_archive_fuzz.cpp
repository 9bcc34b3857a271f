// Project files from strangers: any bytes read as archive values until the
// first error; every string read must write back to a form that reads the
// same.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/string_archive.h"

using namespace Vastrel2::Utils;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ArchiveReader reader(data, size);
    ArchiveWriter writer;
    size_t strings = 0;
    try {
        for (int i = 0; i < 10000 && !reader.AtEnd(); ++i) {
            if (i % 3 == 0) {
                writer.WriteUInt32(reader.ReadUInt32());
            } else {
                writer.WriteString(reader.ReadString());
                ++strings;
            }
        }
    } catch (const ArchiveError&) {
    }
    if (reader.Position() > size) std::abort();
    ArchiveReader again(writer.Bytes());
    ArchiveWriter twice;
    try {
        for (int i = 0; !again.AtEnd(); ++i) {
            if (i % 3 == 0) {
                twice.WriteUInt32(again.ReadUInt32());
            } else {
                twice.WriteString(again.ReadString());
            }
        }
    } catch (const ArchiveError&) {
        std::abort();
    }
    if (twice.Bytes() != writer.Bytes()) std::abort();
    (void)strings;
    return 0;
}
