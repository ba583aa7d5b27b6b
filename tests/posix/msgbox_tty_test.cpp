#include "internal.h"
#include "layout_check.h"

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

// All of the input, fed to the box as it comes; whether it dismissed it.
bool dismisses(const BoxLayout &box, std::string in)
{
    BoxTarget pressed = BoxTarget::none;
    while (!in.empty()) {
        size_t used = 0;
        BoxInput input = box_input(in, box, &used, &pressed);
        if (input == BoxInput::incomplete)
            return false;
        EXPECT_GE(used, 1u);
        EXPECT_LE(used, in.size());
        if (input == BoxInput::dismiss)
            return true;
        in.erase(0, used);
    }
    return false;
}

TEST(BoxInput, KeysAndSequences)
{
    BoxLayout box = layout_box("Hello", "merong", 80, 24);
    const struct {
        std::string in;
        BoxInput result;
        size_t used;
    } cases[] = {
        {"\r", BoxInput::dismiss, 1},
        {"\n", BoxInput::dismiss, 1},
        {" ", BoxInput::dismiss, 1},
        {"\x1b\x1b", BoxInput::dismiss, 1}, // Esc, then another
        {"\x1b\r", BoxInput::dismiss, 1},   // Esc held back and sent with Enter
        {"\x1b ", BoxInput::dismiss, 1},    // or with Space
        {"\x1bOM", BoxInput::dismiss, 3},   // keypad Enter
        {"\x1b", BoxInput::incomplete, 1},  // Esc, or the start of a sequence
        {"a", BoxInput::none, 1},
        {"\x1b[A", BoxInput::none, 3},   // an arrow key
        {"\x1b[15~", BoxInput::none, 5}, // F5
        {"\x1bx", BoxInput::none, 2},    // Alt+x
        {"\x1b[1;", BoxInput::incomplete, 1},
        {"\x1b[<0;1", BoxInput::incomplete, 1},
        {"\x1b[M!", BoxInput::incomplete, 1},
        // A sequence cut short by a key: the key is read on its own.
        {"\x1b[\r", BoxInput::none, 2},
        {"\x1b[1;\x1b", BoxInput::none, 4},
        {"\x1bO\r", BoxInput::none, 2},
        {"\x1b[<\r", BoxInput::none, 3},
        {"\x1b[< ", BoxInput::none, 3},
        {"\x1b[" + std::string(40, '1'), BoxInput::none, 32}, // longer than any
    };
    for (const auto &c : cases) {
        size_t used = 0;
        BoxTarget pressed = BoxTarget::none;
        EXPECT_EQ(box_input(c.in, box, &used, &pressed), c.result) << testing::PrintToString(c.in);
        if (c.result != BoxInput::incomplete) {
            EXPECT_EQ(used, c.used) << testing::PrintToString(c.in);
        }
    }
    // What cut a sequence short still counts.
    EXPECT_TRUE(dismisses(box, "\x1b[\r"));
    EXPECT_TRUE(dismisses(box, "\x1bO "));
    EXPECT_TRUE(dismisses(box, "\x1b[<0;1\r"));
}

TEST(BoxInput, AClickIsAPressAndAReleaseOnTheSameButton)
{
    BoxLayout box = layout_box("Hello", "merong", 80, 24);
    auto sgr = [](int row, int column, char end, int button = 0) {
        return "\x1b[<" + std::to_string(button) + ";" + std::to_string(column + 1) + ";" +
               std::to_string(row + 1) + end;
    };
    auto x10 = [](int row, int column, int button) {
        return std::string("\x1b[M") + static_cast<char>(32 + button) +
               static_cast<char>(33 + column) + static_cast<char>(33 + row);
    };
    const int ok_row = box.ok_row, ok = box.ok_left, close_row = box.close_row,
              close = box.close_left;
    const struct {
        std::string in;
        bool dismissed;
    } cases[] = {
        {sgr(ok_row, ok, 'M') + sgr(ok_row, ok, 'm'), true},
        {sgr(ok_row, ok, 'M') + sgr(ok_row, box.ok_right - 1, 'm'), true},
        {sgr(close_row, close, 'M') + sgr(close_row, close + 2, 'm'), true},
        {x10(ok_row, ok, 0) + x10(ok_row, ok + 1, 3), true},
        {sgr(ok_row, ok, 'm'), false},                             // a release alone
        {sgr(ok_row, ok, 'M'), false},                             // a press alone
        {sgr(box.top + 2, ok, 'M') + sgr(ok_row, ok, 'm'), false}, // pressed elsewhere
        {sgr(ok_row, ok, 'M') + sgr(box.top + 2, ok, 'm'), false}, // released elsewhere
        {sgr(close_row, close, 'M') + sgr(ok_row, ok, 'm'), false},
        {sgr(ok_row, box.ok_right, 'M') + sgr(ok_row, box.ok_right, 'm'), false},
        {sgr(ok_row, ok, 'M', 2) + sgr(ok_row, ok, 'm', 2), false}, // the right button
        {sgr(ok_row, ok, 'M', 4) + sgr(ok_row, ok, 'm', 4), false}, // with Shift
        {x10(ok_row, ok, 2) + x10(ok_row, ok, 3), false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(dismisses(box, c.in), c.dismissed) << testing::PrintToString(c.in);
}

TEST(BoxLayout, NoLineWiderThanItsRoomAndClicksOnlyOnWhatIsDrawn)
{
    for (int cols = 1; cols <= 30; cols++) {
        for (std::string_view text : {" bcd\t", "a\tb\tc\td", "가나 다라\t마", "merong", "x  y"}) {
            EXPECT_EQ(broken_layout(layout_box("Hello", text, cols, 24), cols), "")
                << cols << " " << text;
        }
    }
    EXPECT_EQ(layout_box("Hello", "merong", 7, 24).ok_row, -1);
    EXPECT_EQ(layout_box("Hello", "merong", 6, 24).close_row, -1);
    EXPECT_EQ(layout_box("Hello", "merong", 80, 3).ok_row, -1); // below the screen
}

} // namespace
