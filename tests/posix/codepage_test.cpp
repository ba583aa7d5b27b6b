#include "internal.h"

#include <gtest/gtest.h>

namespace {

TEST(Codepage, LocaleVariablesInTheirOrder)
{
    struct Variables {
        const char *lc_all, *lc_ctype, *lang, *expected;
    } cases[] = {
        {"ko_KR.UTF-8", "ja_JP.UTF-8", "el_GR.UTF-8", "ko_KR.UTF-8"},
        {"", "ja_JP.UTF-8", "el_GR.UTF-8", "ja_JP.UTF-8"},
        {nullptr, nullptr, "el_GR.UTF-8", "el_GR.UTF-8"},
        {nullptr, nullptr, nullptr, "C"},
    };
    for (const auto &c : cases) {
        const char *names[] = {"LC_ALL", "LC_CTYPE", "LANG"};
        const char *values[] = {c.lc_all, c.lc_ctype, c.lang};
        for (int i = 0; i < 3; i++) {
            if (values[i])
                setenv(names[i], values[i], 1);
            else
                unsetenv(names[i]);
        }
        EXPECT_STREQ(locale_name(), c.expected);
    }
    unsetenv("LC_ALL");
    unsetenv("LC_CTYPE");
    unsetenv("LANG");
}

TEST(Codepage, TerminalCharsetFromTheLocaleOrUtf8)
{
    EXPECT_EQ(charset_for_locale("ko_KR.UTF-8"), "UTF-8");
    EXPECT_EQ(charset_for_locale("ko_KR.utf8"), "UTF-8");
    EXPECT_EQ(charset_for_locale("en_US.UTF8@euro"), "UTF-8");
    EXPECT_EQ(charset_for_locale("ko_KR.EUC-KR"), "EUC-KR");
    EXPECT_EQ(charset_for_locale("de_DE.ISO-8859-15@euro"), "ISO-8859-15");
    EXPECT_EQ(charset_for_locale("C"), "UTF-8");
    EXPECT_EQ(charset_for_locale("xx_XX.NO-SUCH-CHARSET"), "UTF-8");
}

const char greeting[] = "\xB4\xE7\xBD\xC5\xC0\xBA...";

TEST(Codepage, GreetingReadsInTheCodepage)
{
    EXPECT_EQ(narrow_to_utf8(949, greeting), "당신은...");
    EXPECT_EQ(narrow_to_utf8(1252, greeting), "´ç½ÅÀº...");
    EXPECT_EQ(narrow_to_utf8(1251, greeting), "ґзЅЕАє...");
}

TEST(Codepage, BytesThatMeanNothingAndControlsCannotReachTheTerminal)
{
    // 0x81 is undefined in 1252; 0xB4 alone is half a Korean character.
    EXPECT_EQ(narrow_to_utf8(1252, "a\x81z"), "a\xEF\xBF\xBDz");
    EXPECT_EQ(narrow_to_utf8(949, "ok\xB4"), "ok\xEF\xBF\xBD");
    EXPECT_EQ(narrow_to_utf8(1252, "a\x1b[2Jb\x07\r\nc\td\x7f"), "a[2Jb\nc\td");
    EXPECT_EQ(narrow_to_utf8(1251, "\x98"), "\xEF\xBF\xBD");
}

TEST(Codepage, Utf8ToATerminalsCharset)
{
    EXPECT_EQ(utf8_to_charset("EUC-KR", "당신은..."), "\xB4\xE7\xBD\xC5\xC0\xBA...");
    EXPECT_EQ(utf8_to_charset("UTF-8", "당신은..."), "당신은...");
    EXPECT_EQ(utf8_to_charset("ASCII", "a─b"), "a-b");
}

} // namespace
