#include "platform/Clock.h"

std::int64_t LocalDateFromTime(std::time_t t) {
  std::tm local{};
  localtime_r(&t, &local);
  return static_cast<std::int64_t>(t) + local.tm_gmtoff;
}

std::int32_t LocalDateNow() {
  return static_cast<std::int32_t>(LocalDateFromTime(std::time(nullptr)));
}

std::time_t TimeFromLocalDate(std::int64_t localDate) {
  // Read the value as a wall-clock time and let mktime find the zone offset.
  std::time_t asUtc = static_cast<std::time_t>(localDate);
  std::tm wall{};
  gmtime_r(&asUtc, &wall);
  wall.tm_isdst = -1;
  return mktime(&wall);
}
