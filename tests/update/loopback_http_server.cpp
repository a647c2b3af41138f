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
        const std::string& path =
            requests_.emplace_back(request->substr(start, request->find(' ', start) - start));
        std::string response = "HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found";
        if (const auto found = responses_.find(path); found != responses_.end())
          response = found->second;
        if (response.empty()) return;  // stalls
        socket->write(response.data(), static_cast<qint64>(response.size()));
        socket->disconnectFromHost();
      });
    }
  });
}

}  // namespace corvane::test
