#include "bench/bench_runs.h"

#include <vector>

#include "bench/bench_support.h"
#include "cli/console_out.h"
#include "core/dir_read.h"
#include "platform/file.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace bench {

namespace {

const char kSep = platform::kPathSep;

bool MakeFolder(const std::string& path) {
#ifdef _WIN32
    return CreateDirectoryA(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
#else
    return mkdir(path.c_str(), 0777) == 0 || errno == EEXIST;
#endif
}

bool RemoveFolder(const std::string& path) {
#ifdef _WIN32
    return RemoveDirectoryA(path.c_str()) != 0;
#else
    return rmdir(path.c_str()) == 0;
#endif
}

std::vector<std::string> Folders(const std::string& root) {
    std::vector<std::string> folders;
    for (int a = 0; a < 10; ++a)
        for (int b = 0; b < 10; ++b) folders.push_back(root + kSep + "d" + std::to_string(a) + kSep + "e" + std::to_string(b));
    return folders;
}

bool MakeFiles(const std::string& root, int files, int bytesEach) {
    if (!MakeFolder(root)) return false;
    for (int a = 0; a < 10; ++a) MakeFolder(root + kSep + "d" + std::to_string(a));
    std::vector<std::string> folders = Folders(root);
    for (const std::string& folder : folders)
        if (!MakeFolder(folder)) return false;
    std::string data(bytesEach > 300 ? static_cast<size_t>(bytesEach) : 300, 'x');
    for (int i = 0; i < files; ++i) {
        const std::string path = folders[i % folders.size()] + kSep + "file" + std::to_string(i) + ".txt";
        CFile out;
        if (!out.Open(path, CFile::modeCreate | CFile::modeWrite | CFile::typeBinary) ||
            !out.Write(data.data(), bytesEach > 0 ? static_cast<size_t>(bytesEach) : 50 + i % 250))
            return false;
    }
    return true;
}

}  // namespace

RunOptions::RunOptions(int argc, char** argv, int defaultFiles)
    : folder(argc > 1 && argv[1][0] != '-' ? argv[1] : "."),
      files(IntOption(argc, argv, "--files", defaultFiles)),
      runs(IntOption(argc, argv, "--runs", 5)) {}

std::string RunOptions::Path(const std::string& name) const { return platform::FullPath(folder + kSep + name); }

double MakeTree(const std::string& root, const RunOptions& options, int bytesEach) {
    const Clock::time_point start = Clock::now();
    if (MakeFiles(root, options.files, bytesEach)) return Seconds(start);
    std::fprintf(stderr, "cannot make the tree in %s\n", options.folder.c_str());
    RemoveTree(root);
    return -1;
}

void RemoveTree(const std::string& root) {
    CSADirRead scanner;
    scanner.CollectFolders(root.c_str(), true);
    scanner.CollectFiles("*.*", true, false);
    for (const ProjectEntry& entry : scanner.files) CFile::Remove(entry.path);
    for (const std::string& folder : scanner.folders) RemoveFolder(folder);
}

std::string ReadWhole(const std::string& path) {
    CFile file;
    if (!file.Open(path, CFile::modeRead | CFile::shareDenyNone | CFile::typeBinary)) return std::string();
    std::string text(static_cast<size_t>(file.GetLength()), '\0');
    if (file.Read(&text[0], text.size()) != text.size()) return std::string();
    return text;
}

NullConsole::NullConsole() {
#ifdef _WIN32
    m_file = std::fopen("NUL", "wb");
#else
    m_file = std::fopen("/dev/null", "wb");
#endif
    std::FILE* file = m_file;
    Vastrel2::SetConsoleSink([file](const std::string& text) {
        if (!file) return;
        std::fwrite(text.data(), 1, text.size(), file);
        std::fflush(file);
    });
}

NullConsole::~NullConsole() {
    Vastrel2::SetConsoleSink(nullptr);
    if (m_file) std::fclose(m_file);
}

}  // namespace bench
