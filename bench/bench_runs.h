#pragma once
// Shared by the benchmarks of whole console runs: a tree of small plain
// files, and the console lines sent where a run's output would go.
#include <cstdio>
#include <string>

namespace bench {

// 100 folders two levels down (ten by ten) under `root`, `files` files of
// 50 to 299 bytes spread evenly over them.
bool MakeTree(const std::string& root, int files);
// Removes what MakeTree made, the root included.
void RemoveTree(const std::string& root);

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
