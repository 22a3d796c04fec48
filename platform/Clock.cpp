#include "platform/Clock.h"

#include <cmath>
#include <ctime>
#include <mutex>
#include <sys/time.h>

namespace qm {

namespace {
std::optional<TDateTime> g_testNow;
std::optional<long long> g_testFileClockNs;
std::mutex g_clockMutex;

// Days from 0001-01-01 (proleptic Gregorian) to the given date, as in the civil calendar
// algorithms; 30 December 1899 is day 0 of TDateTime.
long DaysFromCivil(long y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = unsigned(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + long(doe) - 719468; // days since 1970-01-01
}

const long kEpochFromUnix = -25569; // 1899-12-30 is 25569 days before 1970-01-01
} // namespace

void SetTestNow(std::optional<TDateTime> now)
{
    std::lock_guard lock(g_clockMutex);
    g_testNow = now;
}

TDateTime Now()
{
    {
        std::lock_guard lock(g_clockMutex);
        if (g_testNow)
            return *g_testNow;
    }
    timeval tv{};
    gettimeofday(&tv, nullptr);
    std::time_t t = tv.tv_sec;
    std::tm local{};
    localtime_r(&t, &local);
    return EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
           EncodeTime(local.tm_hour, local.tm_min, local.tm_sec, int(tv.tv_usec / 1000));
}

void SetTestFileClock(std::optional<long long> ns)
{
    std::lock_guard lock(g_clockMutex);
    g_testFileClockNs = ns;
}

long long FileClockNs()
{
    {
        std::lock_guard lock(g_clockMutex);
        if (g_testFileClockNs)
            return *g_testFileClockNs;
    }
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return (long long)ts.tv_sec * 1000000000LL + ts.tv_nsec;
}

TDateTime Date()
{
    return std::floor(Now());
}

TDateTime EncodeDate(int year, int month, int day)
{
    return double(DaysFromCivil(year, unsigned(month), unsigned(day)) - kEpochFromUnix);
}

TDateTime EncodeTime(int hour, int minute, int second, int msec)
{
    return (hour * 3600000.0 + minute * 60000.0 + second * 1000.0 + msec) / 86400000.0;
}

void DecodeDate(TDateTime dt, int& year, int& month, int& day)
{
    long z = long(std::floor(dt)) + kEpochFromUnix + 719468;
    const long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = unsigned(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long y = long(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = int(doy - (153 * mp + 2) / 5 + 1);
    month = int(mp < 10 ? mp + 3 : mp - 9);
    year = int(y + (month <= 2));
}

} // namespace qm
