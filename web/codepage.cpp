// The page's ANSI code page: the language the page is asked for
// (merong.html?lang=ko) or the browser's first, read by the same table as a
// locale on Linux ("ko-KR" is "ko_KR" there).
#include "codepage_table.h"

#include <emscripten.h>

// The language as BCP 47 gives it, e.g. "ko-KR" (codepage.js).
extern "C" void page_language(char *out, int size);

extern "C" EMSCRIPTEN_KEEPALIVE unsigned ansi_codepage()
{
    char language[36];
    page_language(language, sizeof language);
    for (char *c = language; *c; c++)
        if (*c == '-')
            *c = '_';
    return codepage_for_locale(language);
}
