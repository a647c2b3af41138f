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
  // A 200 answer with a Content-Length header.
  void Serve(const std::string& path, const std::string& body) {
    responses[path] = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
                      "\r\nConnection: close\r\n\r\n" + body;
  }

  // The exact bytes of each path's answer (status line, headers and body);
  // an empty answer reads the request and never answers.
  std::map<std::string, std::string> responses;
  std::vector<std::string> requests;  // the paths asked for, in order

 private:
  static constexpr const char* kNotFound =
      "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found";
  QTcpServer server_;
};

}  // namespace corvane::test
