#include "platform/HttpClient.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

const char* const HttpDefaultUserAgent = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; en)";

HttpUrl SplitHttpUrl(const std::string& url) {
  HttpUrl result;
  std::string rest = url;
  const std::string scheme = "http://";
  if (rest.size() >= scheme.size() && rest.compare(0, scheme.size(), scheme) == 0)
    rest.erase(0, scheme.size());
  const std::size_t slash = rest.find('/');
  std::string authority = rest.substr(0, slash);
  const std::string path = slash == std::string::npos ? "" : rest.substr(slash + 1);
  result.path = "/" + path;
  const std::size_t colon = authority.rfind(':');
  if (colon != std::string::npos) {
    const std::string digits = authority.substr(colon + 1);
    authority.erase(colon);
    long port = 0;
    bool valid = !digits.empty() && digits.size() <= 5;
    for (char c : digits) {
      if (c < '0' || c > '9')
        valid = false;
      else
        port = port * 10 + (c - '0');
    }
    if (valid && port > 0 && port < 65536) result.port = static_cast<int>(port);
  }
  result.host = authority;
  return result;
}

std::string HttpRequestText(const HttpUrl& url, const std::string& userAgent) {
  return "GET " + url.path + " HTTP/1.0\r\n" + "Host: " + url.host + "\r\n" + "Accept: */*\r\n" +
         "User-Agent: " + userAgent + "\r\n" + "Connection: close\r\n\r\n";
}

std::string HttpAnswerText(const char* buffer, int size) {
  // The buffer may be full to its last byte: never read past size.
  const std::string text(buffer, strnlen(buffer, static_cast<std::size_t>(size)));
  const std::size_t headerEnd = text.find("\r\n\r\n");
  if (headerEnd == std::string::npos) return "";
  const std::string body = text.substr(headerEnd + 4);
  const char* blanks = " \t\r\n";
  const std::size_t first = body.find_first_not_of(blanks);
  if (first == std::string::npos) return "";
  const std::size_t last = body.find_last_not_of(blanks);
  return body.substr(first, last - first + 1).substr(0, 3);
}

namespace {

using Clock = std::chrono::steady_clock;

std::atomic<HttpHostLookup> HostLookup{nullptr};

// Milliseconds left until deadline, 0 once it has passed.
int MillisecondsLeft(Clock::time_point deadline) {
  const long long left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? static_cast<int>(left) : 0;
}

// One lookup shared between the caller and the thread that runs it; whoever
// is last frees it, so a caller that gave up owes the thread nothing.
struct PendingLookup {
  std::mutex mutex;
  std::condition_variable finished;
  bool done = false;
  bool abandoned = false;
  addrinfo* found = nullptr;  // nullptr when the lookup failed
};

// getaddrinfo cannot be interrupted, so it runs on a detached thread and the
// caller waits for it only until the deadline.
addrinfo* LookUp(const HttpUrl& url, Clock::time_point deadline) {
  HttpHostLookup lookup = HostLookup.load();
  if (!lookup) lookup = &getaddrinfo;
  auto pending = std::make_shared<PendingLookup>();
  auto run = [pending, lookup, host = url.host, service = std::to_string(url.port)] {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int status = lookup(host.c_str(), service.c_str(), &hints, &found);
    std::lock_guard<std::mutex> lock(pending->mutex);
    if (pending->abandoned) {
      if (status == 0 && found) freeaddrinfo(found);
      return;
    }
    pending->found = status == 0 ? found : nullptr;
    pending->done = true;
    pending->finished.notify_one();
  };
  try {
    std::thread(run).detach();
  } catch (const std::system_error&) {
    // No thread to be had: look up here, without the bound, rather than not at all.
    run();
  }
  std::unique_lock<std::mutex> lock(pending->mutex);
  if (!pending->finished.wait_until(lock, deadline, [&] { return pending->done; })) {
    pending->abandoned = true;
    return nullptr;
  }
  return pending->found;
}

// A connection attempt that gives up at the deadline, so an address that
// swallows packets cannot hang the window for minutes.
bool ConnectBy(int socketFd, const sockaddr* address, socklen_t length,
               Clock::time_point deadline) {
  const int flags = fcntl(socketFd, F_GETFL, 0);
  if (flags < 0 || fcntl(socketFd, F_SETFL, flags | O_NONBLOCK) != 0) return false;
  if (connect(socketFd, address, length) != 0) {
    if (errno != EINPROGRESS) return false;
    for (;;) {
      pollfd writable{socketFd, POLLOUT, 0};
      const int ready = poll(&writable, 1, MillisecondsLeft(deadline));
      if (ready == 1) break;
      if (ready < 0 && errno == EINTR && MillisecondsLeft(deadline) > 0) continue;
      return false;
    }
    int error = 0;
    socklen_t size = sizeof error;
    if (getsockopt(socketFd, SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0) return false;
  }
  return fcntl(socketFd, F_SETFL, flags) == 0;
}

// Tries the host's addresses in turn, all within the one deadline.
int ConnectTo(const HttpUrl& url, Clock::time_point deadline) {
  if (url.host.empty()) return -1;
  addrinfo* found = LookUp(url, deadline);
  if (!found) return -1;
  int socketFd = -1;
  for (addrinfo* a = found; a && socketFd < 0 && MillisecondsLeft(deadline) > 0; a = a->ai_next) {
    socketFd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
    if (socketFd >= 0 && !ConnectBy(socketFd, a->ai_addr, a->ai_addrlen, deadline)) {
      close(socketFd);
      socketFd = -1;
    }
  }
  freeaddrinfo(found);
  return socketFd;
}

bool SendAll(int socketFd, const std::string& bytes) {
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const ssize_t n = send(socketFd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return false;
    sent += static_cast<std::size_t>(n);
  }
  return true;
}

}  // namespace

void SetHttpHostLookup(HttpHostLookup lookup) { HostLookup.store(lookup); }

std::string HttpGetText(const std::string& url, const std::string& userAgent,
                        int waitLimitMilliseconds) {
  // The limit is the user's whole wait: lookup, connection and answer.
  const auto deadline = Clock::now() + std::chrono::milliseconds(waitLimitMilliseconds);
  const HttpUrl parts = SplitHttpUrl(url);
  std::vector<char> buffer(HttpBufferSize, 0);
  const int socketFd = ConnectTo(parts, deadline);
  if (socketFd < 0) return "";
  if (!SendAll(socketFd, HttpRequestText(parts, userAgent))) {
    close(socketFd);
    return "";
  }
  // Every wait is bounded by the same deadline, also between the pieces of an
  // answer that arrives split, so a server that stalls mid-answer cannot hold
  // the window longer than one that never answers.
  int filled = 0;
  while (filled < HttpBufferSize) {
    pollfd waiting{socketFd, POLLIN, 0};
    const int ready = poll(&waiting, 1, std::min(HttpPollMilliseconds, MillisecondsLeft(deadline)));
    if (ready > 0) {
      const ssize_t n = recv(socketFd, buffer.data() + filled,
                             static_cast<std::size_t>(HttpBufferSize - filled), 0);
      if (n <= 0) break;
      filled += static_cast<int>(n);
    } else if (ready < 0 && errno != EINTR) {
      break;
    }
    if (Clock::now() >= deadline) break;
  }
  close(socketFd);
  return HttpAnswerText(buffer.data(), HttpBufferSize);
}
