// MessageBoxA: the front end is chosen each time a box is to be shown.
#include "internal.h"
#include "windows.h"

extern "C" int MessageBoxA(HWND, LPCSTR lpText, LPCSTR lpCaption, UINT)
{
    // Without a caption, Windows titles the box "Error".
    const std::string caption = ansi_to_utf8(lpCaption ? lpCaption : "Error");
    const std::string text = ansi_to_utf8(lpText);
    return tty_message_box(caption, text);
}
