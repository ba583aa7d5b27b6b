// The message box drawn on the controlling terminal.
//
// The box is modal: it takes the terminal's alternate screen, so the console
// underneath comes back untouched, reads keys and mouse clicks until it is
// dismissed, and gives the terminal back exactly as it found it, also when a
// signal ends the process while the box is up.
#include "codepage_table.h"
#include "internal.h"
#include "windows.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <string.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <climits>

namespace {

// Decodes the UTF-8 character at text[i] and moves i past it.
char32_t next_char(std::string_view text, size_t &i)
{
    unsigned char c = static_cast<unsigned char>(text[i++]);
    int more = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    char32_t code = more ? c & (0x3F >> more) : c;
    for (; more > 0 && i < text.size(); more--)
        code = (code << 6) | (static_cast<unsigned char>(text[i++]) & 0x3F);
    return code;
}

// Lines of the text, broken at spaces (or anywhere, in a word too long) so
// that none is wider than width columns. Tabs stop every four columns.
std::vector<std::string> break_lines(std::string_view text, int width)
{
    std::vector<std::string> lines(1);
    int used = 0;
    size_t space = std::string::npos; // in the last line, after its last space
    int after_space = 0;              // columns after that space
    for (size_t i = 0; i < text.size();) {
        size_t start = i;
        char32_t c = next_char(text, i);
        std::string &line = lines.back();
        if (c == '\n') {
            lines.emplace_back();
            used = 0;
            space = std::string::npos;
            continue;
        }
        std::string glyph(text.substr(start, i - start));
        int w = char_width(c);
        if (c == '\t') {
            w = 4 - used % 4;
            glyph.assign(static_cast<size_t>(w), ' ');
        }
        if (used + w > width && used > 0) {
            if (space != std::string::npos && c != ' ') {
                std::string rest = line.substr(space);
                line.erase(space);
                while (!line.empty() && line.back() == ' ')
                    line.pop_back();
                lines.push_back(rest);
                used = after_space;
            } else {
                lines.emplace_back();
                used = 0;
            }
            space = std::string::npos;
            if (c == ' ')
                continue;
        }
        lines.back() += glyph;
        used += w;
        after_space += w;
        if (c == ' ' || c == '\t') {
            space = lines.back().size();
            after_space = 0;
        }
    }
    return lines;
}

// Where the terminal is, and how to give it back: kept where a signal
// handler can reach it, and only touched there with async-signal-safe calls
// (write_all, which is write; tcsetattr, sigaction, sigprocmask, raise).
struct Terminal {
    int fd = -1;
    termios saved, raw;
    // What takes the terminal into the box and out of it. Changed only while
    // no handler can run (see set_leave).
    std::string enter, leave;
};
Terminal terminal;
// Set by the handlers, taken by the loop. Lock-free, so safe in a handler;
// read and cleared in one step, so that no signal is lost in between.
std::atomic<bool> taken{false};     // the terminal is in the box's modes
std::atomic<bool> resized{false};   // the box is to be drawn anew
std::atomic<bool> continued{false}; // back from a stop: taken again, drawn anew
static_assert(std::atomic<bool>::is_always_lock_free);

// What the box does with a signal while it is up. Any signal whose default
// action ends the process gives the terminal back first (the fatal ones too);
// a stop gives it back, and the box takes it again once continued.
const int ending_signals[] = {SIGHUP,  SIGINT,  SIGQUIT,   SIGILL,  SIGTRAP, SIGABRT,
                              SIGBUS,  SIGFPE,  SIGUSR1,   SIGSEGV, SIGUSR2, SIGPIPE,
                              SIGALRM, SIGTERM, SIGSTKFLT, SIGXCPU, SIGXFSZ, SIGVTALRM,
                              SIGPROF, SIGIO,   SIGPWR,    SIGSYS};
const int stop_signals[] = {SIGTSTP, SIGTTIN, SIGTTOU};

struct sigaction previous[NSIG];
bool handled[NSIG]; // a handler of the box's own is in place

// Async-signal-safe.
void give_back()
{
    if (!taken.exchange(false))
        return;
    write_all(terminal.fd, terminal.leave);
    tcsetattr(terminal.fd, TCSANOW, &terminal.saved);
}

// Taken first, so that a signal that lands meanwhile gives it back.
void take()
{
    taken = true;
    tcsetattr(terminal.fd, TCSAFLUSH, &terminal.raw);
    write_all(terminal.fd, terminal.enter);
}

void default_action(int signal)
{
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigaction(signal, &action, nullptr);
}

void handle(int signal, void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    // Nothing else of ours runs inside a handler.
    sigfillset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
}

void set_mask(int how, int signal)
{
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, signal);
    sigprocmask(how, &set, nullptr);
}

