// MessageBoxA: a window where there is a desktop, the terminal otherwise, and
// 0 at once where there is neither.
#include "internal.h"
#include "windows.h"

extern "C" int MessageBoxA(HWND, LPCSTR lpText, LPCSTR lpCaption, UINT)
{
    // Without a caption, Windows titles the box "Error".
    const std::string caption = ansi_to_utf8(lpCaption ? lpCaption : "Error");
    const std::string text = ansi_to_utf8(lpText);
    if (int result = desktop_message_box(caption, text))
        return result;
    return tty_message_box(caption, text);
}
