// The terminal box laid out and drawn for any caption, text and terminal
// size: no line of text wider than its room, buttons between the borders
// (or not there), and every row drawn exactly as wide as the box.
#include "../posix/layout_check.h"
#include "check.h"
#include "internal.h"

#include <stdint.h>

#include <string>

namespace {

// The rows a drawing writes, each without its escape sequences.
std::vector<std::string> rows_drawn(const std::string &drawn)
{
    std::vector<std::string> rows;
    for (size_t i = 0; i < drawn.size();) {
        if (drawn[i] == '\x1b') {
            size_t end = drawn.find_first_of("Hm", i);
            if (drawn[end] == 'H')
                rows.emplace_back();
            i = end + 1;
            continue;
        }
        rows.back() += drawn[i++];
    }
    return rows;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 3)
        return 0;
    int cols = 1 + data[0] % 120, rows = 1 + data[1] % 40;
    bool unicode = data[2] & 1, colours = data[2] & 2;
    // Caption and text as the box gets them: UTF-8, read from a code page.
    std::string_view rest(reinterpret_cast<const char *>(data + 3), size - 3);
    size_t split = rest.find('\0');
    std::string caption = caption_line(narrow_to_utf8(949, rest.substr(0, split)));
    std::string text =
        split == std::string_view::npos ? "" : narrow_to_utf8(949, rest.substr(split + 1));

    BoxLayout box = layout_box(caption, text, cols, rows);
    CHECK(broken_layout(box, cols).empty());

    for (const std::string &row : rows_drawn(render_box(box, caption, unicode, colours)))
        CHECK(text_width(row) == box.width);
    return 0;
}
