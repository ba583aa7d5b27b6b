// Test-only, never shipped: finds the message box titled "Hello" on the
// Windows desktop it runs on, and reads or dismisses it through Win32.
//
//   probe text [HWND]      waits (up to 60 s) for a box other than HWND and
//                          prints "HWND BYTES": its handle and, in hex, the
//                          bytes of its text as GetWindowTextA reads them
//   probe ok|esc|close HWND  presses OK (BM_CLICK), Esc, or asks it to close
//   probe idle             waits for ever: while it runs, Wine keeps its
//                          desktop and services up between two programs
//
// Nothing here sends a message and waits for the answer: a box whose
// program is ending must not hold the probe up.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace {

BOOL CALLBACK find_text(HWND child, LPARAM found)
{
    // GetWindowTextA reads another program's window text without asking
    // it (GetWindowTextLengthA would send it WM_GETTEXTLENGTH).
    char name[32], text[2];
    GetClassNameA(child, name, sizeof name);
    if (lstrcmpiA(name, "Static") == 0 && GetWindowTextA(child, text, sizeof text) > 0) {
        *reinterpret_cast<HWND *>(found) = child;
        return FALSE;
    }
    return TRUE;
}

HWND parse(const char *text)
{
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(strtoull(text, nullptr, 16)));
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc >= 2 && strcmp(argv[1], "text") == 0) {
        HWND previous = argc > 2 ? parse(argv[2]) : nullptr;
        // By the clock: on a busy machine, a try can take a while.
        const ULONGLONG deadline = GetTickCount64() + 60000;
        for (; GetTickCount64() < deadline; Sleep(10)) {
            HWND box = FindWindowA("#32770", "Hello");
            if (!box || box == previous || !IsWindowVisible(box))
                continue;
            HWND label = nullptr;
            EnumChildWindows(box, find_text, reinterpret_cast<LPARAM>(&label));
            char text[256] = "";
            int length = label ? GetWindowTextA(label, text, sizeof text) : 0;
            printf("%llx ", static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(box)));
            for (int i = 0; i < length; i++)
                printf("%02X", static_cast<unsigned char>(text[i]));
            printf("\n");
            return 0;
        }
        return 1;
    }
    if (argc == 2 && strcmp(argv[1], "idle") == 0) {
        Sleep(INFINITE);
        return 0;
    }
    if (argc == 3) {
        HWND box = parse(argv[2]);
        if (strcmp(argv[1], "ok") == 0)
            return !PostMessageA(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
        if (strcmp(argv[1], "esc") == 0)
            return !(PostMessageA(box, WM_KEYDOWN, VK_ESCAPE, 0x00010001) &&
                     PostMessageA(box, WM_KEYUP, VK_ESCAPE, 0xC0010001));
        if (strcmp(argv[1], "close") == 0)
            return !PostMessageA(box, WM_CLOSE, 0, 0);
    }
    fprintf(stderr, "usage: probe text [HWND] | probe ok|esc|close HWND | probe idle\n");
    return 2;
}
