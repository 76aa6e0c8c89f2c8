// Date values: seconds since 1970-01-01 00:00:00 counted in local wall-clock time.
#pragma once

#include <cstdint>
#include <ctime>

// The current date value.
std::int32_t LocalDateNow();

// A real (UTC-based) time for a local date value, and back.
std::time_t TimeFromLocalDate(std::int64_t localDate);
std::int64_t LocalDateFromTime(std::time_t t);
