// What the terminal can do, as its terminfo entry says (through ncurses'
// libtinfo), for the terminal named by TERM.
//
// Where there is no entry, the sequences of xterm and its kin, which nearly
// every terminal understands. GNU screen's entry claims an alternate screen
// that screen ignores unless it is configured to keep one: screen is known
// by the STY it sets, and given none.
#include "internal.h"

#include <stdlib.h>
#include <term.h>
#include <unistd.h>

#include <algorithm>
#include <string>

namespace {

const char *string_cap(const char *name)
{
    char *value = tigetstr(name);
    return value == nullptr || value == reinterpret_cast<char *>(-1) ? nullptr : value;
}

} // namespace

TerminalCaps caps_for(const char *term, bool in_screen)
{
    TerminalCaps caps;
    int error = 0;
    if (term && *term && setupterm(term, STDOUT_FILENO, &error) == 0) {
        const char *smcup = string_cap("smcup"), *rmcup = string_cap("rmcup");
        caps.enter_alternate = smcup && rmcup ? smcup : "";
        caps.leave_alternate = smcup && rmcup ? rmcup : "";
        const char *civis = string_cap("civis"), *cnorm = string_cap("cnorm");
        caps.hide_cursor = civis && cnorm ? civis : "";
        caps.show_cursor = civis && cnorm ? cnorm : "";
        const char *sc = string_cap("sc"), *rc = string_cap("rc");
        caps.save_position = sc && rc ? sc
                                      : "\x1b"
                                        "7";
        caps.restore_position = sc && rc ? rc
                                         : "\x1b"
                                           "8";
        caps.colours = std::max(tigetnum("colors"), 0);
        caps.back_colour_erase = tigetflag("bce") > 0;
        // Given back: nothing of the entry is kept.
        del_curterm(cur_term);
        cur_term = nullptr;
    }
    if (in_screen) {
        caps.enter_alternate.clear();
        caps.leave_alternate.clear();
    }
    return caps;
}

const TerminalCaps &terminal_caps()
{
    // Looked up again only when the environment names another terminal.
    static std::string term = "\n";
    static bool in_screen = false;
    static TerminalCaps caps;
    const char *now = getenv("TERM");
    bool screen_now = getenv("STY") != nullptr;
    if (term != (now ? now : "") || in_screen != screen_now) {
        term = now ? now : "";
        in_screen = screen_now;
        caps = caps_for(term.c_str(), in_screen);
    }
    return caps;
}
