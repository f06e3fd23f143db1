#pragma once
// Records what a THttpFileDown reports, for tests. Handlers run on the worker thread;
// everything they record is read by the test only after WaitDone, whose event orders it.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "net/HttpFileDown.h"
#include "sys/Event.h"
#include "tests/support/ScriptedServer.h"

namespace testing_support {

struct DownloadRecorder {
  struct Progress {
    int cur, tot;
    std::string speed;
  };

  explicit DownloadRecorder(THttpFileDown &down) : down(down) {
    down.OnFileSize = [this](TObject *sender, int size) {
      senderRight = senderRight && sender == &this->down;
      fileSizes.push_back(size);
    };
    down.OnDowning = [this](TObject *sender, int cur, int tot, std::string speed) {
      senderRight = senderRight && sender == &this->down;
      progress.push_back({cur, tot, speed});
      if (onDowning) onDowning(cur);
    };
    down.OnDowned = [this](TObject *sender) {
      senderRight = senderRight && sender == &this->down;
      ++downed;
      if (onDowned) onDowned();
      // Notified under the lock: once the test sees the count, this thread is done with
      // the recorder, which the test may then destroy.
      std::lock_guard<std::mutex> lock(doneMutex);
      ++completions;
      doneChanged.notify_all();
    };
  }

  // Waits for the next OnDowned, up to the scripted server's patience and then some. Each
  // completion is counted: one that starts the next job may finish after that job's own.
  bool WaitDone() {
    std::unique_lock<std::mutex> lock(doneMutex);
    if (!doneChanged.wait_for(lock, std::chrono::milliseconds(2 * ScriptedServer::kPatienceMs),
                              [this] { return completions > waited; })) {
      return false;
    }
    ++waited;
    return true;
  }

  THttpFileDown &down;
  std::vector<int> fileSizes;
  std::vector<Progress> progress;
  int downed = 0;
  bool senderRight = true;
  // Optional extra steps inside OnDowning (with CurSize) and OnDowned, on the worker.
  std::function<void(int)> onDowning;
  std::function<void()> onDowned;
  std::mutex doneMutex;
  std::condition_variable doneChanged;
  int completions = 0;  // guarded by doneMutex
  int waited = 0;       // guarded by doneMutex
};

// A GET or HEAD answer's head: status line, the given header lines, the blank line.
inline std::string Head(const std::string &lines, const std::string &status = "HTTP/1.1 206 Partial Content") {
  return status + "\r\n" + lines + "\r\n";
}

// A ranged answer from byte 0 for a body of size bytes.
inline std::string RangeHeaders(std::size_t size) {
  return "Content-Range: bytes 0-" + std::to_string(size - 1) + "/" + std::to_string(size) +
         "\r\nContent-Length: " + std::to_string(size) + "\r\n";
}

// Bytes that differ from position to position, so that a lost or repeated chunk shows.
inline std::string PatternBody(std::size_t size) {
  std::string body(size, '\0');
  for (std::size_t i = 0; i < size; ++i) body[i] = char((i * 7 + i / 4096) & 0xFF);
  return body;
}

}  // namespace testing_support
