#pragma once

#include <QTcpServer>
#include <map>
#include <string>
#include <vector>

namespace corvane::test {

// An HTTP/1.1 server on 127.0.0.1 on the test's own thread: it answers only
// while the code under test keeps the event loop turning. Each path gets one
// answer, any other a 404; the connection closes after the answer.
class LoopbackHttpServer {
 public:
  LoopbackHttpServer();

  std::string Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(server_.serverPort()) + path;
  }
  // Answers with these exact bytes (status line, headers and body); with
  // none, reads the request and never answers.
  void ServeRaw(const std::string& path, const std::string& response) {
    responses_[path] = response;
  }
  // A 200 answer with a Content-Length header.
  void Serve(const std::string& path, const std::string& body) {
    ServeRaw(path, "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
                       "\r\nConnection: close\r\n\r\n" + body);
  }

  const std::vector<std::string>& requests() const { return requests_; }

 private:
  QTcpServer server_;
  std::map<std::string, std::string> responses_;
  std::vector<std::string> requests_;
};

}  // namespace corvane::test
