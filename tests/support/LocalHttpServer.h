// A one-connection TCP server on 127.0.0.1 for the update-check tests. It runs
// on a thread of the test, accepts one client, records the request bytes and
// then answers in the manner given; every wait is bounded, so a client that
// misbehaves makes a test fail, never hang.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

class LocalHttpServer {
 public:
  // answer(clientFd) runs after the request has been read; it may send, stall
  // or return at once. The connection is closed after it returns.
  explicit LocalHttpServer(std::function<void(int)> answer, bool readRequest = true);
  ~LocalHttpServer();

  int Port() const { return port_; }
  std::string Url(const std::string& path = "files/lumivert.dat") const;
  // The bytes the client sent; valid once the server has finished.
  std::string Request();
  // Waits for the server thread to end.
  void Finish();

  // Answers: the whole reply at once; the reply in pieces with pauses; one
  // byte at a time with pauses until the client gives up; no answer until the
  // client gives up; nothing at all (closed at once).
  static std::function<void(int)> Reply(const std::string& bytes);
  static std::function<void(int)> ReplyInPieces(const std::vector<std::string>& pieces);
  static std::function<void(int)> Dribble(const std::string& bytes, int pauseMs);
  static std::function<void(int)> NeverAnswer();

 private:
  void Serve(std::function<void(int)> answer, bool readRequest);

  int listenFd_ = -1;
  int port_ = 0;
  std::string request_;
  std::thread thread_;
};

namespace local_http_detail {

constexpr int AcceptWaitMs = 10000;
constexpr int StallLimitMs = 20000;

inline int ListenOnLoopback(int* port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t size = sizeof address;
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(fd, 1) != 0 || getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    if (fd >= 0) close(fd);
    *port = 0;
    return -1;
  }
  *port = ntohs(address.sin_port);
  return fd;
}

}  // namespace local_http_detail

inline LocalHttpServer::LocalHttpServer(std::function<void(int)> answer, bool readRequest) {
  listenFd_ = local_http_detail::ListenOnLoopback(&port_);
  thread_ = std::thread(&LocalHttpServer::Serve, this, std::move(answer), readRequest);
}

inline LocalHttpServer::~LocalHttpServer() {
  Finish();
  if (listenFd_ >= 0) close(listenFd_);
}

inline std::string LocalHttpServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + "/" + path;
}

inline std::string LocalHttpServer::Request() {
  Finish();
  return request_;
}

inline void LocalHttpServer::Finish() {
  if (thread_.joinable()) thread_.join();
}

inline void LocalHttpServer::Serve(std::function<void(int)> answer, bool readRequest) {
  if (listenFd_ < 0) return;
  pollfd incoming{listenFd_, POLLIN, 0};
  if (poll(&incoming, 1, local_http_detail::AcceptWaitMs) != 1) return;
  const int client = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
  if (client < 0) return;
  // A stuck client cannot block a send for ever.
  timeval sendLimit{5, 0};
  setsockopt(client, SOL_SOCKET, SO_SNDTIMEO, &sendLimit, sizeof sendLimit);
  if (readRequest) {
    char chunk[512];
    for (int rounds = 0; rounds < 200 && request_.find("\r\n\r\n") == std::string::npos; ++rounds) {
      pollfd readable{client, POLLIN, 0};
      if (poll(&readable, 1, 50) != 1) continue;
      const ssize_t n = recv(client, chunk, sizeof chunk, 0);
      if (n <= 0) break;
      request_.append(chunk, static_cast<std::size_t>(n));
    }
  }
  answer(client);
  close(client);
}

inline std::function<void(int)> LocalHttpServer::Reply(const std::string& bytes) {
  return [bytes](int client) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
      const ssize_t n = send(client, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) break;  // the client stopped reading and closed: expected for long answers
      sent += static_cast<std::size_t>(n);
    }
  };
}

inline std::function<void(int)> LocalHttpServer::ReplyInPieces(
    const std::vector<std::string>& pieces) {
  return [pieces](int client) {
    for (const std::string& piece : pieces) {
      if (send(client, piece.data(), piece.size(), MSG_NOSIGNAL) !=
          static_cast<ssize_t>(piece.size()))
        break;
      std::this_thread::sleep_for(std::chrono::milliseconds(60));
    }
  };
}

inline std::function<void(int)> LocalHttpServer::Dribble(const std::string& bytes, int pauseMs) {
  return [bytes, pauseMs](int client) {
    const auto start = std::chrono::steady_clock::now();
    for (char byte : bytes) {
      if (std::chrono::steady_clock::now() - start >
          std::chrono::milliseconds(local_http_detail::StallLimitMs))
        return;
      // Fails once the client has closed: then it gave up, as it should.
      if (send(client, &byte, 1, MSG_NOSIGNAL) != 1) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
    }
  };
}

inline std::function<void(int)> LocalHttpServer::NeverAnswer() {
  return [](int client) {
    // Hold the connection open until the client closes it (or a generous bound).
    const auto start = std::chrono::steady_clock::now();
    char chunk[64];
    while (std::chrono::steady_clock::now() - start <
           std::chrono::milliseconds(local_http_detail::StallLimitMs)) {
      pollfd readable{client, POLLIN, 0};
      if (poll(&readable, 1, 50) == 1 && recv(client, chunk, sizeof chunk, 0) <= 0) return;
    }
  };
}

// The reply "HTTP/1.0 200 OK" with a short header and body.
inline std::string HttpReply(const std::string& body) {
  return "HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\n\r\n" + body;
}

// A port on 127.0.0.1 where nothing listens.
inline int ClosedLocalPort() {
  int port = 0;
  const int fd = local_http_detail::ListenOnLoopback(&port);
  if (fd >= 0) close(fd);
  return port;
}