// A signal that ends the process: the terminal is given back, then the
// signal ends the process by its default action, with its own status.
void on_ending(int signal)
{
    give_back();
    default_action(signal);
    // Delivered as soon as this handler returns; a fault comes back at once
    // on its own.
    raise(signal);
}

void on_winch(int)
{
    resized = true;
}

// Ctrl+Z, or a background read or write of the terminal: the terminal is
// given back, then the process stops, by the signal's own default action,
// so that the shell says why. Once continued, the loop takes the terminal
// again, and only in the foreground: not here.
void on_stop(int signal)
{
    int saved_errno = errno;
    give_back();
    default_action(signal);
    set_mask(SIG_UNBLOCK, signal);
    raise(signal); // stopped here until continued
    // cppcheck-suppress unreachableCode ; raise() returns once continued
    set_mask(SIG_BLOCK, signal);
    handle(signal, on_stop);
    continued = true;
    errno = saved_errno;
}

// Continued after a stop that could not be caught (SIGSTOP): the shell may
// have set the terminal's modes to its own meanwhile.
void on_continue(int)
{
    continued = true;
}

void install_handlers()
{
    auto install = [](int signal, void (*handler)(int), bool even_if_ignored) {
        sigaction(signal, nullptr, &previous[signal]);
        // A signal the process was started to ignore stays ignored, and one
        // it handles itself stays its own.
        if (previous[signal].sa_handler != SIG_DFL && !even_if_ignored)
            return;
        handle(signal, handler);
        handled[signal] = true;
    };
    for (int signal : ending_signals)
        install(signal, on_ending, false);
    for (int signal = SIGRTMIN; signal <= SIGRTMAX; signal++)
        install(signal, on_ending, false);
    for (int signal : stop_signals)
        install(signal, on_stop, false);
    install(SIGCONT, on_continue, true);
    install(SIGWINCH, on_winch, true);
}

void restore_handlers()
{
    for (int signal = 1; signal < NSIG; signal++) {
        if (handled[signal])
            sigaction(signal, &previous[signal], nullptr);
        handled[signal] = false;
    }
}

// Whether the process may use the terminal: it is in the foreground, or it
// would not be stopped for using it from the background (SIGTTOU ignored).
bool may_take(int fd)
{
    return tcgetpgrp(fd) == getpgrp() || !handled[SIGTTOU];
}

// What gives the terminal back, from now on: set while no handler runs.
void set_leave(std::string leave)
{
    sigset_t all, was;
    sigfillset(&all);
    sigprocmask(SIG_BLOCK, &all, &was);
    terminal.leave = std::move(leave);
    sigprocmask(SIG_SETMASK, &was, nullptr);
}

struct Style {
    const char *title, *body, *button;
};
// Bright white on blue for the title bar and the button, black on grey for
// the rest; where there are no colours, the title bar and the button in
// reverse video, the button bold too.
const Style colour_style = {"\x1b[0;97;44m", "\x1b[0;30;47m", "\x1b[0;97;44m"};
const Style mono_style = {"\x1b[0;7m", "\x1b[0m", "\x1b[0;1;7m"};

struct Glyphs {
    const char *top_left, *top_right, *bottom_left, *bottom_right, *horizontal, *vertical;
};
const Glyphs unicode_glyphs = {"┌", "┐", "└", "┘", "─", "│"};
const Glyphs ascii_glyphs = {"+", "+", "+", "+", "-", "|"};

