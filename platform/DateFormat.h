#pragma once
// Dates as text in the user's locale, for the texts the program shows or prints ("Shopping List
// for <store>, <date>", the date on a printed page).
#include "platform/AnsiString.h"
#include "platform/Clock.h"

namespace qm {

// Formats dt with the pattern's specifiers; runs of the letters below stand for a part of the
// date and every other character is copied. Text in double or single quotes is copied without
// the quotes.
//   d, dd        day of the month, without / with a leading zero
//   ddd, dddd    short / long day name ("Mon", "Monday")
//   ddddd        the locale's short date format
//   dddddd       the locale's long date format
//   m, mm        month number; mmm, mmmm short / long month name
//   yy, yyyy     two- / four-digit year
//   h, hh        hour (24-hour clock); n, nn minute; s, ss second
// Names and formats come from the user's locale (QLocale::system()).
AnsiString FormatDateTime(const AnsiString& format, TDateTime dt);

} // namespace qm
