#include "update/UpdateCheck.h"

#include <cstdlib>

const char* const ProductPageUrl = "http://www.corvanta.com/lumivert/";

namespace {
constexpr std::int32_t NeverCheck = 5;
constexpr std::int64_t SecondsPerDay = 86400;
}  // namespace

std::string UpdateEndpoint() {
  const char* mirror = std::getenv("LUMIVERT_UPDATE_URL");
  if (mirror && *mirror) return mirror;
  return "http://www.corvanta.com/files/lumivert.dat";
}

int VersionNumber(const std::string& text) {
  int number = 0;
  // Three characters at most reach here; the bound keeps any caller safe.
  for (std::size_t i = 0; i < text.size() && i < 9 && text[i] >= '0' && text[i] <= '9'; ++i)
    number = number * 10 + (text[i] - '0');
  return number;
}

UpdateOutcome CheckForUpdate(int ownVersion, const std::string& userAgent,
                             int waitLimitMilliseconds) {
  const int latest = VersionNumber(HttpGetText(UpdateEndpoint(), userAgent, waitLimitMilliseconds));
  if (latest == 0) return UpdateOutcome::ConnectionProblem;
  return latest > ownVersion ? UpdateOutcome::UpdateAvailable : UpdateOutcome::NoUpdate;
}

int UpdateIntervalDays(std::int32_t updateRange) {
  switch (updateRange) {
    case 0:
      return 1;
    case 1:
      return 7;
    case 3:
      return 90;
    case 4:
      return 180;
    default:
      return 30;
  }
}

bool UpdateCheckDue(std::int32_t updateRange, std::int32_t updateDate, std::int32_t now) {
  if (updateRange == NeverCheck) return false;
  // In 64 bits: a date near the end of the 32-bit range plus 180 days must
  // not wrap into the past.
  return static_cast<std::int64_t>(now) >
         updateDate + UpdateIntervalDays(updateRange) * SecondsPerDay;
}

void ScheduledUpdateCheck(SettingsRecord& settings, std::int32_t now,
                          const std::function<bool()>& askToCheck,
                          const std::function<void()>& runCheck) {
  if (!UpdateCheckDue(settings.UpdateRange, settings.UpdateDate, now)) return;
  if (askToCheck()) runCheck();
  settings.UpdateDate = now;
}
