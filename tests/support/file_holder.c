/* Another program that has a file open: holds the file named first on its
   command line with the sharing given second (the letters r, w and d allow
   others to read, write and delete; "-" allows nothing), sets the named
   event given third once the file is open, and waits until it is ended.
   The file is opened for reading and writing, or for reading only when it
   is read-only. Ends with 2 at once when the file cannot be opened. */
#include <windows.h>

/* The next argument of the command line, quoted or not, into out. */
static const char* NextArgument(const char* line, char* out, size_t size) {
    size_t n = 0;
    int quoted = 0;
    while (*line == ' ' || *line == '\t') ++line;
    while (*line && (quoted || (*line != ' ' && *line != '\t'))) {
        if (*line == '"') quoted = !quoted;
        else if (n + 1 < size) out[n++] = *line;
        ++line;
    }
    out[n] = '\0';
    return line;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR unused, int show) {
    char program[MAX_PATH + 1], path[MAX_PATH + 1], share[8], event[128];
    const char* line = GetCommandLineA();
    DWORD sharing = 0;
    HANDLE file, ready;
    const char* c;
    (void)instance;
    (void)previous;
    (void)unused;
    (void)show;

    line = NextArgument(line, program, sizeof program);
    line = NextArgument(line, path, sizeof path);
    line = NextArgument(line, share, sizeof share);
    NextArgument(line, event, sizeof event);
    if (!path[0] || !event[0]) return 1;
    for (c = share; *c; ++c) {
        if (*c == 'r') sharing |= FILE_SHARE_READ;
        if (*c == 'w') sharing |= FILE_SHARE_WRITE;
        if (*c == 'd') sharing |= FILE_SHARE_DELETE;
    }
    file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, sharing, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) file = CreateFileA(path, GENERIC_READ, sharing, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE) return 2;
    ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, event);
    if (!ready) return 3;
    SetEvent(ready);
    CloseHandle(ready);
    Sleep(INFINITE);
    CloseHandle(file);
    return 0;
}
