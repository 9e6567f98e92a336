/* Stands in for icacls.exe in the Wine setup test (Wine's own changes
   nothing): appends its command line to ICACLS_LOG and exits with
   ICACLS_EXIT, so the test can read the rights the setup asks for and make
   it fail. */
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

int main(void) {
    char log[MAX_PATH], code[16];
    if (GetEnvironmentVariableA("ICACLS_LOG", log, sizeof log)) {
        FILE *f = fopen(log, "ab");
        if (f) {
            fprintf(f, "%s\n", GetCommandLineA());
            fclose(f);
        }
    }
    return GetEnvironmentVariableA("ICACLS_EXIT", code, sizeof code) ? atoi(code) : 0;
}
