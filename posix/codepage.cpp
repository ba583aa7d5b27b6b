// The ANSI code page, and narrow text read in it.
//
// Windows reads narrow text in the ANSI code page of the system locale. Here
// the locale comes from the environment, and its language and territory pick
// the code page as Windows would; its character set plays no part, because a
// UTF-8 locale on Linux is the same Korean or Greek system that would have
// code page 949 or 1253 on Windows.
#include "internal.h"

#include <errno.h>
#include <iconv.h>
#include <stdlib.h>
#include <strings.h>

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

const iconv_t no_conversion = reinterpret_cast<iconv_t>(-1);

// All of text through cd. A character that cannot be converted becomes the
// substitute: one byte of it when the input is in a code page, the whole
// character when it is UTF-8.
std::string convert(iconv_t cd, std::string_view text, std::string_view substitute, bool from_utf8)
{
    std::string out;
    char buffer[256];
    char *in = const_cast<char *>(text.data());
    size_t left = text.size();
    while (left > 0) {
        char *to = buffer;
        size_t room = sizeof buffer;
        size_t done = iconv(cd, &in, &left, &to, &room);
        out.append(buffer, static_cast<size_t>(to - buffer));
        if (done != static_cast<size_t>(-1) || errno == E2BIG)
            continue;
        out += substitute;
        do {
            in++;
            left--;
        } while (from_utf8 && left > 0 && (static_cast<unsigned char>(*in) & 0xC0) == 0x80);
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    // The shift back to the initial state, for encodings that have one.
    char *to = buffer;
    size_t room = sizeof buffer;
    iconv(cd, nullptr, nullptr, &to, &room);
    out.append(buffer, static_cast<size_t>(to - buffer));
    return out;
}

// The language of a locale name ("sr_RS.UTF-8@latin" -> "sr"), and its
// language and territory ("sr_RS").
std::string_view language_part(std::string_view locale, bool with_territory)
{
    size_t end = locale.find_first_of(with_territory ? ".@" : "_.@");
    return locale.substr(0, end);
}

} // namespace

const char *locale_name()
{
    for (const char *variable : {"LC_ALL", "LC_CTYPE", "LANG"}) {
        const char *value = getenv(variable);
        if (value && *value)
            return value;
    }
    return "C";
}

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

std::string charset_for_locale(const char *locale)
{
    std::string_view name = locale ? locale : "";
    size_t dot = name.find('.');
    if (dot == std::string_view::npos)
        return "UTF-8";
    std::string charset(name.substr(dot + 1, name.find('@', dot) - dot - 1));
    // One name for UTF-8, however the locale spells it ("utf8", "UTF8", ...).
    if (strcasecmp(charset.c_str(), "UTF-8") == 0 || strcasecmp(charset.c_str(), "UTF8") == 0)
        return "UTF-8";
    // A charset iconv does not know is no charset at all.
    iconv_t cd = iconv_open("UTF-8", charset.c_str());
    if (cd == no_conversion)
        return "UTF-8";
    iconv_close(cd);
    return charset;
}

std::string narrow_to_utf8(unsigned codepage, std::string_view text)
{
    iconv_t cd = iconv_open("UTF-8", ("CP" + std::to_string(codepage)).c_str());
    if (cd == no_conversion)
        cd = iconv_open("UTF-8", "CP1252");
    if (cd == no_conversion)
        return {};
    // A byte that means nothing here, or a lead byte with no trail byte.
    std::string out = convert(cd, text, "\xEF\xBF\xBD", false);
    iconv_close(cd);

    // Drop control characters: C0 but tab and line feed, DEL, and C1.
    std::string clean;
    for (size_t i = 0; i < out.size(); i++) {
        unsigned char c = static_cast<unsigned char>(out[i]);
        if ((c < 0x20 && c != '\t' && c != '\n') || c == 0x7F)
            continue;
        if (c == 0xC2 && i + 1 < out.size() && static_cast<unsigned char>(out[i + 1]) < 0xA0) {
            i++;
            continue;
        }
        clean += out[i];
    }
    return clean;
}

std::string ansi_to_utf8(const char *text)
{
    return narrow_to_utf8(codepage_for_locale(locale_name()), text ? text : "");
}

std::string utf8_to_charset(const std::string &charset, std::string_view text)
{
    if (charset == "UTF-8")
        return std::string(text);
    iconv_t cd = iconv_open((charset + "//TRANSLIT").c_str(), "UTF-8");
    if (cd == no_conversion)
        return std::string(text);
    std::string out = convert(cd, text, "?", true);
    iconv_close(cd);
    return out;
}
