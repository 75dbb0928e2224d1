// Writes a PNG of the whole (virtual) screen: used by the run script under Xvfb
// and by tests that read back what a window painted.
//   screenshot.exe OUT.png [delay-ms]
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "screen_png.h"

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fputs("usage: screenshot OUT.png [delay-ms]\n", stderr);
        return 2;
    }
    if (argc > 2) Sleep(static_cast<DWORD>(_wtoi(argv[2])));
    int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    int height = GetSystemMetrics(SM_CYVIRTUALSCREEN);
    int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    return screen_png::WriteScreenRect(left, top, width, height, argv[1]) ? 0 : 1;
}
