#include "tests/support/ScriptedServer.h"

#include <chrono>

#include "tests/support/ListeningSocket.h"

namespace testing_support {

ScriptedConnection::ScriptedConnection(ScriptedServer &server, int index, sys::Socket socket)
    : server_(server), index_(index), socket_(std::move(socket)) {
  socket_.SetTimeouts(ScriptedServer::kPatienceMs, ScriptedServer::kPatienceMs);
}

std::string ScriptedConnection::ReadRequest() {
  std::string request;
  char byte;
  while (request.size() < 4 || request.compare(request.size() - 4, 4, "\r\n\r\n") != 0) {
    if (socket_.Recv(&byte, 1) != 1) break;
    request += byte;
    server_.Record(index_, byte);
  }
  return request;
}

bool ScriptedConnection::Send(const std::string &bytes) { return socket_.SendAll(bytes.data(), int(bytes.size())); }

bool ScriptedConnection::WaitForClientClose() {
  char buffer[4096];
  for (;;) {
    int n = socket_.Recv(buffer, sizeof buffer);
    if (n == 0) return true;
    if (n < 0) return false;
  }
}

void ScriptedConnection::Reset() {
  SetAbortiveClose(socket_);
  socket_.Close();
}

ScriptedServer::ScriptedServer(const std::string &address, std::vector<Handler> script)
    : address_(address), script_(std::move(script)) {
  listener_ = sys::Socket::CreateTcp();
  listening_ = BindAndListen(listener_, sys::ParseIPv4(address_), 80);
  if (listening_) acceptor_ = sys::Thread::Start([this] { AcceptLoop(); });
}

ScriptedServer::~ScriptedServer() {
  Release();
  if (acceptor_.Valid()) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    // A connection of our own wakes the accept loop, which then sees that it must stop.
    sys::Socket wake = sys::Socket::CreateTcp();
    wake.Connect(sys::ParseIPv4(address_), 80, kPatienceMs);
    acceptor_.Join();
  }
  for (sys::Thread &connection : connections_) connection.Join();
}

void ScriptedServer::AcceptLoop() {
  for (;;) {
    sys::Socket socket = Accept(listener_);
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_ || !socket.Valid()) return;
    int index = int(requests_.size());
    requests_.emplace_back();
    Handler handler = index < int(script_.size()) ? script_[std::size_t(index)] : Answer("");
    auto connection = std::make_shared<ScriptedConnection>(*this, index, std::move(socket));
    connections_.push_back(sys::Thread::Start([handler, connection] { handler(*connection); }));
    accepted_.Set();
  }
}

void ScriptedServer::Record(int index, char byte) {
  std::lock_guard<std::mutex> lock(mutex_);
  requests_[std::size_t(index)] += byte;
}

int ScriptedServer::ConnectionCount() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return int(requests_.size());
}

std::string ScriptedServer::Request(int index) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return index < int(requests_.size()) ? requests_[std::size_t(index)] : std::string();
}

bool ScriptedServer::WaitForConnections(int count) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kPatienceMs);
  while (ConnectionCount() < count) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0 || !accepted_.Wait(int(left.count()))) return ConnectionCount() >= count;
  }
  return true;
}

ScriptedServer::Handler ScriptedServer::Answer(std::string text) {
  return [text](ScriptedConnection &connection) {
    connection.ReadRequest();
    connection.Send(text);
  };
}

ScriptedServer::Handler ScriptedServer::AnswerAndHold(std::string text) {
  return [text](ScriptedConnection &connection) {
    connection.ReadRequest();
    connection.Send(text);
    connection.WaitForClientClose();
  };
}

}  // namespace testing_support
