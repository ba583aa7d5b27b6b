// merong: greets whoever starts it, flashes a taunt in three colours, then
// taunts them with a message box that comes back each time it is dismissed.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

// Colours later console output, and the fill of the next "cls".
void textcolor(int foreground, int background)
{
    WORD attribute = (WORD)(foreground | (background << 4));
    SetConsoleTextAttribute(GetStdHandle(STD_OUTPUT_HANDLE), attribute);
}

int main(int, char *[])
{
    // "당신은..." in code page 949.
    MessageBoxA(NULL, "\xB4\xE7\xBD\xC5\xC0\xBA...", "Hello", MB_OK);

    const int backgrounds[] = {1, 2, 6}; // blue, green, dark yellow
    for (int background : backgrounds) {
        textcolor(15, background);
        printf("merong ddddd");
        // On screen before the pause, and not lost in a buffer when we are
        // killed with output going to a file or a pipe.
        fflush(stdout);
        Sleep(2000);
        system("cls");
    }

    for (;;) {
        // A box that cannot be shown at all returns 0 at once: wait before
        // trying again rather than spin.
        if (MessageBoxA(NULL, "merong", "Hello", MB_OK) == 0)
            Sleep(2000);
    }
}
