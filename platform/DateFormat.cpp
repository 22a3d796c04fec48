#include "platform/DateFormat.h"

#include <QDate>
#include <QLocale>
#include <cmath>

namespace qm {

namespace {

AnsiString TwoDigits(int n)
{
    AnsiString s = std::to_string(n);
    return s.size() < 2 ? "0" + s : s;
}

} // namespace

AnsiString FormatDateTime(const AnsiString& format, TDateTime dt)
{
    const QLocale locale = QLocale::system();
    // Whole milliseconds of the whole value, so that a moment a hair before midnight carries
    // into the next day instead of showing hour 24 or the wrong day.
    const long long total = std::llround(dt * 86400000.0);
    long long dayNumber = total / 86400000, ms = total % 86400000;
    if (ms < 0) {
        ms += 86400000;
        --dayNumber;
    }
    int year, month, day;
    DecodeDate(double(dayNumber), year, month, day);
    const QDate date(year, month, day);
    const int secs = int(ms / 1000);
    const int hour = secs / 3600, minute = secs / 60 % 60, second = secs % 60;

    AnsiString out;
    size_t i = 0;
    while (i < format.size()) {
        const char c = format[i];
        if (c == '"' || c == '\'') {
            const size_t end = format.find(c, i + 1);
            out += format.substr(i + 1, (end == AnsiString::npos ? format.size() : end) - i - 1);
            i = end == AnsiString::npos ? format.size() : end + 1;
            continue;
        }
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        const char lower = letter ? char(c | 0x20) : c;
        size_t run = 1;
        while (letter && i + run < format.size() && char(format[i + run] | 0x20) == lower)
            ++run;
        switch (lower) {
        case 'd':
            if (run == 1)
                out += std::to_string(day);
            else if (run == 2)
                out += TwoDigits(day);
            else if (run == 3 || run == 4)
                out += FromQString(
                    locale.dayName(date.dayOfWeek(), run == 3 ? QLocale::ShortFormat : QLocale::LongFormat));
            else
                out +=
                    FromQString(locale.toString(date, run == 5 ? QLocale::ShortFormat : QLocale::LongFormat));
            break;
        case 'm':
            if (run <= 2)
                out += run == 1 ? std::to_string(month) : TwoDigits(month);
            else
                out += FromQString(
                    locale.monthName(month, run == 3 ? QLocale::ShortFormat : QLocale::LongFormat));
            break;
        case 'y':
            out += run <= 2 ? TwoDigits(((year % 100) + 100) % 100) : std::to_string(year);
            break;
        case 'h':
            out += run == 1 ? std::to_string(hour) : TwoDigits(hour);
            break;
        case 'n':
            out += run == 1 ? std::to_string(minute) : TwoDigits(minute);
            break;
        case 's':
            out += run == 1 ? std::to_string(second) : TwoDigits(second);
            break;
        default:
            out.append(run, c);
            break;
        }
        i += run;
    }
    return out;
}

} // namespace qm
