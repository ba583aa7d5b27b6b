// The part of the Win32 API that merong uses, where there is no Windows:
// provided by posix/ on POSIX systems, and by web/ in a web page.
#ifndef MERONG_WINDOWS_H
#define MERONG_WINDOWS_H

#include <stddef.h>
#include <stdint.h>

typedef int BOOL;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef unsigned int UINT;
typedef const char *LPCSTR;
typedef void *HANDLE;
typedef struct merong_window *HWND;

#define FALSE 0
#define TRUE 1

#define STD_OUTPUT_HANDLE ((DWORD)-11)
#define INVALID_HANDLE_VALUE ((HANDLE)(intptr_t)-1)

#define MB_OK 0x00000000u
#define IDOK 1

#ifdef __cplusplus
extern "C" {
#endif

HANDLE GetStdHandle(DWORD nStdHandle);
BOOL SetConsoleTextAttribute(HANDLE hConsoleOutput, WORD wAttributes);
int MessageBoxA(HWND hWnd, LPCSTR lpText, LPCSTR lpCaption, UINT uType);
void Sleep(DWORD dwMilliseconds);

#ifdef __cplusplus
}
#endif

#endif
