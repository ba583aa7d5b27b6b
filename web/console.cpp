// The console in the page: standard output, its colours and "cls".
//
// What the program writes goes to the page as it is written (console.js),
// in the colours of the attribute in force, as in a Windows console.
#include "windows.h"

#include <stdio.h>

extern "C" void console_set_attribute(int attribute); // console.js

namespace {

const HANDLE stdout_handle = reinterpret_cast<HANDLE>(static_cast<intptr_t>(1));

// A console shows text the moment it is written: nothing waits in a buffer
// for a line break that may never come.
__attribute__((constructor)) void start_up()
{
    setvbuf(stdout, nullptr, _IONBF, 0);
}

} // namespace

extern "C" HANDLE GetStdHandle(DWORD nStdHandle)
{
    return nStdHandle == STD_OUTPUT_HANDLE ? stdout_handle : INVALID_HANDLE_VALUE;
}

extern "C" BOOL SetConsoleTextAttribute(HANDLE hConsoleOutput, WORD wAttributes)
{
    if (hConsoleOutput != stdout_handle)
        return FALSE;
    console_set_attribute(wAttributes);
    return TRUE;
}
