#pragma once
// The one clock of the program. TDateTime is a day number counted from 30 December 1899;
// the fraction is the time of day. Tests set a fixed "now" through SetTestNow.
#include <optional>

namespace qm {

using TDateTime = double;

TDateTime Now();  // the local date and time
TDateTime Date(); // today, time of day 0

// Fixes the clock at the given moment (tests); std::nullopt returns to the real clock.
void SetTestNow(std::optional<TDateTime> now);

// The system's real-time clock, which file times are taken from: nanoseconds since
// 1 January 1970 UTC. Tests fix it through SetTestFileClock; std::nullopt returns to the real clock.
long long FileClockNs();
void SetTestFileClock(std::optional<long long> ns);

// Day-number conversions for a local calendar date and time.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int msec);
void DecodeDate(TDateTime dt, int& year, int& month, int& day);

} // namespace qm