// One row of the box, cell by cell, cut at the terminal's right edge.
class Row {
  public:
    Row(int left, int cols) : column_(left), cols_(cols) {}
    // Adds text up to the column stop at most.
    void add(const char *sgr, std::string_view text, int stop = INT_MAX)
    {
        if (sgr != sgr_) {
            out_ += sgr;
            sgr_ = sgr;
        }
        for (size_t i = 0; i < text.size();) {
            size_t start = i;
            int w = char_width(next_char(text, i));
            if (column_ + w > std::min(cols_, stop))
                return;
            out_.append(text.substr(start, i - start));
            column_ += w;
        }
    }
    void repeat(const char *sgr, std::string_view text, int times)
    {
        for (int i = 0; i < times; i++)
            add(sgr, text);
    }
    int column() const { return column_; }
    const std::string &bytes() const { return out_; }

  private:
    std::string out_;
    const char *sgr_ = nullptr;
    int column_, cols_;
};

std::string render(const BoxLayout &box, std::string_view caption, bool unicode, const Style &style)
{
    const Glyphs &g = unicode ? unicode_glyphs : ascii_glyphs;
    int inner = box.width - 2;
    std::string out;
    for (int r = 0; r < box.height; r++) {
        int y = box.top + r;
        if (y >= box.rows)
            break;
        Row row(box.left, box.cols);
        if (r == 0) {
            row.add(style.title, g.top_left);
            row.add(style.title, " ");
            if (box.close_row >= 0) {
                row.add(style.title, caption, box.close_left - 1);
                row.repeat(style.title, " ", box.close_left - row.column());
                row.add(style.title, "[X]");
            } else {
                row.add(style.title, caption, box.left + box.width - 1);
            }
            row.repeat(style.title, " ", box.left + box.width - 1 - row.column());
            row.add(style.title, g.top_right);
        } else if (r == box.height - 1) {
            row.add(style.body, g.bottom_left);
            row.repeat(style.body, g.horizontal, inner);
            row.add(style.body, g.bottom_right);
        } else {
            row.add(style.body, g.vertical);
            if (y == box.ok_row) {
                row.repeat(style.body, " ", box.ok_left - row.column());
                row.add(style.button, "[ OK ]");
            } else if (r >= 2 && r - 2 < static_cast<int>(box.lines.size())) {
                row.add(style.body, "  ");
                row.add(style.body, box.lines[static_cast<size_t>(r - 2)]);
            }
            row.repeat(style.body, " ", box.left + box.width - 1 - row.column());
            row.add(style.body, g.vertical);
        }
        out += "\x1b[" + std::to_string(y + 1) + ";" + std::to_string(box.left + 1) + "H";
        out += row.bytes();
    }
    return out;
}

// The cells under the box, blanked in the console's colours.
std::string blank(const BoxLayout &box, const std::string &console)
{
    return console + paint_cells(box.top, box.left, std::min(box.width, box.cols - box.left),
                                 std::min(box.height, box.rows - box.top));
}

// The whole screen in the console's colours, every cell written where the
// terminal would erase in its default colours.
std::string backdrop(int cols, int rows, const std::string &console, bool erase_fills)
{
    return console + (erase_fills ? "\x1b[2J" : paint_cells(0, 0, cols, rows));
}

// Locales whose terminals may draw line-drawing characters two columns
// wide: those of the East Asian code pages.
bool east_asian(const char *locale)
{
    unsigned codepage = codepage_for_locale(locale);
    return codepage == 932 || codepage == 936 || codepage == 949 || codepage == 950;
}

// The box on one line, for a terminal that cannot do more.
std::string line_box(std::string_view caption, std::string_view text)
{
    std::string line = "\r\n";
    line += caption;
    line += ": ";
    for (char c : text)
        line += c == '\n' || c == '\t' ? ' ' : c;
    return line + "  [ OK ] ";
}

// What is under a cell of the box that a click can press.
BoxTarget target_at(const BoxLayout &box, int row, int column)
{
    if (row == box.ok_row && column >= box.ok_left && column < box.ok_right)
        return BoxTarget::ok;
    if (row == box.close_row && column >= box.close_left && column < box.close_right)
        return BoxTarget::close;
    return BoxTarget::none;
}

// The longest control sequence a terminal sends for a key or a click, with
// room to spare: anything longer is no sequence of ours.
const size_t longest_sequence = 32;

