// A minimal HTTP/1.0 client over plain TCP for the update check: one GET, one
// fixed receive buffer, a time limit. It is not a general HTTP library: the
// answer it looks for is a few characters at the start of a short body.
#pragma once

#include <string>

struct addrinfo;

// Receive buffer, poll interval and wait limit of the update request.
constexpr int HttpBufferSize = 2048;
constexpr int HttpPollMilliseconds = 20;
constexpr int HttpWaitLimitMilliseconds = 10000;
// Sent when the caller gives no user agent of its own.
extern const char* const HttpDefaultUserAgent;

struct HttpUrl {
  std::string host;
  int port = 80;
  std::string path;  // request path, always beginning with "/"
};

// "http://host:8080/files/x.dat" -> {"host", 8080, "/files/x.dat"}; the
// scheme is optional, a missing or unreadable port gives 80.
HttpUrl SplitHttpUrl(const std::string& url);

// The exact request bytes sent for url and userAgent.
std::string HttpRequestText(const HttpUrl& url, const std::string& userAgent);

// The first three characters of the trimmed body of the answer to a GET of
// url, or "" when no connection could be made. At most HttpBufferSize bytes
// of the answer are read (collected over several pieces when it arrives
// split); reading stops when the server closes or the buffer is full. One
// deadline, waitLimitMilliseconds from the call, bounds the name lookup, the
// connection (over all addresses of the host) and the reading together.
std::string HttpGetText(const std::string& url, const std::string& userAgent,
                        int waitLimitMilliseconds = HttpWaitLimitMilliseconds);

// The name lookup HttpGetText uses, with getaddrinfo's signature and result
// (freed with freeaddrinfo). It runs on a thread of its own, so a lookup that
// hangs is left behind at the deadline. Tests replace it; nullptr restores
// getaddrinfo.
using HttpHostLookup = int (*)(const char* host, const char* service, const addrinfo* hints,
                               addrinfo** result);
void SetHttpHostLookup(HttpHostLookup lookup);

// The answer-text rule on its own: buffer bytes up to the first zero byte,
// the part after the first blank line, blanks trimmed, three characters.
std::string HttpAnswerText(const char* buffer, int size);
