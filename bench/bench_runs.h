#pragma once
// Shared by the benchmarks of whole console runs: a tree of small plain
// files, and the console lines sent where a run's output would go.
#include <cstdio>
#include <string>

namespace bench {

// The command line of a run benchmark: [folder] [--files N] [--runs N].
struct RunOptions {
    RunOptions(int argc, char** argv, int defaultFiles);
    std::string folder;  // where the tree is made; the current folder by default
    int files;
    int runs;
    // `name` in the folder, as a full path, as the run makes its paths.
    std::string Path(const std::string& name) const;
};

// Makes 100 folders two levels down (ten by ten) under `root` and the
// options' number of files, spread evenly over them: each of `bytesEach`
// bytes, or, when that is 0, of 50 to 299 bytes. Returns the seconds it
// took, or a negative number (after a message and with what was made
// removed) when the tree could not be made.
double MakeTree(const std::string& root, const RunOptions& options, int bytesEach = 0);
// Removes what MakeTree made, the root included.
void RemoveTree(const std::string& root);
// The whole file, or nothing when it cannot be read.
std::string ReadWhole(const std::string& path);

// While alive, the console program's lines go to the null device, one write
// a line, as a run's output to a console would.
class NullConsole {
public:
    NullConsole();
    ~NullConsole();
    NullConsole(const NullConsole&) = delete;
    NullConsole& operator=(const NullConsole&) = delete;

private:
    std::FILE* m_file;
};

}  // namespace bench