// Parses "\e[<b;x;yM" or "...m" (SGR) or "\e[Mbxy" (X10). A click, as on
// Windows, is the first button pressed and released on the same button of
// the box, OK or the close mark.
BoxInput mouse(std::string_view in, const BoxLayout &box, size_t *used, BoxTarget *pressed)
{
    int button, x, y;
    bool release;
    if (in[2] == 'M') {
        if (in.size() < 6)
            return BoxInput::incomplete;
        *used = 6;
        // X10 reports a release as button 3, whichever button it was.
        button = static_cast<unsigned char>(in[3]) - 32;
        release = button == 3;
        if (release)
            button = 0;
        x = static_cast<unsigned char>(in[4]) - 32;
        y = static_cast<unsigned char>(in[5]) - 32;
    } else {
        int values[3] = {0, 0, 0}, n = 0;
        size_t i = 3;
        for (; i < in.size(); i++) {
            char c = in[i];
            if (c >= '0' && c <= '9') {
                if (n < 3)
                    values[n] = std::min(values[n] * 10 + (c - '0'), 100000);
            } else if (c == ';') {
                n++;
            } else {
                break;
            }
        }
        if (i >= in.size())
            return in.size() < longest_sequence ? BoxInput::incomplete
                                                : (*used = i, BoxInput::none);
        if (in[i] != 'M' && in[i] != 'm') {
            *used = i; // not a report: what stopped it is read on its own
            return BoxInput::none;
        }
        *used = i + 1;
        if (n != 2)
            return BoxInput::none;
        button = values[0];
        x = values[1];
        y = values[2];
        release = in[i] == 'm';
    }
    // Only the first button, with no modifier and no wheel.
    if (button != 0)
        return BoxInput::none;
    BoxTarget under = target_at(box, y - 1, x - 1);
    if (!release) {
        *pressed = under;
        return BoxInput::none;
    }
    bool clicked = under != BoxTarget::none && under == *pressed;
    *pressed = BoxTarget::none;
    return clicked ? BoxInput::dismiss : BoxInput::none;
}

} // namespace

int char_width(char32_t c)
{
    struct Range {
        char32_t first, last;
    };
    static const Range zero[] = {
        {0x0300, 0x036F}, {0x0483, 0x0489}, {0x0591, 0x05BD}, {0x0610, 0x061A}, {0x064B, 0x065F},
        {0x0E31, 0x0E31}, {0x0E34, 0x0E3A}, {0x0E47, 0x0E4E}, {0x1160, 0x11FF}, {0x1AB0, 0x1AFF},
        {0x1DC0, 0x1DFF}, {0x200B, 0x200F}, {0x20D0, 0x20FF}, {0xFE00, 0xFE0F}, {0xFE20, 0xFE2F},
    };
    static const Range wide[] = {
        {0x1100, 0x115F},   {0x231A, 0x231B},   {0x2329, 0x232A},   {0x2E80, 0x303E},
        {0x3041, 0x33FF},   {0x3400, 0x4DBF},   {0x4E00, 0x9FFF},   {0xA000, 0xA4CF},
        {0xA960, 0xA97F},   {0xAC00, 0xD7A3},   {0xF900, 0xFAFF},   {0xFE10, 0xFE19},
        {0xFE30, 0xFE6F},   {0xFF00, 0xFF60},   {0xFFE0, 0xFFE6},   {0x1F300, 0x1F64F},
        {0x1F900, 0x1F9FF}, {0x20000, 0x2FFFD}, {0x30000, 0x3FFFD},
    };
    auto in = [c](const auto &ranges) {
        return std::any_of(std::begin(ranges), std::end(ranges),
                           [c](const Range &r) { return c >= r.first && c <= r.last; });
    };
    return in(zero) ? 0 : in(wide) ? 2 : 1;
}

int text_width(std::string_view utf8)
{
    int width = 0;
    for (size_t i = 0; i < utf8.size();)
        width += char_width(next_char(utf8, i));
    return width;
}

