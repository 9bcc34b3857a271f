// Time of the main window's bulk operations on a folder of many small files:
// adding the folder, loading a project of as many entries (the rows come
// from the fill thread) and sorting it. Not a test: run it by hand under
// Wine (it opens the real window, so it needs a display).
//
//   bench_main_window [file count [folder]]
//
// The folder (default: a new one under the temporary folder) receives the
// files, which are removed at the end. Default count: 100000.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/main_dlg.h"
#include "app/project_file.h"
#include "framework/app.h"
#include "vastrel/resource.h"

using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

// Files of a few bytes in sub-folders of a thousand each.
bool MakeTree(const std::string& root, int count) {
    CreateDirectoryA(root.c_str(), nullptr);
    for (int i = 0; i < count; ++i) {
        std::string folder = root + "\\d" + std::to_string(i / 1000);
        if (i % 1000 == 0 && !CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
        std::string path = folder + "\\file " + std::to_string(i) + ".txt";
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        DWORD written = 0;
        WriteFile(h, "bench", 5, &written, nullptr);
        CloseHandle(h);
    }
    return true;
}

void RemoveTree(const std::string& root, int count) {
    for (int i = 0; i < count; ++i) {
        DeleteFileA((root + "\\d" + std::to_string(i / 1000) + "\\file " + std::to_string(i) + ".txt").c_str());
    }
    for (int d = 0; d <= count / 1000; ++d) RemoveDirectoryA((root + "\\d" + std::to_string(d)).c_str());
    DeleteFileA((root + "\\bench.ecl").c_str());
    RemoveDirectoryA(root.c_str());
}

// Runs the window's messages for a moment.
void Pump() {
    for (int i = 0; i < 20; ++i) {
        ui::PumpWaitingMessages();
        Sleep(5);
    }
}

}  // namespace

int main(int argc, char** argv) {
    int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    std::string root;
    if (argc > 2) {
        root = argv[2];
    } else {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        root = std::string(temp) + "vastrel-bench-" + std::to_string(GetCurrentProcessId());
    }
    ui::App app("VastrelBench");
    char profile[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, profile);
    app.SetProfilePath(std::string(profile) + "vastrel-bench.ini");

    auto start = Clock::now();
    if (!MakeTree(root, count)) {
        std::printf("could not make %d files under %s\n", count, root.c_str());
        return 1;
    }
    std::printf("%d files made under %s in %.2f s\n", count, root.c_str(), Seconds(start));

    VastrelMainDlg window;
    if (!window.Create(nullptr)) return 1;
    ShowWindow(window.Handle(), SW_SHOW);
    Pump();

    start = Clock::now();
    window.AddFolder(root);
    double added = Seconds(start);
    std::printf("add folder:   %zu rows in %.2f s\n", window.Entries().size(), added);

    std::string project = root + "\\bench.ecl";
    if (!window.SaveProject(project)) return 1;
    window.ClearProject();
    Pump();
    start = Clock::now();
    window.LoadProject(project);
    window.WaitForFill();
    std::printf("load project: %d rows in %.2f s\n",
                static_cast<int>(SendMessageA(GetDlgItem(window.Handle(), IDC_PROJECT_LIST), LVM_GETITEMCOUNT, 0, 0)),
                Seconds(start));

    start = Clock::now();
    SendMessageA(window.Handle(), WM_COMMAND, ID_SORT_BY_SIZE, 0);
    window.WaitForFill();
    std::printf("sort by size: %.2f s\n", Seconds(start));

    window.DestroyWindow();
    RemoveTree(root, count);
    return 0;
}
