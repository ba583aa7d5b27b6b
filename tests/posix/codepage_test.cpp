#include "internal.h"

#include <gtest/gtest.h>

namespace {

TEST(Codepage, FromTheLocalesLanguageAndTerritoryNotItsCharset)
{
    const struct {
        const char *locale;
        unsigned codepage;
    } cases[] = {
        {"ko_KR.UTF-8", 949},
        {"ko_KR.EUC-KR", 949},
        {"ko", 949},
        {"ja_JP.UTF-8", 932},
        {"zh_CN.UTF-8", 936},
        {"zh_SG.GBK", 936},
        {"zh_TW.UTF-8", 950},
        {"zh_HK.UTF-8", 950},
        {"th_TH.UTF-8", 874},
        {"pl_PL.UTF-8", 1250},
        {"cs_CZ", 1250},
        {"sr_RS.UTF-8@latin", 1250},
        {"ru_RU.UTF-8", 1251},
        {"uk_UA.KOI8-U", 1251},
        {"sr_RS.UTF-8", 1251},
        {"el_GR.UTF-8", 1253},
        {"tr_TR.UTF-8", 1254},
        {"he_IL.UTF-8", 1255},
        {"ar_EG.UTF-8", 1256},
        {"lt_LT.UTF-8", 1257},
        {"vi_VN.UTF-8", 1258},
        {"en_US.UTF-8", 1252},
        {"de_DE.ISO-8859-1", 1252},
        {"C", 1252},
        {"C.UTF-8", 1252},
        {"POSIX", 1252},
        {"", 1252},
        {"kok_IN.UTF-8", 1252}, // Konkani is not Korean
    };
    for (const auto &c : cases)
        EXPECT_EQ(codepage_for_locale(c.locale), c.codepage) << c.locale;
}

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
