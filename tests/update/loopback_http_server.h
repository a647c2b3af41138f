#pragma once

#include <QTcpServer>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

class QTcpSocket;

namespace corvane::test {

// A small HTTP/1.1 server on 127.0.0.1 for the tests of the update check.
// It runs on the test's own thread, so it answers only while the code under
// test keeps the event loop turning. Each path gets one behaviour; any other
// path answers 404. Every connection is closed after its answer.
class LoopbackHttpServer {
 public:
  LoopbackHttpServer();
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  // "http://127.0.0.1:<port>" + path.
  std::string Url(const std::string& path) const;

  // Answers with these exact bytes (status line, headers and body).
  void ServeRaw(const std::string& path, const std::string& response);
  // A 200 answer with a Content-Length header, or (bDeclareLength false)
  // one whose end is the closing of the connection.
  void Serve(const std::string& path, const std::string& body, bool bDeclareLength = true);
  // Reads the request and never answers.
  void Stall(const std::string& path);
  // Redirects the path to itself, for ever.
  void RedirectLoop(const std::string& path);
  // A 200 answer of `length` bytes of body, written as fast as the client
  // takes them, with or without a Content-Length header.
  void Stream(const std::string& path, std::uint64_t length, bool bDeclareLength);

  // The paths requested so far, in order.
  const std::vector<std::string>& requests() const { return requests_; }
  // Body bytes that Stream handed to the connection so far.
  std::uint64_t streamedBytes() const { return streamed_; }

 private:
  enum class Kind { Raw, Stall, Stream };
  struct Behaviour {
    Kind kind = Kind::Raw;
    std::string response;
    std::uint64_t length = 0;
    bool bDeclareLength = true;
  };

  void Accept();
  void Answer(QTcpSocket& socket, const std::string& path);
  void StreamTo(QTcpSocket& socket, std::uint64_t length, bool bDeclareLength);

  QTcpServer server_;
  std::map<std::string, Behaviour> behaviours_;
  std::vector<std::string> requests_;
  std::uint64_t streamed_ = 0;
};

// A URL on the loopback address where nothing listens: the connection is
// refused.
std::string RefusingUrl(const std::string& path);

}  // namespace corvane::test