BoxLayout layout_box(std::string_view caption, std::string_view text, int cols, int rows)
{
    BoxLayout box = {};
    box.cols = cols;
    box.rows = rows;
    // Borders and a margin of two on each side; the text is broken to fit
    // the terminal.
    const int room = std::max(1, cols - 6);
    box.lines = break_lines(text, room);
    // Whatever a break left, no line is wider than the room: cut it there.
    for (size_t n = 0; n < box.lines.size(); n++) {
        std::string &line = box.lines[n];
        int used = 0;
        for (size_t i = 0; i < line.size();) {
            size_t start = i;
            int w = char_width(next_char(line, i));
            if (used + w > room && used > 0) {
                std::string rest = line.substr(start);
                line.erase(start); // before the insertion moves the line
                box.lines.insert(box.lines.begin() + static_cast<long>(n) + 1, std::move(rest));
                break;
            }
            used += w;
        }
    }
    int content = 6; // "[ OK ]"
    for (const std::string &line : box.lines)
        content = std::max(content, text_width(line));
    // The title bar: corner, " caption ", the close mark "[X]", " ", corner.
    int title = text_width(caption) + 8;
    box.width = std::min(std::max({content + 6, title, 24}), cols);
    box.height = static_cast<int>(box.lines.size()) + 5;
    box.left = (cols - box.width) / 2;
    box.top = std::max(0, (rows - box.height) / 2);
    box.ok_row = box.top + box.height - 2;
    box.ok_left = box.left + (box.width - 6) / 2;
    box.ok_right = box.ok_left + 6;
    box.close_row = box.top;
    box.close_right = box.left + box.width - 2;
    box.close_left = box.close_right - 3;
    // A button that cannot be drawn whole, between the borders and on the
    // screen, is not drawn and cannot be clicked: keys still dismiss.
    if (box.width < 8 || box.ok_row >= rows)
        box.ok_row = box.ok_left = box.ok_right = -1;
    if (box.width < 7)
        box.close_row = box.close_left = box.close_right = -1;
    return box;
}

std::string caption_line(std::string caption)
{
    std::replace_if(
        caption.begin(), caption.end(), [](char c) { return c == '\t' || c == '\n'; }, ' ');
    return caption;
}

std::string render_box(const BoxLayout &box, std::string_view caption, bool unicode, bool colours)
{
    return render(box, caption, unicode, colours ? colour_style : mono_style);
}

BoxInput box_input(std::string_view in, const BoxLayout &box, size_t *used, BoxTarget *pressed)
{
    *used = 1;
    if (in.empty())
        return BoxInput::incomplete;
    char c = in[0];
    if (c == '\r' || c == '\n' || c == ' ')
        return BoxInput::dismiss;
    if (c != '\x1b')
        return BoxInput::none;
    // A lone Esc, or the start of a sequence that is yet to come.
    if (in.size() == 1)
        return BoxInput::incomplete;
    // Esc, then another key that dismisses (a terminal may hold a lone Esc
    // back and send it with the next key): one dismissal.
    if (in[1] == '\x1b' || in[1] == '\r' || in[1] == '\n' || in[1] == ' ')
        return BoxInput::dismiss;
    if (in[1] == 'O') { // SS3: a function key; "\eOM" is keypad Enter
        if (in.size() < 3)
            return BoxInput::incomplete;
        unsigned char final = static_cast<unsigned char>(in[2]);
        if (final < 0x40 || final > 0x7E) {
            *used = 2; // cut short: what follows is a key of its own
            return BoxInput::none;
        }
        *used = 3;
        return final == 'M' ? BoxInput::dismiss : BoxInput::none;
    }
    if (in[1] != '[') {
        *used = 2; // Alt and a key
        return BoxInput::none;
    }
    if (in.size() >= 3 && (in[2] == '<' || in[2] == 'M'))
        return mouse(in, box, used, pressed);
    // Any other control sequence: parameters and intermediates, then a final
    // byte. Anything else cuts it short, and is read as a key of its own.
    for (size_t i = 2; i < in.size(); i++) {
        unsigned char b = static_cast<unsigned char>(in[i]);
        if (b >= 0x40 && b <= 0x7E) {
            *used = i + 1;
            return BoxInput::none;
        }
        if (b < 0x21 || b > 0x3F || i >= longest_sequence) {
            *used = i;
            return BoxInput::none;
        }
    }
    return BoxInput::incomplete;
}

