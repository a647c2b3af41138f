#include "loopback_http_server.h"

#include <QTcpSocket>
#include <memory>
#include <stdexcept>

namespace corvane::test {
namespace {

constexpr qint64 kChunk = 64 * 1024;

std::string Response(const std::string& status, const std::string& headers,
                     const std::string& body) {
  return "HTTP/1.1 " + status + "\r\n" + headers + "Connection: close\r\n\r\n" + body;
}

}  // namespace

LoopbackHttpServer::LoopbackHttpServer() {
  if (!server_.listen(QHostAddress::LocalHost, 0)) {
    throw std::runtime_error("cannot listen on the loopback address");
  }
  QObject::connect(&server_, &QTcpServer::newConnection, &server_, [this] { Accept(); });
}

std::string LoopbackHttpServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(server_.serverPort()) + path;
}

void LoopbackHttpServer::ServeRaw(const std::string& path, const std::string& response) {
  behaviours_[path] = {Kind::Raw, response, 0, true};
}

void LoopbackHttpServer::Serve(const std::string& path, const std::string& body,
                               bool bDeclareLength) {
  const std::string length =
      bDeclareLength ? "Content-Length: " + std::to_string(body.size()) + "\r\n" : "";
  ServeRaw(path, Response("200 OK", "Content-Type: text/plain\r\n" + length, body));
}

void LoopbackHttpServer::Stall(const std::string& path) {
  behaviours_[path] = {Kind::Stall, {}, 0, true};
}

void LoopbackHttpServer::RedirectLoop(const std::string& path) {
  ServeRaw(path, Response("302 Found", "Location: " + Url(path) + "\r\nContent-Length: 0\r\n", ""));
}

void LoopbackHttpServer::Stream(const std::string& path, std::uint64_t length,
                                bool bDeclareLength) {
  behaviours_[path] = {Kind::Stream, {}, length, bDeclareLength};
}

void LoopbackHttpServer::Accept() {
  while (QTcpSocket* socket = server_.nextPendingConnection()) {
    QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    auto request = std::make_shared<std::string>();
    QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket, request] {
      const bool bComplete = request->find("\r\n\r\n") != std::string::npos;
      request->append(socket->readAll().toStdString());
      if (bComplete || request->find("\r\n\r\n") == std::string::npos) return;
      // "GET /path HTTP/1.1"
      const auto start = request->find(' ') + 1;
      Answer(*socket, request->substr(start, request->find(' ', start) - start));
    });
  }
}

void LoopbackHttpServer::Answer(QTcpSocket& socket, const std::string& path) {
  requests_.push_back(path);
  const auto found = behaviours_.find(path);
  if (found == behaviours_.end()) {
    socket.write(Response("404 Not Found", "Content-Length: 9\r\n", "not found").c_str());
    socket.disconnectFromHost();
    return;
  }
  const Behaviour& behaviour = found->second;
  switch (behaviour.kind) {
    case Kind::Raw:
      socket.write(behaviour.response.data(), static_cast<qint64>(behaviour.response.size()));
      socket.disconnectFromHost();
      return;
    case Kind::Stall: return;
    case Kind::Stream: StreamTo(socket, behaviour.length, behaviour.bDeclareLength); return;
  }
}

// Keeps a little ahead of the client: a new chunk whenever the last one has
// left, so a client that stops reading stops the stream too.
void LoopbackHttpServer::StreamTo(QTcpSocket& socket, std::uint64_t length, bool bDeclareLength) {
  const std::string lengthHeader =
      bDeclareLength ? "Content-Length: " + std::to_string(length) + "\r\n" : "";
  const std::string head = Response("200 OK", lengthHeader, "");
  socket.write(head.data(), static_cast<qint64>(head.size()));
  auto left = std::make_shared<std::uint64_t>(length);
  const auto more = [this, &socket, left] {
    if (*left == 0) return socket.disconnectFromHost();
    if (socket.bytesToWrite() >= kChunk) return;
    const qint64 size = static_cast<qint64>(std::min<std::uint64_t>(*left, kChunk));
    if (socket.write(QByteArray(size, 'x')) != size) return;
    *left -= static_cast<std::uint64_t>(size);
    streamed_ += static_cast<std::uint64_t>(size);
  };
  QObject::connect(&socket, &QTcpSocket::bytesWritten, &socket, more);
  more();
}

std::string RefusingUrl(const std::string& path) {
  QTcpServer probe;
  probe.listen(QHostAddress::LocalHost, 0);
  const quint16 port = probe.serverPort();
  probe.close();
  return "http://127.0.0.1:" + std::to_string(port) + path;
}

}  // namespace corvane::test
