// What a box laid out for a terminal `cols` wide holds, whatever its caption
// and text: read by the unit tests and by the layout fuzz target alike.
#ifndef MERONG_LAYOUT_CHECK_H
#define MERONG_LAYOUT_CHECK_H

#include "internal.h"

#include <algorithm>
#include <string>

// The first thing the box gets wrong, or "" when it gets nothing wrong.
inline std::string broken_layout(const BoxLayout &box, int cols)
{
    const int room = std::max(1, cols - 6);
    for (const std::string &line : box.lines) {
        // (A wide character alone may not fit a room of one column.)
        if (text_width(line) > room && text_width(line) != 2)
            return "a line wider than its room: " + line;
    }
    if (box.left < 0 || box.left + box.width > cols)
        return "the box beyond the screen's sides";
    // The buttons lie between the borders, or are not there.
    if (box.ok_row >= 0 && (box.ok_left < box.left + 1 || box.ok_right > box.left + box.width - 1))
        return "OK beyond the borders";
    if (box.close_row >= 0 &&
        (box.close_left < box.left + 2 || box.close_right > box.left + box.width - 1))
        return "the close mark beyond the borders";
    return "";
}

#endif
