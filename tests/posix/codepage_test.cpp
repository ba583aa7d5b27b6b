#include "internal.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <string>

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

// Locales made for the test in a folder of its own (LOCPATH): a machine may
// have none but C.
class Locales : public testing::Test {
  protected:
    static void SetUpTestSuite()
    {
        char folder[] = "/tmp/merong-locales-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        dir = folder;
        for (const char *made : {"-i en_US -f ISO-8859-1 en_US", "-i ko_KR -f EUC-KR ko_KR.EUC-KR",
                                 "-i ko_KR -f UTF-8 ko_KR.UTF-8"}) {
            std::string command = "localedef -c " + std::string(made);
            command.insert(command.rfind(' ') + 1, dir + "/");
            ASSERT_EQ(system((command + " 2>/dev/null").c_str()), 0) << command;
        }
        setenv("LOCPATH", dir.c_str(), 1);
    }
    static void TearDownTestSuite()
    {
        unsetenv("LOCPATH");
        EXPECT_EQ(system(("rm -rf " + dir).c_str()), 0);
    }
    static std::string dir;
};
std::string Locales::dir;

TEST_F(Locales, TerminalCharsetIsTheOneTheCLibraryHasForTheLocale)
{
    const struct {
        const char *locale, *charset;
    } cases[] = {
        {"en_US", "ISO-8859-1"}, // glibc's en_US, whatever its name says
        {"ko_KR.EUC-KR", "EUC-KR"},
        {"ko_KR.UTF-8", "UTF-8"},
        {"C.UTF-8", "UTF-8"},
        {"C", "UTF-8"},
        {"POSIX", "UTF-8"},
        {"", "UTF-8"},
        {"ko_KR.", "UTF-8"},                // cannot be loaded
        {"xx_XX.NO-SUCH-CHARSET", "UTF-8"}, // nor this
    };
    for (const auto &c : cases)
        EXPECT_EQ(charset_for_locale(c.locale), c.charset) << c.locale;
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
    // A character the converter holds back for a combining mark is not lost
    // to the undefined byte that follows it.
    EXPECT_EQ(narrow_to_utf8(1258, "a\x81"), "a\xEF\xBF\xBD");
    EXPECT_EQ(narrow_to_utf8(1255, "\xF9\xCA"), "\u05E9\xEF\xBF\xBD");
}

TEST(Codepage, Utf8ToATerminalsCharset)
{
    EXPECT_EQ(utf8_to_charset("EUC-KR", "당신은..."), "\xB4\xE7\xBD\xC5\xC0\xBA...");
    EXPECT_EQ(utf8_to_charset("UTF-8", "당신은..."), "당신은...");
    EXPECT_EQ(utf8_to_charset("ASCII", "a─b"), "a-b");
}

} // namespace
