// MessageBoxA: a modal dialog in the page, over its console, as a Windows
// message box is (msgbox.js draws it). The program waits until it is
// dismissed; the page does not (Asyncify).
#include "windows.h"

extern "C" int merong_message_box(const char *text, const char *caption); // msgbox.js

extern "C" int MessageBoxA(HWND, LPCSTR lpText, LPCSTR lpCaption, UINT)
{
    // Without a caption, Windows titles the box "Error".
    return merong_message_box(lpText ? lpText : "", lpCaption ? lpCaption : "Error");
}
