// The ANSI code page, and narrow text read in it.
//
// Windows reads narrow text in the ANSI code page of the system locale. Here
// the locale comes from the environment, and its language and territory pick
// the code page as Windows would; its character set plays no part, because a
// UTF-8 locale on Linux is the same Korean or Greek system that would have
// code page 949 or 1253 on Windows.
#include "codepage_table.h"
#include "internal.h"

#include <errno.h>
#include <iconv.h>
#include <stdlib.h>
#include <strings.h>

namespace {

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