namespace {

// The controlling terminal, on a descriptor clear of the standard ones
// (whatever is open), and its modes as found; -1 where there is none.
int open_terminal(termios &found)
{
    int fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd >= 0 && fd <= 2) {
        int high = fcntl(fd, F_DUPFD_CLOEXEC, 3);
        close(fd);
        fd = high;
    }
    if (fd >= 0 && tcgetattr(fd, &found) != 0) {
        close(fd);
        fd = -1;
    }
    return fd;
}

// The terminal in the box's hands, for the life of the object: on
// construction, its state is kept and the box's signal handlers put in
// place; on destruction, all of it is given back as it was found.
class BoxTerminal {
  public:
    BoxTerminal(int fd, const termios &found, std::string enter, std::string leave)
    {
        terminal.fd = fd;
        terminal.saved = found;
        terminal.raw = found;
        // Keys one at a time, not echoed; Ctrl+C and the like still signal.
        terminal.raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ECHONL | IEXTEN);
        terminal.raw.c_iflag &= ~static_cast<tcflag_t>(IXON | ICRNL | INLCR | IGNCR);
        terminal.raw.c_cc[VMIN] = 1;
        terminal.raw.c_cc[VTIME] = 0;
        terminal.enter = std::move(enter);
        terminal.leave = std::move(leave);

        // Until all the handlers are in place, none runs.
        sigset_t all;
        sigfillset(&all);
        sigprocmask(SIG_BLOCK, &all, &outside_);
        install_handlers();
        // While waiting for a key, every signal the box handles comes
        // through; the others stay as the program had them.
        waiting_ = outside_;
        for (int signal = 1; signal < NSIG; signal++)
            if (handled[signal])
                sigdelset(&waiting_, signal);
        // While drawing, a resize waits for the wait (the box is drawn again
        // then); anything that ends or stops the process does not.
        sigset_t running = waiting_;
        sigaddset(&running, SIGWINCH);
        sigprocmask(SIG_SETMASK, &running, nullptr);
    }

    ~BoxTerminal()
    {
        // Given back once, with no handler to run meanwhile; then the
        // program's own handlers and mask.
        sigset_t all;
        sigfillset(&all);
        sigprocmask(SIG_BLOCK, &all, nullptr);
        give_back();
        restore_handlers();
        close(terminal.fd);
        terminal.fd = -1;
        sigprocmask(SIG_SETMASK, &outside_, nullptr);
    }

    BoxTerminal(const BoxTerminal &) = delete;
    BoxTerminal &operator=(const BoxTerminal &) = delete;

    // Takes the terminal at first and after any stop, and only in the
    // foreground. From the background, touching the terminal stops the
    // process (SIGTTOU), as it does any process, until it is continued; a
    // process that nothing can continue (its group orphaned) gets EIO, and
    // no box. Whether it was taken (again), when it could be: the box is to
    // be drawn anew then.
    enum class Taking { not_due, taken, impossible };
    static Taking take_when_due(bool first)
    {
        if (!first && !continued.exchange(false))
            return Taking::not_due;
        while (!may_take(terminal.fd)) {
            if (tcsetattr(terminal.fd, TCSANOW, &terminal.saved) != 0 && errno == EIO)
                return Taking::impossible;
            continued = false;
        }
        take();
        return Taking::taken;
    }

    // Waits for input, or for a lone Esc to be followed within a moment;
    // what ppoll says.
    int wait(bool lone_escape) const
    {
        pollfd poll_tty = {terminal.fd, POLLIN, 0};
        timespec escape_wait = {0, 30 * 1000000L};
        return ppoll(&poll_tty, 1, lone_escape ? &escape_wait : nullptr, &waiting_);
    }

  private:
    sigset_t outside_; // the program's own mask
    sigset_t waiting_; // the mask while waiting for a key
};

// The box as the terminal can show it: on a screen of its own, or over the
// console in its own rectangle, or as a line on a terminal that can do no
// more; in the terminal's character set and colours.
class BoxDrawing {
  public:
    BoxDrawing(std::string caption, std::string text)
        : caption_(std::move(caption)), text_(std::move(text)),
          charset_(charset_for_locale(locale_name())),
          // Line-drawing characters where they take one column: in UTF-8, but
          // not in an East Asian locale, where a terminal may give them two.
          unicode_(charset_ == "UTF-8" && !east_asian(locale_name())), dumb_(terminal_is_dumb()),
          caps_(terminal_caps()), alternate_(!caps_.enter_alternate.empty()),
          // Around the box, the console's colours, as if it stood over it.
          console_(console_sgr())
    {
    }

