/* Stands in for the updater program in the update-check tests: writes its
   command line and its own path, one a line, to the file named by the
   environment variable VASTREL_UPDATER_MARKER, and ends. */
#include <windows.h>

#include <string.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR line, int show) {
    char marker[MAX_PATH + 8];
    char part[MAX_PATH + 16];
    char self[MAX_PATH + 1];
    const char* commandLine = GetCommandLineA();
    DWORD n = GetEnvironmentVariableA("VASTREL_UPDATER_MARKER", marker, MAX_PATH);
    DWORD written = 0;
    HANDLE file;
    (void)instance;
    (void)previous;
    (void)line;
    (void)show;
    if (n == 0 || n >= MAX_PATH) return 1;
    lstrcpyA(part, marker);
    lstrcatA(part, ".part");
    memset(self, 0, sizeof self);
    GetModuleFileNameA(NULL, self, MAX_PATH);
    file = CreateFileA(part, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) return 2;
    WriteFile(file, commandLine, (DWORD)lstrlenA(commandLine), &written, NULL);
    WriteFile(file, "\n", 1, &written, NULL);
    WriteFile(file, self, (DWORD)lstrlenA(self), &written, NULL);
    WriteFile(file, "\n", 1, &written, NULL);
    CloseHandle(file);
    /* The marker appears whole or not at all. */
    return MoveFileExA(part, marker, MOVEFILE_REPLACE_EXISTING) ? 0 : 3;
}
