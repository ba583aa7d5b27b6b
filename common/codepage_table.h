// The ANSI code page Windows gives each language: the one table every
// stand-in reads (a POSIX locale's language on Linux, the browser's in a
// page).
#ifndef MERONG_CODEPAGE_TABLE_H
#define MERONG_CODEPAGE_TABLE_H

// The ANSI code page Windows would use for a locale named as POSIX names it
// ("ko_KR.UTF-8", "sr_RS@latin", "ko"), e.g. 949; 1252 for anything else.
unsigned codepage_for_locale(const char *locale);

#endif
