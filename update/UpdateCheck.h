// Whether a newer version exists, and when to ask. The questions and answers
// shown to the user belong to the window interface; this file decides.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/HttpClient.h"
#include "settings/Settings.h"

// The maker's version file, or the whole http://host:port/path URL in the
// environment variable LUMIVERT_UPDATE_URL (a mirror, or a test server).
std::string UpdateEndpoint();
// The product page opened for downloading a newer version.
extern const char* const ProductPageUrl;

enum class UpdateOutcome {
  ConnectionProblem,  // no connection, timeout, not HTTP, or a body without digits
  UpdateAvailable,    // the server names a version above ours
  NoUpdate,
};

// The leading decimal digits of text as a number; 0 when it starts with none.
// "213" -> 213, "2.2" -> 2, "abc" -> 0.
int VersionNumber(const std::string& text);

// Asks the endpoint for the latest version and compares it with ownVersion.
UpdateOutcome CheckForUpdate(int ownVersion, const std::string& userAgent,
                             int waitLimitMilliseconds = HttpWaitLimitMilliseconds);

// Days between scheduled checks for an UpdateRange index (5 "Never" is
// handled by the caller): 0 -> 1, 1 -> 7, 3 -> 90, 4 -> 180, others -> 30.
int UpdateIntervalDays(std::int32_t updateRange);

// True when the scheduled check is due at date value now.
bool UpdateCheckDue(std::int32_t updateRange, std::int32_t updateDate, std::int32_t now);

// The check at the start of the window interface: when due, askToCheck() is
// called, and runCheck() when it says yes; either way UpdateDate becomes now
// so the question does not come back before the next interval.
void ScheduledUpdateCheck(SettingsRecord& settings, std::int32_t now,
                          const std::function<bool()>& askToCheck,
                          const std::function<void()>& runCheck);
