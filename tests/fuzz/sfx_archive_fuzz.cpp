// Hostile self-extracting archives: the directory reader, then extraction of
// the first entries into a folder. Nothing may crash, hang, read outside the
// file, or write anywhere but inside the folder. Every stored name is also
// read in the code pages the suite meets (1252, the double-byte 932, and
// this system's own): each level a name is split into must pass as a name
// of one level by itself, so no level hides a separator, "..", or a device.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/sfx_archive.h"
#include "tests/fuzz/fuzz_common.h"

namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A box of our own: the archive and the extraction folder, nothing else.
    static const fs::path box = fuzzsupport::ScratchPath("sfx_archive") + ".d";
    static const fs::path archive = box / "archive.exe";
    static const fs::path folder = box / "out";
    static const bool cleanup = (std::atexit([] {
                                     std::error_code ignored;
                                     fs::remove_all(box, ignored);
                                 }),
                                 true);
    (void)cleanup;
    fs::create_directories(folder);
    fuzzsupport::WriteWhole(archive.string(), data, size);

    CSelfExtractor reader;
    if (reader.ReadDirectory(archive.string()) == kArchiveOk) {
        for (int i = 0; i < reader.GetCount(); ++i) {
            for (unsigned codePage : {platform::kSystemCodePage, 1252u, 932u}) {
                std::vector<std::string> parts, again;
                if (!CSelfExtractor::SafeNameParts(reader.Entry(i).storedName, parts, codePage)) continue;
                if (parts.empty()) std::abort();
                for (const std::string& part : parts) {
                    if (!CSelfExtractor::SafeNameParts(part, again, codePage) || again.size() != 1 || again[0] != part) {
                        std::abort();
                    }
                }
            }
        }
        int count = reader.GetCount() < 8 ? reader.GetCount() : 8;
        for (int i = 0; i < count; ++i) {
            std::string path;
            if (reader.ExtractEntryFrom(archive.string(), i, folder.string(), &path) == kArchiveOk &&
                path.compare(0, folder.string().size() + 1, folder.string() + "/") != 0) {
                std::abort();
            }
        }
    }
    for (const auto& item : fs::directory_iterator(box)) {
        if (item.path() != archive && item.path() != folder) std::abort();  // written beside the folder
    }
    fs::remove_all(folder);
    return 0;
}
