// Sleep: the program waits; the page does not (the wait yields to the
// browser, through Asyncify), and it is never shorter than asked.
#include "windows.h"

#include <emscripten.h>

#include <math.h>

extern "C" void Sleep(DWORD dwMilliseconds)
{
    const double end = emscripten_get_now() + dwMilliseconds;
    // A timer may fire a little early: wait again for what is left.
    for (double now = emscripten_get_now(); now < end; now = emscripten_get_now())
        emscripten_sleep(static_cast<unsigned>(ceil(end - now)));
}
