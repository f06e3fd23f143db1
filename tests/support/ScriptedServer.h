#pragma once
// A loopback HTTP server for tests that plays a script: the n-th accepted connection is
// answered by the n-th handler, each on its own thread, and the exact request bytes of
// every connection are recorded. It listens on port 80 of the address it is given, so each
// test picks its own 127.0.0.x.

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "sys/Event.h"
#include "sys/Socket.h"
#include "sys/Thread.h"

namespace testing_support {

class ScriptedServer;

// One accepted connection, handed to its handler.
class ScriptedConnection {
 public:
  ScriptedConnection(ScriptedServer &server, int index, sys::Socket socket);

  int Index() const { return index_; }
  ScriptedServer &Server() { return server_; }

  // Reads up to and including the empty line that ends a request and records the bytes.
  // Returns what was read (less when the client closed first).
  std::string ReadRequest();
  bool Send(const std::string &bytes);
  // Waits, up to the server's patience, until the client closes the connection. True when
  // the client closed it; false when the wait ran out or the connection failed.
  bool WaitForClientClose();
  // Closes now, discarding anything unsent (a reset rather than an orderly close).
  void Reset();

 private:
  ScriptedServer &server_;
  int index_;
  sys::Socket socket_;
};

class ScriptedServer {
 public:
  using Handler = std::function<void(ScriptedConnection &)>;
  // Bounds every wait of the server side, so that a faulty client fails a test instead
  // of hanging it.
  static constexpr int kPatienceMs = 20000;

  ScriptedServer(const std::string &address, std::vector<Handler> script);
  ~ScriptedServer();
  ScriptedServer(const ScriptedServer &) = delete;
  ScriptedServer &operator=(const ScriptedServer &) = delete;

  bool Listening() const { return listening_; }
  const std::string &Address() const { return address_; }
  std::string Url(const std::string &path) const { return "http://" + address_ + "/" + path; }

  int ConnectionCount() const;
  // The request bytes recorded on connection index ("" when there is no such connection).
  std::string Request(int index) const;
  // Waits until at least count connections have been accepted; false after kPatienceMs.
  bool WaitForConnections(int count);

  // A gate handlers may wait at until the test opens it; the destructor opens it too.
  void Release() { released_.Set(); }
  bool WaitReleased() { return released_.Wait(kPatienceMs); }

  // Handlers for the common cases: read the request, send text, close.
  static Handler Answer(std::string text);
  // Read the request, send text, then keep the connection until the client closes it.
  static Handler AnswerAndHold(std::string text);

 private:
  friend class ScriptedConnection;
  void AcceptLoop();
  void Record(int index, char byte);

  std::string address_;
  std::vector<Handler> script_;
  sys::SocketLayer layer_{0x0101};
  sys::Socket listener_;
  bool listening_ = false;
  bool stopping_ = false;  // guarded by mutex_
  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
  sys::Event accepted_{sys::Event::Mode::AutoReset};
  sys::Event released_{sys::Event::Mode::ManualReset};
  std::vector<sys::Thread> connections_;
  sys::Thread acceptor_;
};

}  // namespace testing_support
