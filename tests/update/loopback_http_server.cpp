#include "loopback_http_server.h"

#include <QTcpSocket>
#include <memory>
#include <stdexcept>

namespace corvane::test {

LoopbackHttpServer::LoopbackHttpServer() {
  if (!server_.listen(QHostAddress::LocalHost, 0)) throw std::runtime_error("cannot listen");
  QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
      QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
      auto request = std::make_shared<std::string>();
      QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, request] {
        const bool complete = request->find("\r\n\r\n") != std::string::npos;
        request->append(socket->readAll().toStdString());
        if (complete || request->find("\r\n\r\n") == std::string::npos) return;
        const auto start = request->find(' ') + 1;  // "GET /path HTTP/1.1"
        Answer(*socket, request->substr(start, request->find(' ', start) - start));
      });
    }
  });
}

std::string LoopbackHttpServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(server_.serverPort()) + path;
}

void LoopbackHttpServer::Serve(const std::string& path, const std::string& body) {
  ServeRaw(path, "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
                     "\r\nConnection: close\r\n\r\n" + body);
}

void LoopbackHttpServer::Answer(QTcpSocket& socket, const std::string& path) {
  requests_.push_back(path);
  const auto found = responses_.find(path);
  const std::string response = found != responses_.end()
                                   ? found->second
                                   : "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found";
  if (response.empty()) return;  // stalls
  socket.write(response.data(), static_cast<qint64>(response.size()));
  socket.disconnectFromHost();
}

std::string RefusingUrl(const std::string& path) {
  QTcpServer probe;
  probe.listen(QHostAddress::LocalHost, 0);
  return "http://127.0.0.1:" + std::to_string(probe.serverPort()) + path;  // closed on return
}

}  // namespace corvane::test
