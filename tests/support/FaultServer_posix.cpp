// A loopback HTTP server for end-to-end fault tests: it serves a directory the way nginx
// does for the updater (HEAD with "Content-Length", ranged GET answered with 206 and
// "Content-Range", an empty file with 200, a missing one with 404), except that the GET of
// one chosen file meets a chosen fault. It always runs on the build machine, also for the
// Windows build, whose tool reaches it from under Wine, so it uses POSIX sockets directly.
//
//   quillet-fault-server ADDRESS ROOT LOG [FAULT FILE [ARG]]
//     close N     send the headers and N body bytes, then close the connection
//     reset N     send the headers and N body bytes, then reset the connection (RST)
//     stall N     send the headers and N body bytes, then send nothing more
//     drip MS     send the header lines one byte every MS milliseconds
//     norange     answer with 200 and the whole body, without "Content-Range"
//
// It listens on ADDRESS:80 and appends to LOG: "ready" once it listens, "<METHOD> <target>"
// for each request and "fault <kind> <target>" when the fault has taken effect, so that a
// test can wait for these moments. It runs until it is signalled.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>

namespace {

// Bounds every wait on a client, so that a client that never closes cannot keep the
// server's threads for ever.
constexpr int kPatienceMs = 120000;
// Makes the dripped header long enough that no sane header time limit lets it through.
const std::string kDripPadding = "X-Padding: " + std::string(400, 'p') + "\r\n";

struct Fault {
  std::string Kind;    // empty: none
  std::string Target;  // "/" + the file's path below the root
  long Argument = 0;
};

std::string Root;
Fault TheFault;
std::FILE *Log = nullptr;
std::mutex LogLock;

void WriteLog(const std::string &line) {
  std::lock_guard<std::mutex> lock(LogLock);
  std::fprintf(Log, "%s\n", line.c_str());
  std::fflush(Log);
}

bool SendAll(int fd, const char *data, std::size_t size) {
  while (size > 0) {
    ssize_t sent = send(fd, data, size, MSG_NOSIGNAL);
    if (sent < 0 && errno == EINTR) continue;
    if (sent <= 0) return false;
    data += sent;
    size -= std::size_t(sent);
  }
  return true;
}

bool SendAll(int fd, const std::string &text) { return SendAll(fd, text.data(), text.size()); }

// Reads up to the blank line that ends the request; empty when the client gave none.
std::string ReadRequest(int fd) {
  std::string request;
  char c;
  while (request.size() < 65536) {
    pollfd waiting{fd, POLLIN, 0};
    if (poll(&waiting, 1, kPatienceMs) <= 0 || recv(fd, &c, 1, 0) != 1) return std::string();
    request += c;
    if (request.size() >= 4 && request.compare(request.size() - 4, 4, "\r\n\r\n") == 0) return request;
  }
  return std::string();
}

// Waits until the client closes its end (or the patience runs out).
void WaitForClientClose(int fd) {
  char buffer[512];
  for (;;) {
    pollfd waiting{fd, POLLIN, 0};
    if (poll(&waiting, 1, kPatienceMs) <= 0 || recv(fd, buffer, sizeof buffer, 0) <= 0) return;
  }
}

// The first byte a "Range: bytes=S-" header asks for; 0 without one.
long RangeStart(const std::string &request) {
  std::string lower = request;
  for (char &c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
  std::size_t at = lower.find("\nrange: bytes=");
  return at == std::string::npos ? 0 : std::atol(request.c_str() + at + 14);
}

bool ReadFile(const std::string &path, std::string &contents) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  contents.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

void Drip(int fd, const std::string &headers, long intervalMs) {
  for (char c : headers) {
    if (!SendAll(fd, &c, 1)) return;
    std::this_thread::sleep_for(std::chrono::milliseconds(intervalMs));
  }
}

void Serve(int fd) {
  const std::string request = ReadRequest(fd);
  std::istringstream line(request);
  std::string method, target;
  line >> method >> target;
  if (method.empty()) return;
  WriteLog(method + " " + target);
  const bool head = method == "HEAD";

  std::string body;
  if (target.find("..") != std::string::npos || !ReadFile(Root + target, body)) {
    const std::string page = "<html><body>404 Not Found</body></html>\r\n";
    SendAll(fd, "HTTP/1.1 404 Not Found\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(page.size()) +
                    "\r\nConnection: close\r\n\r\n" + (head ? "" : page));
    return;
  }
  const bool faulty = !head && target == TheFault.Target;
  const long size = long(body.size());
  const long start = faulty && TheFault.Kind == "norange" ? 0 : RangeStart(request);
  std::ostringstream headers;
  if (size == 0 || (faulty && TheFault.Kind == "norange")) {
    headers << "HTTP/1.1 200 OK\r\nContent-Length: " << size << "\r\n";
  } else if (start >= size) {
    headers << "HTTP/1.1 416 Requested Range Not Satisfiable\r\nContent-Range: bytes */" << size
            << "\r\nContent-Length: 0\r\n";
    body.clear();
  } else {
    headers << "HTTP/1.1 206 Partial Content\r\nContent-Length: " << size - start << "\r\nContent-Range: bytes "
            << start << "-" << size - 1 << "/" << size << "\r\n";
    body.erase(0, std::size_t(start));
  }
  headers << "Content-Type: application/octet-stream\r\nConnection: close\r\n";
  if (faulty && TheFault.Kind == "drip") headers << kDripPadding;
  headers << "\r\n";

  if (!faulty || TheFault.Kind == "norange") {
    SendAll(fd, headers.str() + (head ? "" : body));
    if (faulty) WriteLog("fault norange " + target);
    return;
  }
  if (TheFault.Kind == "drip") {
    WriteLog("fault drip " + target);
    Drip(fd, headers.str(), TheFault.Argument);
    SendAll(fd, body);
    return;
  }
  // close, reset, stall: a part of the body, then the fault.
  const std::size_t part = std::min(body.size(), std::size_t(TheFault.Argument));
  if (!SendAll(fd, headers.str() + body.substr(0, part))) return;
  if (TheFault.Kind == "reset") {
    linger abort{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
  } else if (TheFault.Kind == "stall") {
    WriteLog("fault stall " + target);
    WaitForClientClose(fd);
    return;
  }
  WriteLog("fault " + TheFault.Kind + " " + target);
}

void ServeAndClose(int fd) {
  Serve(fd);
  close(fd);
}

bool KnownFault(const Fault &fault) {
  const std::string &k = fault.Kind;
  return k == "close" || k == "reset" || k == "stall" || k == "drip" || k == "norange";
}

}  // namespace

int main(int argc, char **argv) {
  if (argc != 4 && argc != 6 && argc != 7) {
    std::fprintf(stderr, "usage: %s ADDRESS ROOT LOG [FAULT FILE [ARG]]\n", argv[0]);
    return 2;
  }
  Root = argv[2];
  if (argc >= 6) {
    TheFault.Kind = argv[4];
    TheFault.Target = std::string("/") + argv[5];
    TheFault.Argument = argc == 7 ? std::atol(argv[6]) : 0;
    if (!KnownFault(TheFault)) {
      std::fprintf(stderr, "unknown fault %s\n", argv[4]);
      return 2;
    }
  }
  Log = std::fopen(argv[3], "a");
  if (!Log) {
    std::perror(argv[3]);
    return 1;
  }
  int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  int on = 1;
  setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(80);
  if (inet_pton(AF_INET, argv[1], &address.sin_addr) != 1 ||
      bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0 || listen(listener, 16) != 0) {
    std::perror(argv[1]);
    return 1;
  }
  WriteLog("ready");
  for (;;) {
    int fd = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      std::perror("accept");
      return 1;
    }
    std::thread(ServeAndClose, fd).detach();
  }
}
