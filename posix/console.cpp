// The console: standard output, its colours and "cls".
//
// A Windows console keeps a current attribute that colours what is written
// after it and fills the screen on "cls". A terminal does the same with its
// current SGR rendition, so the attribute becomes SGR sequences, and "cls"
// erases with the rendition in force.
#include "internal.h"
#include "windows.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>

namespace {

// The attribute set on the console, or -1 while none is.
int attribute_in_force = -1;

const HANDLE stdout_handle = reinterpret_cast<HANDLE>(static_cast<intptr_t>(STDOUT_FILENO + 1));

void ignore_signal(int) {}

// Before main: make sure the standard descriptors are open, so that nothing
// opened later (the terminal, a display connection) lands on one of them
// and takes output meant for a closed one. And let a write to a pipe with no
// reader fail, as it does on Windows, instead of killing the process: a
// handler rather than SIG_IGN, so that a command started by system() gets
// the default back.
__attribute__((constructor)) void start_up()
{
    for (int fd = 0; fd <= 2; fd++) {
        if (fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            int null = open("/dev/null", O_RDWR);
            if (null >= 0 && null != fd) {
                dup2(null, fd);
                close(null);
            }
        }
    }
    struct sigaction action = {};
    action.sa_handler = ignore_signal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGPIPE, &action, nullptr);
}

} // namespace

bool write_all(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        ssize_t n = write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}

std::string attribute_sgr(uint16_t attribute)
{
    // Console colour bits are blue 1, green 2, red 4; ANSI's are red 1, green
    // 2, blue 4. Intensity picks the bright range.
    auto ansi = [](unsigned c) { return (c & 2) | ((c & 1) << 2) | ((c & 4) >> 2); };
    unsigned fg = attribute & 0xF, bg = (attribute >> 4) & 0xF;
    std::string sgr = "\x1b[0;";
    if (attribute & 0x4000)
        sgr += "7;";
    if (attribute & 0x8000)
        sgr += "4;";
    sgr += std::to_string((fg & 8 ? 90 : 30) + ansi(fg)) + ";";
    sgr += std::to_string((bg & 8 ? 100 : 40) + ansi(bg)) + "m";
    return sgr;
}

std::string console_sgr()
{
    return attribute_in_force < 0 ? "\x1b[0m"
                                  : attribute_sgr(static_cast<uint16_t>(attribute_in_force));
}

std::string clear_screen(int fd)
{
    std::string clear = attribute_in_force < 0 ? "" : console_sgr();
    if (terminal_caps().back_colour_erase || attribute_in_force < 0) {
        // Erase the screen and the scrollback in the colours in force.
        clear += "\x1b[2J\x1b[3J";
    } else {
        // A terminal that erases in its default colours: every cell is
        // written, in the colours in force.
        int cols, rows;
        terminal_size(fd, cols, rows);
        clear += "\x1b[3J" + paint_cells(0, 0, cols, rows);
    }
    return clear + "\x1b[H";
}

void terminal_size(int fd, int &cols, int &rows)
{
    winsize size = {};
    if (ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 && size.ws_row > 0) {
        cols = size.ws_col;
        rows = size.ws_row;
    } else {
        cols = 80;
        rows = 24;
    }
}

std::string paint_cells(int top, int left, int width, int height)
{
    std::string out;
    for (int y = top; y < top + height; y++)
        out += "\x1b[" + std::to_string(y + 1) + ";" + std::to_string(left + 1) + "H" +
               std::string(static_cast<size_t>(std::max(width, 0)), ' ');
    return out;
}

bool terminal_is_dumb()
{
    const char *term = getenv("TERM");
    return term && strcmp(term, "dumb") == 0;
}

bool console_is_terminal()
{
    return isatty(STDOUT_FILENO) && !terminal_is_dumb();
}

extern "C" HANDLE GetStdHandle(DWORD nStdHandle)
{
    return nStdHandle == STD_OUTPUT_HANDLE ? stdout_handle : INVALID_HANDLE_VALUE;
}

extern "C" BOOL SetConsoleTextAttribute(HANDLE hConsoleOutput, WORD wAttributes)
{
    if (hConsoleOutput != stdout_handle || !console_is_terminal())
        return FALSE;
    // What was written before keeps the colours it was written in.
    fflush(stdout);
    if (!write_all(STDOUT_FILENO, attribute_sgr(wAttributes)))
        return FALSE;
    attribute_in_force = wAttributes;
    return TRUE;
}

// The program's system() (linked with --wrap=system, which gives these two
// their names): the command interpreter's built-in "cls" here, anything else
// to the C library's.
// NOLINTBEGIN(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
extern "C" int __real_system(const char *command);
extern "C" int __wrap_system(const char *command)
{
    if (command && strcmp(command, "cls") == 0) {
        fflush(stdout);
        if (console_is_terminal())
            write_all(STDOUT_FILENO, clear_screen(STDOUT_FILENO));
        return 0;
    }
    return __real_system(command);
}
// NOLINTEND(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
