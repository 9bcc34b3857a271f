// Project files from strangers, read as the main window reads them: either
// every entry comes back and writes back to the same archive, or the read is
// refused and the list handed in stays as it was.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/project_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    ProjectEntry kept;
    kept.path = "kept";
    std::vector<ProjectEntry> entries{kept};
    if (!project::ReadArchive(bytes, entries)) {
        if (entries.size() != 1 || entries[0].path != "kept") std::abort();
        return 0;
    }
    // Writing gives the shortest length forms, so compare reads, not bytes.
    std::vector<ProjectEntry> again;
    if (!project::ReadArchive(project::WriteArchive(entries), again) || again.size() != entries.size()) std::abort();
    for (size_t i = 0; i < entries.size(); ++i) {
        if (again[i].name != entries[i].name || again[i].path != entries[i].path ||
            again[i].attributes != entries[i].attributes || again[i].size != entries[i].size) {
            std::abort();
        }
    }
    return 0;
}
