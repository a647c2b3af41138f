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
        requests.push_back(request->substr(start, request->find(' ', start) - start));
        const std::string& response =
            responses.try_emplace(requests.back(), kNotFound).first->second;
        socket->write(response.data(), static_cast<qint64>(response.size()));
        if (!response.empty()) socket->disconnectFromHost();  // else stalls
      });
    }
  });
}

}  // namespace corvane::test
