// The ANSI code page Windows gives each language and territory.
#include "codepage_table.h"

#include <string_view>

namespace {

struct Language {
    const char *name; // a language, or a language and territory
    unsigned codepage;
};

// Checked in order: a language and territory before the bare language.
const Language languages[] = {
    {"ko", 949},
    {"ja", 932},
    {"zh_CN", 936},
    {"zh_SG", 936},
    {"zh_TW", 950},
    {"zh_HK", 950},
    {"zh_MO", 950},
    {"zh", 936},
    {"th", 874},
    // Central European
    {"cs", 1250},
    {"hu", 1250},
    {"pl", 1250},
    {"ro", 1250},
    {"sk", 1250},
    {"sl", 1250},
    {"hr", 1250},
    {"bs", 1250},
    {"sq", 1250},
    // Cyrillic
    {"ru", 1251},
    {"uk", 1251},
    {"be", 1251},
    {"bg", 1251},
    {"mk", 1251},
    {"sr", 1251},
    {"kk", 1251},
    {"ky", 1251},
    {"mn", 1251},
    {"tg", 1251},
    {"tt", 1251},
    {"ba", 1251},
    {"el", 1253},
    {"tr", 1254},
    {"az", 1254},
    {"he", 1255},
    {"iw", 1255},
    {"ar", 1256},
    {"fa", 1256},
    {"ur", 1256},
    // Baltic
    {"et", 1257},
    {"lt", 1257},
    {"lv", 1257},
    {"vi", 1258},
};

const unsigned default_codepage = 1252;

// The language of a locale name ("sr_RS.UTF-8@latin" -> "sr"), and its
// language and territory ("sr_RS").
std::string_view language_part(std::string_view locale, bool with_territory)
{
    size_t end = locale.find_first_of(with_territory ? ".@" : "_.@");
    return locale.substr(0, end);
}

} // namespace

unsigned codepage_for_locale(const char *locale)
{
    std::string_view name = locale ? locale : "";
    std::string_view territory = language_part(name, true), language = language_part(name, false);
    // Serbian written in Latin letters is a Central European language.
    if (language == "sr" && name.find("@latin") != std::string_view::npos)
        return 1250;
    for (const Language &l : languages)
        if (territory == l.name)
            return l.codepage;
    for (const Language &l : languages)
        if (language == l.name)
            return l.codepage;
    return default_codepage;
}
