// A test fixture: a process that stays alive until a test ends it (at most ten minutes).
#include <windows.h>

int wmain() {
    ::Sleep(10 * 60 * 1000);
    return 0;
}
