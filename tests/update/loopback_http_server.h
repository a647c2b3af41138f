#pragma once

#include <QTcpServer>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

class QTcpSocket;

namespace corvane::test {

// An HTTP/1.1 server on 127.0.0.1 on the test's own thread: it answers only
// while the code under test keeps the event loop turning. Each path gets one
// behaviour, any other answers 404; each connection closes after its answer.
class LoopbackHttpServer {
 public:
  LoopbackHttpServer();

  std::string Url(const std::string& path) const;  // "http://127.0.0.1:<port>" + path
  // Answers with these exact bytes (status line, headers and body).
  void ServeRaw(const std::string& path, const std::string& response);
  // A 200 answer with a Content-Length header.
  void Serve(const std::string& path, const std::string& body);
  // Reads the request and never answers.
  void Stall(const std::string& path) { ServeRaw(path, ""); }
  // A 200 answer of `length` bytes without a Content-Length header, written
  // only as fast as the client takes them.
  void Stream(const std::string& path, std::uint64_t length);

  const std::vector<std::string>& requests() const { return requests_; }
  std::uint64_t streamedBytes() const { return streamed_; }

 private:
  struct Behaviour {
    std::string response;
    std::uint64_t streamLength = 0;
  };
  void Answer(QTcpSocket& socket, const std::string& path);

  QTcpServer server_;
  std::map<std::string, Behaviour> behaviours_;
  std::vector<std::string> requests_;
  std::uint64_t streamed_ = 0;
};

// A URL on the loopback address where nothing listens.
std::string RefusingUrl(const std::string& path);

}  // namespace corvane::test
