#include <gtest/gtest.h>
#include <netdb.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "platform/HttpClient.h"
#include "platform/Text.h"
#include "support/LocalHttpServer.h"
#include "update/UpdateCheck.h"

namespace {

// Points the update check at a local server for the lifetime of the object.
class UpdateUrl {
 public:
  explicit UpdateUrl(const std::string& url) { setenv("LUMIVERT_UPDATE_URL", url.c_str(), 1); }
  ~UpdateUrl() { unsetenv("LUMIVERT_UPDATE_URL"); }
};

constexpr int ShortLimit = 400;  // milliseconds; the product waits 10000

// Puts a test's name lookup in place of getaddrinfo for the lifetime of the object.
class LookupHook {
 public:
  explicit LookupHook(HttpHostLookup lookup) { SetHttpHostLookup(lookup); }
  ~LookupHook() { SetHttpHostLookup(nullptr); }
};

// A lookup that hangs until the test releases it (or a generous bound), as
// one does when the name server swallows the query.
struct HangingLookup {
  static std::mutex mutex;
  static std::condition_variable changed;
  static bool entered, released, returned;

  static int Lookup(const char*, const char*, const addrinfo*, addrinfo** result) {
    std::unique_lock<std::mutex> lock(mutex);
    entered = true;
    changed.notify_all();
    changed.wait_for(lock, std::chrono::seconds(20), [] { return released; });
    *result = nullptr;
    returned = true;
    changed.notify_all();
    return EAI_AGAIN;
  }
  static bool Entered() {
    std::lock_guard<std::mutex> lock(mutex);
    return entered;
  }
  static bool HasReturned() {
    std::lock_guard<std::mutex> lock(mutex);
    return returned;
  }
  // Lets the abandoned lookup end before the test does.
  static bool ReleaseAndWait() {
    std::unique_lock<std::mutex> lock(mutex);
    released = true;
    changed.notify_all();
    return changed.wait_for(lock, std::chrono::seconds(20), [] { return returned; });
  }
};
std::mutex HangingLookup::mutex;
std::condition_variable HangingLookup::changed;
bool HangingLookup::entered = false;
bool HangingLookup::released = false;
bool HangingLookup::returned = false;

// A lookup that answers correctly, but only after SlowLookupMs.
std::atomic<int> SlowLookupMs{0};
int SlowLookup(const char* host, const char* service, const addrinfo* hints, addrinfo** result) {
  std::this_thread::sleep_for(std::chrono::milliseconds(SlowLookupMs.load()));
  return getaddrinfo(host, service, hints, result);
}

}  // namespace

TEST(HttpClient, UrlSplitsIntoHostPortAndPath) {
  struct Case {
    std::string url, host;
    int port;
    std::string path;
  };
  const Case cases[] = {
      {"http://www.corvanta.com/files/lumivert.dat", "www.corvanta.com", 80, "/files/lumivert.dat"},
      {"http://127.0.0.1:8080/files/x.dat", "127.0.0.1", 8080, "/files/x.dat"},
      {"localhost:81", "localhost", 81, "/"},
      {"http://host/", "host", 80, "/"},
      {"http://host:notaport/a/b", "host", 80, "/a/b"},
      {"http://host:99999/a", "host", 80, "/a"},
  };
  for (const Case& c : cases) {
    const HttpUrl parts = SplitHttpUrl(c.url);
    EXPECT_EQ(parts.host, c.host) << c.url;
    EXPECT_EQ(parts.port, c.port) << c.url;
    EXPECT_EQ(parts.path, c.path) << c.url;
  }
}

TEST(HttpClient, AnswerTextIsThreeTrimmedCharactersOfTheBody) {
  struct Case {
    std::string bytes, text;
  };
  const Case cases[] = {
      {HttpReply("211"), "211"},
      {HttpReply("  213\r\n"), "213"},
      {HttpReply("2.2"), "2.2"},
      {HttpReply("21"), "21"},
      {HttpReply("2105 and more"), "210"},
      {HttpReply(""), ""},
      {"no header end at all 211", ""},
      {std::string("HTTP/1.0 200 OK\r\n\r\n2\0"
                   "11",
                   24),
       "2"},  // text stops at a zero byte
      {"HTTP/1.0 200 OK\r\n\r\n\xff\xfe\x01\x02", "\xff\xfe\x01"},
  };
  for (const Case& c : cases) {
    std::string buffer = c.bytes;
    buffer.resize(HttpBufferSize, '\0');
    EXPECT_EQ(HttpAnswerText(buffer.data(), HttpBufferSize), c.text) << c.bytes;
  }
}

TEST(HttpClient, FullBufferWithoutZeroByteIsReadOnlyToItsEnd) {
  // Headers fill the buffer up to its last bytes; the body "215" ends exactly
  // at byte 2048 with no terminating zero inside the buffer.
  std::string header = "HTTP/1.0 200 OK\r\nX-Fill: ";
  header += std::string(HttpBufferSize - header.size() - 4 - 3, 'a');
  const std::string full = header + "\r\n\r\n215";
  ASSERT_EQ(full.size(), static_cast<std::size_t>(HttpBufferSize));
  std::vector<char> exact(full.begin(), full.end());  // heap block of exactly 2048 bytes
  EXPECT_EQ(HttpAnswerText(exact.data(), HttpBufferSize), "215");
}

