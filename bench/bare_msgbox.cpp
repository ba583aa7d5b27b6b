// The least Win32 message boxes can cost: a program that shows the same boxes
// as merong (the greeting, then "merong" without end) and does nothing else.
// The benchmark measures merong.exe against it under Wine.
#include <windows.h>

int main()
{
    MessageBoxA(NULL, "\xB4\xE7\xBD\xC5\xC0\xBA...", "Hello", MB_OK);
    for (;;)
        MessageBoxA(NULL, "merong", "Hello", MB_OK);
}
