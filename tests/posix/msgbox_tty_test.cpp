#include "internal.h"

#include <gtest/gtest.h>

namespace {

TEST(TextWidth, DoubleWidthAndCombiningCharacters)
{
    const struct {
        const char *text;
        int width;
    } cases[] = {
        {"merong", 6}, {"당신은...", 9}, {"´ç½ÅÀº...", 9},  {"日本語", 6}, {"ｱ", 1},
        {"Ａ", 2},     {"e\u0301", 1},   {"\U0001F600", 2}, {"", 0},
    };
    for (const auto &c : cases)
        EXPECT_EQ(text_width(c.text), c.width) << c.text;
}

TEST(BoxLayout, CentredWithTheButtonCentredUnderTheText)
{
    BoxLayout box = layout_box("Hello", "당신은...", 80, 24);
    EXPECT_EQ(box.lines, std::vector<std::string>{"당신은..."});
    EXPECT_EQ(box.width, 24);
    EXPECT_EQ(box.height, 6);
    EXPECT_EQ(box.left, 28);
    EXPECT_EQ(box.top, 9);
    EXPECT_EQ(box.ok_row, 13);
    EXPECT_EQ(box.ok_right - box.ok_left, 6);
    EXPECT_EQ(box.ok_left - box.left, box.left + box.width - box.ok_right);
    EXPECT_EQ(box.close_row, box.top);
    EXPECT_EQ(box.close_right, box.left + box.width - 2);
}

TEST(BoxLayout, WideTextBreaksBetweenCharactersNeverInsideOne)
{
    // 14 columns of Hangul on a terminal with room for 10 in a box.
    BoxLayout box = layout_box("Hello", "가나다라마바사", 16, 24);
    EXPECT_EQ(box.lines, (std::vector<std::string>{"가나다라마", "바사"}));
    EXPECT_EQ(box.width, 16);
    EXPECT_EQ(box.left, 0);
}

TEST(BoxLayout, TextBreaksAtSpacesAndLineFeeds)
{
    BoxLayout box = layout_box("Hello", "one two three four\nfive", 16, 24);
    EXPECT_EQ(box.lines, (std::vector<std::string>{"one two", "three four", "five"}));
    box = layout_box("Hello", "a\tb", 80, 24);
    EXPECT_EQ(box.lines, std::vector<std::string>{"a   b"});
}

TEST(BoxLayout, LongCaptionWidensTheBox)
{
    BoxLayout box = layout_box("A rather long caption for a box", "merong", 80, 24);
    EXPECT_EQ(box.width, 31 + 8);
}

TEST(BoxLayout, TinyTerminalGetsWhatFits)
{
    BoxLayout box = layout_box("Hello", "merong", 1, 1);
    EXPECT_EQ(box.width, 1);
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.top, 0);
}

TEST(BoxInput, KeysAndClicksThatDismiss)
{
    BoxLayout box = layout_box("Hello", "merong", 80, 24);
    auto click = [&](int row, int column, char end) {
        return "\x1b[<0;" + std::to_string(column + 1) + ";" + std::to_string(row + 1) + end;
    };
    auto x10 = [&](int row, int column, int button) {
        return std::string("\x1b[M") + static_cast<char>(32 + button) +
               static_cast<char>(33 + column) + static_cast<char>(33 + row);
    };
    const struct {
        std::string in;
        BoxInput result;
        size_t used;
    } cases[] = {
        {"\r", BoxInput::dismiss, 1},
        {"\n", BoxInput::dismiss, 1},
        {" ", BoxInput::dismiss, 1},
        {"\x1b\x1b", BoxInput::dismiss, 1}, // Esc, then another
        {"\x1bOM", BoxInput::dismiss, 3},   // keypad Enter
        {"\x1b", BoxInput::incomplete, 1},  // Esc, or the start of a sequence
        {"a", BoxInput::none, 1},
        {"\x1b[A", BoxInput::none, 3},   // an arrow key
        {"\x1b[15~", BoxInput::none, 5}, // F5
        {"\x1bx", BoxInput::none, 2},    // Alt+x
        {"\x1b[1;", BoxInput::incomplete, 1},
        {click(box.ok_row, box.ok_left, 'm'), BoxInput::dismiss, 0},
        {click(box.ok_row, box.ok_right - 1, 'm'), BoxInput::dismiss, 0},
        {click(box.ok_row, box.ok_right, 'm'), BoxInput::none, 0},
        {click(box.ok_row, box.ok_left, 'M'), BoxInput::none, 0}, // a press: wait for the release
        {click(box.close_row, box.close_left + 1, 'm'), BoxInput::dismiss, 0},
        {click(box.top + 2, box.left + 3, 'm'), BoxInput::none, 0},
        {"\x1b[<2;" + std::to_string(box.ok_left + 1) + ";" + std::to_string(box.ok_row + 1) + "m",
         BoxInput::none, 0}, // the right button
        {"\x1b[<0;1", BoxInput::incomplete, 1},
        {x10(box.ok_row, box.ok_left, 3), BoxInput::dismiss, 6},
        {x10(box.ok_row, box.ok_left, 0), BoxInput::none, 6},
        {"\x1b[M!", BoxInput::incomplete, 1},
    };
    for (const auto &c : cases) {
        size_t used = 0;
        EXPECT_EQ(box_input(c.in, box, &used), c.result) << testing::PrintToString(c.in);
        if (c.result != BoxInput::incomplete) {
            EXPECT_EQ(used, c.used ? c.used : c.in.size()) << testing::PrintToString(c.in);
        }
    }
}

} // namespace