TEST(HttpClient, SendsTheExactRequestBytes) {
  LocalHttpServer server(LocalHttpServer::Reply(HttpReply("211")));
  EXPECT_EQ(HttpGetText(server.Url("files/lumivert.dat"), "Corvanta Nembrix 2.1", ShortLimit),
            "211");
  EXPECT_EQ(server.Request(),
            "GET /files/lumivert.dat HTTP/1.0\r\n"
            "Host: 127.0.0.1\r\n"
            "Accept: */*\r\n"
            "User-Agent: Corvanta Nembrix 2.1\r\n"
            "Connection: close\r\n\r\n");
}

TEST(HttpClient, DefaultUserAgentIsTheOldBrowserText) {
  LocalHttpServer server(LocalHttpServer::Reply(HttpReply("210")));
  EXPECT_EQ(HttpGetText(server.Url(), HttpDefaultUserAgent, ShortLimit), "210");
  EXPECT_NE(server.Request().find(
                "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; en)\r\n"),
            std::string::npos);
}

TEST(HttpClient, AnswerSplitInPiecesIsCollected) {
  LocalHttpServer server(LocalHttpServer::ReplyInPieces(
      {"HTTP/1.0 200 OK\r\n", "Content-Type: text/plain\r", "\n\r\n ", "2", "14\r\n"}));
  EXPECT_EQ(HttpGetText(server.Url(), "ua", 3000), "214");
}

TEST(HttpClient, OneMegabyteAnswerReadsOnlyTheBuffer) {
  std::string body = "212";
  body += std::string(1 << 20, 'x');
  LocalHttpServer server(LocalHttpServer::Reply(HttpReply(body)));
  EXPECT_EQ(HttpGetText(server.Url(), "ua", 3000), "212");
  server.Finish();
}

TEST(HttpClient, BinaryAnswerWithoutBlankLineGivesNothing) {
  std::string noise;
  for (int i = 0; i < 5000; ++i) noise += static_cast<char>((i * 37 + 11) % 256);
  LocalHttpServer server(LocalHttpServer::Reply(noise));
  const std::string text = HttpGetText(server.Url(), "ua", 3000);
  EXPECT_LE(text.size(), 3u);
  EXPECT_EQ(VersionNumber(text), 0);
}

TEST(HttpClient, ServerThatClosesAtOnceGivesNothing) {
  LocalHttpServer server([](int) {}, /*readRequest=*/false);
  EXPECT_EQ(HttpGetText(server.Url(), "ua", 3000), "");
}

TEST(HttpClient, NoListenerGivesNothing) {
  EXPECT_EQ(
      HttpGetText("http://127.0.0.1:" + std::to_string(ClosedLocalPort()) + "/x", "ua", ShortLimit),
      "");
}

TEST(HttpClient, SilentServerEndsAfterTheLimit) {
  LocalHttpServer server(LocalHttpServer::NeverAnswer());
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(HttpGetText(server.Url(), "ua", ShortLimit), "");
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(ShortLimit));
  // The server saw the client hang up and ended by itself.
  server.Finish();
}

TEST(HttpClient, HangingNameLookupIsLeftAtTheLimit) {
  LookupHook hook(&HangingLookup::Lookup);
  const std::string text =
      HttpGetText("http://updates.example.invalid/files/x.dat", "ua", ShortLimit);
  // The call came back while the lookup was still hanging, not after it.
  const bool lookupStillHanging = !HangingLookup::HasReturned();
  EXPECT_EQ(text, "");
  EXPECT_TRUE(HangingLookup::Entered());
  EXPECT_TRUE(lookupStillHanging);
  EXPECT_TRUE(HangingLookup::ReleaseAndWait());
}

TEST(HttpClient, LookupConnectionAndAnswerShareOneLimit) {
  // The lookup takes most of the limit; the server then stalls (silent, or
  // one byte of a valid answer every 300 ms). Waiting the limit again after
  // the lookup would take lookup + limit; one deadline ends at the limit.
  constexpr int limit = 4000;
  constexpr int lookupMs = 3000;
  SlowLookupMs = lookupMs;
  LookupHook hook(&SlowLookup);
  struct Case {
    const char* name;
    std::function<void(int)> answer;
  };
  const Case cases[] = {
      {"silent", LocalHttpServer::NeverAnswer()},
      {"dribbling", LocalHttpServer::Dribble(HttpReply("211"), 300)},
  };
  for (const Case& c : cases) {
    LocalHttpServer server(c.answer);
    const auto start = std::chrono::steady_clock::now();
    const std::string text = HttpGetText(server.Url(), "ua", limit);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_EQ(text, "") << c.name;  // the body had not arrived by the deadline
    EXPECT_GE(waited, std::chrono::milliseconds(limit)) << c.name;
    EXPECT_LT(waited, std::chrono::milliseconds(lookupMs + limit)) << c.name;
    // The lookup did answer in time: the request reached the server.
    EXPECT_TRUE(StartsWith(server.Request(), "GET /files/lumivert.dat HTTP/1.0\r\n")) << c.name;
  }
}