    // The screen of its own (or the cursor kept, to come back to), the
    // cursor hidden, clicks reported.
    std::string enter() const
    {
        if (dumb_)
            return "";
        return (alternate_ ? caps_.enter_alternate : caps_.save_position) + caps_.hide_cursor +
               mouse_on;
    }

    // What gives the terminal back, with the box drawn as it is now.
    std::string leave() const
    {
        if (dumb_)
            return "\r\n";
        std::string out = mouse_off + caps_.show_cursor;
        if (alternate_)
            return out + caps_.leave_alternate + console_;
        return out + (drawn_ ? blank(box_, console_) : "") + caps_.restore_position + console_;
    }

    // Draws the box for the terminal's size now; whether its layout changed.
    void draw(int fd)
    {
        if (dumb_) {
            write_all(fd, utf8_to_charset(charset_, line_box(caption_, text_)));
            return;
        }
        int cols, rows;
        terminal_size(fd, cols, rows);
        // Over the console: the whole of a screen of its own, or just the
        // box's own rectangle, where an earlier one is blanked first.
        std::string under;
        if (alternate_) {
            under = backdrop(cols, rows, console_, caps_.back_colour_erase);
        } else if (drawn_) {
            BoxLayout earlier = box_; // on what is left of the screen it was on
            earlier.cols = std::min(earlier.cols, cols);
            earlier.rows = std::min(earlier.rows, rows);
            under = blank(earlier, console_);
        }
        box_ = layout_box(caption_, text_, cols, rows);
        drawn_ = true;
        if (!alternate_)
            set_leave(leave());
        const Style &style = caps_.colours >= 8 ? colour_style : mono_style;
        write_all(fd, utf8_to_charset(charset_, under + render(box_, caption_, unicode_, style)));
    }

    // A resize redraws a box; a line stays as it is.
    bool follows_size() const { return !dumb_; }
    const BoxLayout &layout() const { return box_; }

  private:
    static constexpr const char *mouse_on = "\x1b[?1000h\x1b[?1006h";
    static constexpr const char *mouse_off = "\x1b[?1006l\x1b[?1000l";
    const std::string caption_, text_, charset_;
    const bool unicode_, dumb_;
    const TerminalCaps &caps_;
    const bool alternate_;
    const std::string console_;
    BoxLayout box_ = {};
    bool drawn_ = false;
};

} // namespace

int tty_message_box(const std::string &caption_text, const std::string &text)
{
    const std::string caption = caption_line(caption_text);
    termios found;
    int fd = open_terminal(found);
    if (fd < 0)
        return 0;
    BoxDrawing drawing(caption, text);
    BoxTerminal held(fd, found, drawing.enter(), drawing.leave());

    // Read until dismissed, drawing the box anew after a stop or a resize.
    std::string pending;
    BoxTarget pressed = BoxTarget::none;
    for (bool first = true;; first = false) {
        BoxTerminal::Taking taking = BoxTerminal::take_when_due(first);
        if (taking == BoxTerminal::Taking::impossible)
            return 0;
        bool again = taking == BoxTerminal::Taking::taken;
        if (resized.exchange(false) && drawing.follows_size())
            again = true;
        if (again) {
            drawing.draw(fd);
            pressed = BoxTarget::none;
        }
        int ready = held.wait(pending == "\x1b");
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready == 0)
            return IDOK; // a lone Esc
        char buffer[256];
        ssize_t n = ready > 0 ? read(fd, buffer, sizeof buffer) : -1;
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0)
            return 0; // the terminal is gone
        pending.append(buffer, static_cast<size_t>(n));
        for (;;) {
            size_t used;
            BoxInput input = box_input(pending, drawing.layout(), &used, &pressed);
            if (input == BoxInput::incomplete)
                break;
            pending.erase(0, used);
            if (input == BoxInput::dismiss)
                return IDOK;
        }
    }
}
