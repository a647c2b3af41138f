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

void LoopbackHttpServer::ServeRaw(const std::string& path, const std::string& response) {
  behaviours_[path] = {response, 0};
}

void LoopbackHttpServer::Serve(const std::string& path, const std::string& body) {
  ServeRaw(path, "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
                     "\r\nConnection: close\r\n\r\n" + body);
}

void LoopbackHttpServer::Stream(const std::string& path, std::uint64_t length) {
  behaviours_[path] = {"HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n", length};
}

void LoopbackHttpServer::Answer(QTcpSocket& socket, const std::string& path) {
  requests_.push_back(path);
  const auto found = behaviours_.find(path);
  const Behaviour behaviour =
      found != behaviours_.end()
          ? found->second
          : Behaviour{"HTTP/1.1 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found", 0};
  if (behaviour.response.empty()) return;  // stalls
  socket.write(behaviour.response.data(), static_cast<qint64>(behaviour.response.size()));
  // Keeps a little ahead of the client: a new chunk whenever the last one
  // has left, so a client that stops reading stops the stream too.
  constexpr qint64 kChunk = 64 * 1024;
  auto left = std::make_shared<std::uint64_t>(behaviour.streamLength);
  const auto more = [this, &socket, left] {
    if (*left == 0) return socket.disconnectFromHost();
    if (socket.bytesToWrite() >= kChunk) return;
    const qint64 size = static_cast<qint64>(std::min<std::uint64_t>(*left, kChunk));
    if (socket.write(QByteArray(size, 'x')) != size) return;
    *left -= static_cast<std::uint64_t>(size);
    streamed_ += static_cast<std::uint64_t>(size);
  };
  if (*left > 0) QObject::connect(&socket, &QTcpSocket::bytesWritten, &socket, more);
  more();
}

std::string RefusingUrl(const std::string& path) {
  QTcpServer probe;
  probe.listen(QHostAddress::LocalHost, 0);
  return "http://127.0.0.1:" + std::to_string(probe.serverPort()) + path;  // closed on return
}

}  // namespace corvane::test
