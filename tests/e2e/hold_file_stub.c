/* Keeps the file named on its command line open and unshared until it is
   ended, as a program still using a DLL would, so the Wine setup test can see
   the setup and the uninstaller refuse to call a partial job complete. */
#include <windows.h>

int wmain(int argc, wchar_t **argv) {
    if (argc < 2)
        return 2;
    HANDLE file = CreateFileW(argv[1], GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    Sleep(INFINITE);
    return 0;
}
