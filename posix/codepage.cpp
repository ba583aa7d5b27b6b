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
#include <langinfo.h>
#include <locale.h>
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
        // What the converter still holds comes first (a base character it
        // keeps in case a combining mark follows, in code pages 1255 and
        // 1258); this also puts it back in its initial state.
        to = buffer;
        room = sizeof buffer;
        iconv(cd, nullptr, nullptr, &to, &room);
        out.append(buffer, static_cast<size_t>(to - buffer));
        out += substitute;
        do {
            in++;
            left--;
        } while (from_utf8 && left > 0 && (static_cast<unsigned char>(*in) & 0xC0) == 0x80);
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
    // A terminal in the C locale is taken to be UTF-8, as terminals are now.
    if (name.empty() || name == "C" || name == "POSIX")
        return "UTF-8";
    // The character set as the C library has it for the locale (glibc's
    // en_US is ISO-8859-1), without touching the process's own locale.
    locale_t loaded = newlocale(LC_CTYPE_MASK, locale, nullptr);
    if (!loaded)
        return "UTF-8"; // a locale that cannot be loaded says nothing
    std::string charset = nl_langinfo_l(CODESET, loaded);
    freelocale(loaded);
    if (strcasecmp(charset.c_str(), "UTF-8") == 0 || strcasecmp(charset.c_str(), "UTF8") == 0)
        return "UTF-8";
    // The box's escape sequences are ASCII: a character set that would
    // write them as other bytes (UTF-16, EBCDIC), or that iconv does not
    // know, is no use.
    iconv_t cd = iconv_open(charset.c_str(), "UTF-8");
    if (cd == no_conversion)
        return "UTF-8";
    iconv_close(cd);
    const std::string_view probe = "\x1b[?25l[ OK ] ~";
    if (utf8_to_charset(charset, probe) != probe)
        return "UTF-8";
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
