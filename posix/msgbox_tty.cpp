// The message box drawn on the controlling terminal.
//
// The box is modal: it takes the terminal's alternate screen, so the console
// underneath comes back untouched, reads keys and mouse clicks until it is
// dismissed, and gives the terminal back exactly as it found it, also when a
// signal ends the process while the box is up.
#include "internal.h"
#include "windows.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <string.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
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
    char enter[256], leave[256]; // escape sequences into and out of the box
    size_t enter_length = 0, leave_length = 0;
};
Terminal terminal;
volatile sig_atomic_t taken = 0;     // the terminal is in the box's modes
volatile sig_atomic_t resized = 0;   // the box is to be drawn anew
volatile sig_atomic_t continued = 0; // back from a stop: drawn anew too

const int box_signals[] = {SIGINT, SIGQUIT, SIGTERM, SIGHUP, SIGTSTP, SIGWINCH};
struct sigaction previous[std::size(box_signals)];

// Async-signal-safe.
void give_back()
{
    if (!taken)
        return;
    taken = 0;
    write_all(terminal.fd, {terminal.leave, terminal.leave_length});
    tcsetattr(terminal.fd, TCSANOW, &terminal.saved);
}

// Async-signal-safe.
void take()
{
    tcsetattr(terminal.fd, TCSAFLUSH, &terminal.raw);
    write_all(terminal.fd, {terminal.enter, terminal.enter_length});
    taken = 1;
}

void default_action(int signal)
{
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigaction(signal, &action, nullptr);
}

// A signal that ends the process: the terminal is given back, then the
// signal ends the process by its default action, with its own status.
void on_ending(int signal)
{
    give_back();
    default_action(signal);
    raise(signal); // delivered as soon as this handler returns
}

void on_winch(int)
{
    resized = 1;
}

void on_stop(int)
{
    int saved_errno = errno;
    give_back();
    default_action(SIGTSTP);
    sigset_t stop;
    sigemptyset(&stop);
    sigaddset(&stop, SIGTSTP);
    sigprocmask(SIG_UNBLOCK, &stop, nullptr);
    raise(SIGTSTP); // stopped here until continued
    // cppcheck-suppress unreachableCode ; raise() returns once continued
    sigprocmask(SIG_BLOCK, &stop, nullptr);
    struct sigaction action = {};
    action.sa_handler = on_stop;
    sigfillset(&action.sa_mask);
    sigaction(SIGTSTP, &action, nullptr);
    take();
    continued = 1;
    errno = saved_errno;
}

void install_handlers()
{
    for (size_t i = 0; i < std::size(box_signals); i++) {
        int signal = box_signals[i];
        sigaction(signal, nullptr, &previous[i]);
        // A signal the process was started to ignore stays ignored.
        if (previous[i].sa_handler == SIG_IGN && signal != SIGWINCH)
            continue;
        struct sigaction action = {};
        action.sa_handler = signal == SIGWINCH ? on_winch : signal == SIGTSTP ? on_stop : on_ending;
        sigfillset(&action.sa_mask);
        sigaction(signal, &action, nullptr);
    }
}

void restore_handlers()
{
    for (size_t i = 0; i < std::size(box_signals); i++)
        sigaction(box_signals[i], &previous[i], nullptr);
}

// Copies an escape sequence where a signal handler can write it from.
size_t keep(char (&to)[256], const std::string &sequence)
{
    size_t length = std::min(sequence.size(), sizeof to);
    memcpy(to, sequence.data(), length);
    return length;
}

struct Style {
    const char *title, *body, *button;
};
const Style style = {"\x1b[0;97;44m", "\x1b[0;30;47m", "\x1b[0;97;44m"};

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

std::string render(const BoxLayout &box, std::string_view caption, bool unicode)
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
            row.add(style.title, caption, box.close_left - 1);
            row.repeat(style.title, " ", box.close_left - row.column());
            row.add(style.title, "[X]");
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

// Parses "\e[<b;x;yM" (SGR) or "\e[Mbxy" (X10): a release of the first
// button on the OK button or the close mark dismisses the box.
BoxInput mouse(std::string_view in, const BoxLayout &box, size_t *used)
{
    int button, x, y;
    bool release;
    if (in.size() >= 3 && in[2] == 'M') {
        if (in.size() < 6)
            return BoxInput::incomplete;
        *used = 6;
        // X10 reports a release as button 3, whichever button it was.
        release = ((static_cast<unsigned char>(in[3]) - 32) & 3) == 3;
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
            return BoxInput::incomplete;
        *used = i + 1;
        if ((in[i] != 'M' && in[i] != 'm') || n != 2)
            return BoxInput::none;
        button = values[0];
        x = values[1];
        y = values[2];
        release = in[i] == 'm';
    }
    // Only a plain click of the first button: no wheel, drag or modifier.
    if (!release || button != 0)
        return BoxInput::none;
    int row = y - 1, column = x - 1;
    bool on_ok = row == box.ok_row && column >= box.ok_left && column < box.ok_right;
    bool on_close = row == box.close_row && column >= box.close_left && column < box.close_right;
    return on_ok || on_close ? BoxInput::dismiss : BoxInput::none;
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
    box.lines = break_lines(text, std::max(1, cols - 6));
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
    return box;
}

