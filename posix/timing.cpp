// Sleep: at least the time asked for, on a clock that does not jump.
#include "windows.h"

#include <errno.h>
#include <time.h>

extern "C" void Sleep(DWORD dwMilliseconds)
{
    timespec deadline;
    clock_gettime(CLOCK_MONOTONIC, &deadline);
    deadline.tv_sec += dwMilliseconds / 1000;
    deadline.tv_nsec += static_cast<long>(dwMilliseconds % 1000) * 1000000L;
    if (deadline.tv_nsec >= 1000000000L) {
        deadline.tv_sec++;
        deadline.tv_nsec -= 1000000000L;
    }
    // A signal that interrupts the wait does not shorten it.
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline, nullptr) == EINTR) {
    }
}