TEST(HttpClient, SlowLookupWithinTheLimitStillGetsTheAnswer) {
  SlowLookupMs = 300;
  LookupHook hook(&SlowLookup);
  LocalHttpServer server(LocalHttpServer::Reply(HttpReply("212")));
  EXPECT_EQ(HttpGetText(server.Url(), "ua", 3000), "212");
}

TEST(UpdateCheck, VersionNumberReadsLeadingDigits) {
  EXPECT_EQ(VersionNumber("211"), 211);
  EXPECT_EQ(VersionNumber("2.2"), 2);
  EXPECT_EQ(VersionNumber("21"), 21);
  EXPECT_EQ(VersionNumber(""), 0);
  EXPECT_EQ(VersionNumber("abc"), 0);
  EXPECT_EQ(VersionNumber("-12"), 0);
  EXPECT_EQ(VersionNumber("99999999999999"), 999999999);
}

TEST(UpdateCheck, OutcomeFollowsTheServersVersion) {
  struct Case {
    std::string body;
    UpdateOutcome outcome;
  };
  const Case cases[] = {
      {"211", UpdateOutcome::UpdateAvailable},    {"210", UpdateOutcome::NoUpdate},
      {"209", UpdateOutcome::NoUpdate},           {"  213\r\n", UpdateOutcome::UpdateAvailable},
      {"2.2", UpdateOutcome::NoUpdate},           {"", UpdateOutcome::ConnectionProblem},
      {"v2.2", UpdateOutcome::ConnectionProblem}, {"<html>", UpdateOutcome::ConnectionProblem},
  };
  for (const Case& c : cases) {
    LocalHttpServer server(LocalHttpServer::Reply(HttpReply(c.body)));
    UpdateUrl url(server.Url());
    EXPECT_EQ(CheckForUpdate(210, "Corvanta Nembrix 2.1", 3000), c.outcome) << c.body;
    EXPECT_TRUE(StartsWith(server.Request(), "GET /files/lumivert.dat HTTP/1.0\r\n")) << c.body;
  }
}

TEST(UpdateCheck, SilentServerIsAConnectionProblem) {
  LocalHttpServer server(LocalHttpServer::NeverAnswer());
  UpdateUrl url(server.Url());
  EXPECT_EQ(CheckForUpdate(210, "ua", ShortLimit), UpdateOutcome::ConnectionProblem);
}

TEST(UpdateCheck, EndpointIsTheMakersFileUnlessOverridden) {
  unsetenv("LUMIVERT_UPDATE_URL");
  const HttpUrl product = SplitHttpUrl(UpdateEndpoint());
  EXPECT_EQ(product.path, "/files/lumivert.dat");
  EXPECT_EQ(product.port, 80);
  UpdateUrl url("http://127.0.0.1:9/mirror/v.dat");
  EXPECT_EQ(UpdateEndpoint(), "http://127.0.0.1:9/mirror/v.dat");
}

TEST(UpdateCheck, IntervalsByRange) {
  const int days[] = {1, 7, 30, 90, 180, 30, 30};
  for (int range = 0; range < 7; ++range)
    EXPECT_EQ(UpdateIntervalDays(range), days[range]) << range;
  EXPECT_EQ(UpdateIntervalDays(-1), 30);
}

TEST(UpdateCheck, ScheduledCheckAsksWhenDueAndAlwaysMovesTheDate) {
  constexpr std::int32_t now = 1800000000;
  constexpr std::int32_t day = 86400;
  struct Case {
    std::int32_t range, lastCheck;
    bool answer, asked, checked;
    std::int32_t dateAfter;
  };
  const Case cases[] = {
      {0, now - 2 * day, true, true, true, now},
      {0, now - 2 * day, false, true, false, now},    // "no" still moves the date
      {0, now - day, true, false, false, now - day},  // exactly one day: not later yet
      {1, now - 8 * day, true, true, true, now},
      {1, now - 6 * day, true, false, false, now - 6 * day},
      {2, now - 31 * day, false, true, false, now},
      {2, now - 29 * day, true, false, false, now - 29 * day},
      {4, now - 181 * day, true, true, true, now},
      {5, 0, true, false, false, 0},                    // "Never"
      {0, now + day, true, false, false, now + day},    // a date in the future waits
      {4, 2147483000, true, false, false, 2147483000},  // no wrap past the 32-bit end
  };
  for (const Case& c : cases) {
    SettingsRecord settings;
    settings.UpdateRange = c.range;
    settings.UpdateDate = c.lastCheck;
    bool asked = false, checked = false;
    ScheduledUpdateCheck(
        settings, now,
        [&] {
          asked = true;
          return c.answer;
        },
        [&] { checked = true; });
    EXPECT_EQ(asked, c.asked) << c.range << " " << c.lastCheck;
    EXPECT_EQ(checked, c.checked) << c.range << " " << c.lastCheck;
    EXPECT_EQ(settings.UpdateDate, c.dateAfter) << c.range << " " << c.lastCheck;
  }
}