BoxInput box_input(std::string_view in, const BoxLayout &box, size_t *used)
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
    if (in[1] == '\x1b')
        return BoxInput::dismiss; // Esc, then something else
    if (in[1] == 'O') {           // SS3: a function key; "\eOM" is keypad Enter
        if (in.size() < 3)
            return BoxInput::incomplete;
        *used = 3;
        return in[2] == 'M' ? BoxInput::dismiss : BoxInput::none;
    }
    if (in[1] != '[') {
        *used = 2; // Alt and a key
        return BoxInput::none;
    }
    if (in.size() >= 3 && (in[2] == '<' || in[2] == 'M'))
        return mouse(in, box, used);
    // Any other control sequence: parameters, then a final byte.
    for (size_t i = 2; i < in.size(); i++) {
        unsigned char b = static_cast<unsigned char>(in[i]);
        if (b >= 0x40 && b <= 0x7E) {
            *used = i + 1;
            return BoxInput::none;
        }
    }
    return BoxInput::incomplete;
}

int tty_message_box(const std::string &caption, const std::string &text)
{
    int fd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return 0;
    // Keep clear of the standard descriptors, whatever is open.
    if (fd <= 2) {
        int high = fcntl(fd, F_DUPFD_CLOEXEC, 3);
        close(fd);
        fd = high;
    }
    termios saved;
    if (fd < 0 || tcgetattr(fd, &saved) != 0) {
        if (fd >= 0)
            close(fd);
        return 0;
    }

    const std::string charset = charset_for_locale(locale_name());
    const bool unicode = charset == "UTF-8";
    // A terminal that can only print lines gets the box as a line.
    const bool dumb = terminal_is_dumb();
    // Around the box, the console's colours, as if it stood over the console.
    const std::string console = console_sgr();

    terminal.fd = fd;
    terminal.saved = saved;
    terminal.raw = saved;
    // Keys one at a time, not echoed; Ctrl+C and the like still signal.
    terminal.raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ECHONL | IEXTEN);
    terminal.raw.c_iflag &= ~static_cast<tcflag_t>(IXON | ICRNL | INLCR | IGNCR);
    terminal.raw.c_cc[VMIN] = 1;
    terminal.raw.c_cc[VTIME] = 0;
    // Alternate screen, cursor hidden, clicks reported.
    terminal.enter_length =
        keep(terminal.enter, dumb ? "" : "\x1b[?1049h\x1b[?25l\x1b[?1000h\x1b[?1006h");
    terminal.leave_length = keep(
        terminal.leave, dumb ? "\r\n" : "\x1b[?1006l\x1b[?1000l\x1b[?25h\x1b[?1049l" + console);

    sigset_t box_set, outside;
    sigemptyset(&box_set);
    for (int signal : box_signals)
        sigaddset(&box_set, signal);
    sigprocmask(SIG_BLOCK, &box_set, &outside);
    install_handlers();
    take();
    // While waiting for a key, the signals that end the process or resize the
    // terminal come through; the others stay as they were.
    sigset_t waiting = outside;
    for (int signal : box_signals)
        sigdelset(&waiting, signal);
    sigset_t running = outside;
    sigaddset(&running, SIGWINCH);
    sigprocmask(SIG_SETMASK, &running, nullptr);

    int result = 0;
    BoxLayout box = {};
    std::string pending;
    for (bool open = true, first = true; open; first = false) {
        // A box is drawn anew after a resize or a stop; a line only after a stop.
        const bool again = first || continued || (resized && !dumb);
        continued = 0;
        resized = 0;
        if (again && dumb) {
            write_all(fd, utf8_to_charset(charset, line_box(caption, text)));
        } else if (again) {
            int cols, rows;
            terminal_size(fd, cols, rows);
            box = layout_box(caption, text, cols, rows);
            write_all(
                fd, utf8_to_charset(charset, console + "\x1b[2J" + render(box, caption, unicode)));
        }
        pollfd poll_tty = {fd, POLLIN, 0};
        // After a lone Esc, a moment for the rest of a sequence.
        const bool lone_escape = pending == "\x1b";
        timespec escape_wait = {0, 30 * 1000000L};
        int ready = ppoll(&poll_tty, 1, lone_escape ? &escape_wait : nullptr, &waiting);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready == 0) {
            result = IDOK;
            break;
        }
        char buffer[256];
        ssize_t n = ready > 0 ? read(fd, buffer, sizeof buffer) : -1;
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0)
            break; // the terminal is gone
        pending.append(buffer, static_cast<size_t>(n));
        for (;;) {
            size_t used;
            BoxInput input = box_input(pending, box, &used);
            if (input == BoxInput::incomplete)
                break;
            pending.erase(0, used);
            if (input == BoxInput::dismiss) {
                result = IDOK;
                open = false;
                break;
            }
        }
    }

    sigprocmask(SIG_BLOCK, &box_set, nullptr);
    give_back();
    restore_handlers();
    terminal.fd = -1;
    sigprocmask(SIG_SETMASK, &outside, nullptr);
    close(fd);
    return result;
}
