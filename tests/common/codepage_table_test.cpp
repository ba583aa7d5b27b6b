#include "codepage_table.h"

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
        {"ko_KR", 949},         // as a page's language gives it ("ko-KR")
        {"ko_", 949},
    };
    for (const auto &c : cases)
        EXPECT_EQ(codepage_for_locale(c.locale), c.codepage) << c.locale;
}

} // namespace
