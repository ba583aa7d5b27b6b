// What the files of the POSIX stand-in share with each other (and with
// their tests), beyond the Win32 functions of windows.h.
#ifndef MERONG_INTERNAL_H
#define MERONG_INTERNAL_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// console.cpp

// Writes all of bytes, through interruptions; false when it cannot.
// Async-signal-safe.
bool write_all(int fd, std::string_view bytes);

// The SGR sequence that shows a console attribute, e.g. 0x1F -> "\e[0;97;44m".
std::string attribute_sgr(uint16_t attribute);
// The SGR of the attribute in force on the console, or "\e[0m" when the
// program has set none.
std::string console_sgr();
// What empties the screen of the terminal on fd and fills all of it with the
// colours in force (every cell written, where the terminal would erase in
// its default colours), cursor home.
std::string clear_screen(int fd);
// The size of the terminal on fd; 80x24 where it does not say.
void terminal_size(int fd, int &cols, int &rows);
// What writes every cell of a rectangle (counted from 0) in the colours in
// force: a space in each, so that a terminal that erases in its default
// colours shows them too.
std::string paint_cells(int top, int left, int width, int height);
// Whether the terminal says it cannot move its cursor or show colours.
bool terminal_is_dumb();
// Whether standard output is a terminal that understands colours and clears.
bool console_is_terminal();

// codepage.cpp

// The locale name that decides text handling: LC_ALL, LC_CTYPE, then LANG.
const char *locale_name();
// The character set a terminal in that locale expects, as the C library
// has it, e.g. "EUC-KR"; "UTF-8" for the C locale, for a locale that cannot
// be loaded, and for a character set that cannot carry escape sequences.
std::string charset_for_locale(const char *locale);
// Narrow text in a code page as UTF-8. Bytes that mean nothing in the code
// page become U+FFFD, and control characters other than line breaks and
// tabs are dropped, so that no text can drive the terminal.
std::string narrow_to_utf8(unsigned codepage, std::string_view text);
// Narrow text in the ANSI code page of the environment's locale, as UTF-8.
std::string ansi_to_utf8(const char *text);
// UTF-8 text in another character set, with what it lacks approximated.
std::string utf8_to_charset(const std::string &charset, std::string_view text);

// terminfo.cpp

// What a terminal can do. The defaults are xterm's, for a terminal that has
// no terminfo entry.
struct TerminalCaps {
    std::string enter_alternate = "\x1b[?1049h", leave_alternate = "\x1b[?1049l"; // or none
    std::string hide_cursor = "\x1b[?25l", show_cursor = "\x1b[?25h";             // or none
    std::string save_position = "\x1b"
                                "7",
                restore_position = "\x1b"
                                   "8";
    int colours = 8;
    bool back_colour_erase = true; // an erase fills with the background in force
};
// For the terminal TERM names, run inside GNU screen or not.
TerminalCaps caps_for(const char *term, bool in_screen);
// For the terminal the environment names, looked up once.
const TerminalCaps &terminal_caps();

// msgbox_tty.cpp

// Columns a character takes on a terminal: 0, 1 or 2.
int char_width(char32_t c);
// Columns UTF-8 text takes on a terminal.
int text_width(std::string_view utf8);

// A message box laid out on a terminal of cols x rows cells, in cells
// counted from 0. A box larger than the terminal is cut at its edges.
struct BoxLayout {
    int cols, rows;
    int left, top, width, height;
    std::vector<std::string> lines;         // the text, broken to fit
    int ok_row, ok_left, ok_right;          // the OK button: [ok_left, ok_right)
    int close_row, close_left, close_right; // the close mark
};
BoxLayout layout_box(std::string_view caption, std::string_view text, int cols, int rows);
// A caption as the title bar shows it: one line, its tabs and line feeds
// spaces.
std::string caption_line(std::string caption);

// The box's rows as escape sequences: each row where it goes, drawn in
// line-drawing characters or ASCII, in colours or in reverse video.
std::string render_box(const BoxLayout &box, std::string_view caption, bool unicode, bool colours);

// What a chunk of terminal input does to a box laid out as given: the keys
// and the sequence at its start, *used bytes of it. A click is a press and a
// release on the same button of the box; `pressed` keeps where the press
// was, from one call to the next.
enum class BoxInput { none, dismiss, incomplete };
enum class BoxTarget { none, ok, close };
BoxInput box_input(std::string_view in, const BoxLayout &box, size_t *used, BoxTarget *pressed);

// A box shown on the controlling terminal; IDOK once dismissed, 0 when there
// is no terminal to show it on.
int tty_message_box(const std::string &caption, const std::string &text);

// msgbox_desktop.cpp

// A box shown as a window on the desktop; IDOK once dismissed, 0 when there
// is no desktop to show it on.
int desktop_message_box(const std::string &caption, const std::string &text);

#endif
