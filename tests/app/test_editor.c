/* A stand-in for the program a file type is opened with: takes the file
   named last on its command line, notes what it found (its text and its
   path, one a line) in the file named by the environment variable
   VASTREL_EDITOR_MARKER, adds a line to it and ends a moment later. */
#include <windows.h>

#include <string.h>

static void Append(HANDLE file, const char* text, DWORD length) {
    DWORD written = 0;
    WriteFile(file, text, length, &written, NULL);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR unused, int show) {
    static const char kLine[] = "Edited by the test editor.\r\n";
    const char* line = GetCommandLineA();
    char path[MAX_PATH + 1];
    char marker[MAX_PATH + 1];
    char text[4096];
    DWORD got = 0;
    HANDLE file;
    size_t n = 0;
    (void)instance;
    (void)previous;
    (void)unused;
    (void)show;

    /* The last argument, quoted or not. */
    path[0] = '\0';
    while (*line) {
        int quoted = 0;
        while (*line == ' ' || *line == '\t') ++line;
        if (!*line) break;
        n = 0;
        while (*line && (quoted || (*line != ' ' && *line != '\t'))) {
            if (*line == '"') quoted = !quoted;
            else if (n < MAX_PATH) path[n++] = *line;
            ++line;
        }
        path[n] = '\0';
    }
    if (!path[0]) return 1;

    file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) return 2;
    ReadFile(file, text, sizeof text, &got, NULL);
    SetFilePointer(file, 0, NULL, FILE_END);
    Append(file, kLine, (DWORD)strlen(kLine));
    CloseHandle(file);

    if (GetEnvironmentVariableA("VASTREL_EDITOR_MARKER", marker, MAX_PATH)) {
        HANDLE note = CreateFileA(marker, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        if (note != INVALID_HANDLE_VALUE) {
            Append(note, text, got);
            Append(note, "\n", 1);
            Append(note, path, (DWORD)strlen(path));
            Append(note, "\n", 1);
            CloseHandle(note);
        }
    }
    /* The one that started us must wait for this. */
    Sleep(700);
    return 0;
}
