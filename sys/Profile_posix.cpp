// The profile functions on POSIX: INI files parsed by ProfileText, kept parsed per path
// and re-read only when the file on disk has changed, written by atomic replacement.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cwchar>
#include <cwctype>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "sys/Profile.h"
#include "sys/ProfileText.h"

namespace sys {

namespace {

bool IsAscii(const std::string &text) {
  for (unsigned char c : text) {
    if (c >= 0x80) return false;
  }
  return true;
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

}  // namespace

std::string FoldCase(const std::string &text) {
  if (IsAscii(text)) {
    std::string folded = text;
    for (char &c : folded) c = AsciiLower(c);
    return folded;
  }
  std::string folded;
  folded.reserve(text.size());
  // Decode with the locale's character set; a byte that does not decode is folded as
  // ASCII (that is, kept) and decoding resumes after it.
  std::mbstate_t in{};
  std::size_t pos = 0;
  while (pos < text.size()) {
    wchar_t wc;
    std::size_t used = std::mbrtowc(&wc, text.data() + pos, text.size() - pos, &in);
    if (used == 0) used = 1;  // an embedded zero byte
    if (used == std::size_t(-1) || used == std::size_t(-2)) {
      in = std::mbstate_t{};
      folded += AsciiLower(text[pos++]);
      continue;
    }
    char encoded[MB_LEN_MAX];
    std::mbstate_t out{};
    std::size_t length = std::wcrtomb(encoded, wchar_t(std::towlower(wint_t(wc))), &out);
    if (length == std::size_t(-1)) {
      folded.append(text, pos, used);
    } else {
      folded.append(encoded, length);
    }
    pos += used;
  }
  return folded;
}

bool SameTextIgnoringCase(const std::string &a, const std::string &b) {
  if (IsAscii(a) && IsAscii(b)) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    }
    return true;
  }
  return FoldCase(a) == FoldCase(b);
}

namespace {

// What tells one state of a file from another without reading it.
struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  timespec modified{};

  static FileIdentity Of(const struct stat &st) { return FileIdentity{st.st_dev, st.st_ino, st.st_size, st.st_mtim}; }
  bool operator==(const FileIdentity &other) const {
    return device == other.device && inode == other.inode && size == other.size &&
           modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
  }
};

// File times come from the kernel's coarse clock (CLOCK_REALTIME_COARSE, which advances
// once per tick, 1 to 10 ms), or on newer kernels from a finer clock that is never behind
// it, so a file changed again within the tick of its last change may keep its time. Once
// the coarse clock has passed the file's time, any later change gets a later time. A copy
// read before that is confirmed against the bytes on disk at the next look-up; such
// look-ups read the whole file, and a check looks up a freshly written manifest thousands
// of times, so the wait is kept to the one tick it must be.
bool TimeIsSettled(const timespec &modified) {
  timespec now;
  clock_gettime(CLOCK_REALTIME_COARSE, &now);
  return now.tv_sec > modified.tv_sec || (now.tv_sec == modified.tv_sec && now.tv_nsec > modified.tv_nsec);
}

bool ReadAll(int fd, off_t expected, std::size_t spare, std::string &content) {
  content.reserve(std::size_t(expected) + spare);
  char buffer[65536];
  for (;;) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n == 0) return true;
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    content.append(buffer, std::size_t(n));
  }
}

// True when the rest of fd, `size` bytes long, is exactly text.
bool HoldsExactly(int fd, off_t size, const std::string &text) {
  if (std::size_t(size) != text.size()) return false;
  char buffer[65536];
  std::size_t compared = 0;
  for (;;) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n == 0) return compared == text.size();
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (std::size_t(n) > text.size() - compared ||
        text.compare(compared, std::size_t(n), buffer, std::size_t(n)) != 0) {
      return false;
    }
    compared += std::size_t(n);
  }
}

bool WriteAll(int fd, const std::string &content) {
  std::size_t done = 0;
  while (done < content.size()) {
    ssize_t n = write(fd, content.data() + done, content.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += std::size_t(n);
  }
  return true;
}

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) close(fd_);
  }
  FileDescriptor(const FileDescriptor &) = delete;
  FileDescriptor &operator=(const FileDescriptor &) = delete;
  int get() const { return fd_; }
  // Closes now, reporting whether the system kept every byte written.
  bool Close() {
    int fd = fd_;
    fd_ = -1;
    return close(fd) == 0;
  }

 private:
  int fd_;
};

using ParsedFile = std::shared_ptr<const ProfileText>;

// The parsed files, per path as the callers spell it. Each look-up checks the file on
// disk first, so every read reflects the file at the moment of the call.
class ProfileCache {
 public:
  // The file as it is now; an empty text for a missing or unreadable file.
  ParsedFile Current(const std::string &path) {
    std::lock_guard<std::mutex> lock(mutex_);
    return CurrentLocked(path);
  }

  bool Write(const std::string &path, const std::string &section, const std::string &key, const std::string &value) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::string target = WriteTarget(path);
    struct stat existing;
    bool exists = stat(target.c_str(), &existing) == 0;
    // Replacing the file needs only a writable directory; a read-only file refuses the
    // write as it does on Windows.
    if (exists && (!S_ISREG(existing.st_mode) || faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)) {
      return false;
    }
    // The text to change is read as it is, not parsed: the changed text is parsed once.
    std::string current;
    if (!ReadText(path, section.size() + key.size() + value.size() + ProfileText::MaxAddedSyntax, current))
      current.clear();
    auto updated = std::make_shared<const ProfileText>(ProfileText::WithValue(std::move(current), section, key, value));
    FileIdentity identity;
    if (!ReplaceFile(target, updated->Text(), exists ? &existing : nullptr, identity)) return false;
    Remember(path, identity, TimeIsSettled(identity.modified), updated);
    return true;
  }

 private:
  struct Entry {
    FileIdentity identity;
    bool settled = false;
    ParsedFile parsed;
  };

  ParsedFile CurrentLocked(const std::string &path) {
    auto known = entries_.find(path);
    struct stat st;
    if (known != entries_.end() && known->second.settled && stat(path.c_str(), &st) == 0 &&
        FileIdentity::Of(st) == known->second.identity) {
      return known->second.parsed;
    }
    FileDescriptor fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0 || fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
      if (known != entries_.end()) entries_.erase(known);
      return EmptyText();
    }
    // The time is judged before the bytes are read: a change made while reading then
    // leaves a later time behind.
    const FileIdentity identity = FileIdentity::Of(st);
    const bool settled = TimeIsSettled(identity.modified);
    // A copy read or written within the same clock tick is confirmed against the bytes
    // on disk, which costs no memory for a file that did not change.
    if (known != entries_.end() && HoldsExactly(fd.get(), identity.size, known->second.parsed->Text())) {
      known->second = Entry{identity, settled, known->second.parsed};
      return known->second.parsed;
    }
    std::string content;
    if (lseek(fd.get(), 0, SEEK_SET) != 0 || !ReadAll(fd.get(), identity.size, 0, content)) {
      entries_.erase(path);
      return EmptyText();
    }
    ParsedFile parsed = std::make_shared<const ProfileText>(std::move(content));
    Remember(path, identity, settled, parsed);
    return parsed;
  }

  // The bytes of a regular file, with room for `spare` more.
  static bool ReadText(const std::string &path, std::size_t spare, std::string &content) {
    FileDescriptor fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st;
    return fd.get() >= 0 && fstat(fd.get(), &st) == 0 && S_ISREG(st.st_mode) &&
           ReadAll(fd.get(), st.st_size, spare, content);
  }

  static ParsedFile EmptyText() {
    static const ParsedFile empty = std::make_shared<const ProfileText>();
    return empty;
  }

  void Remember(const std::string &path, const FileIdentity &identity, bool settled, const ParsedFile &parsed) {
    if (entries_.size() >= kMaxFiles && entries_.find(path) == entries_.end()) entries_.clear();
    entries_[path] = Entry{identity, settled, parsed};
  }

  // A write through a symbolic link changes the file it points to, not the link.
  static std::string WriteTarget(const std::string &path) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::unique_ptr<char, decltype(&std::free)> resolved(realpath(path.c_str(), nullptr), &std::free);
    return resolved ? std::string(resolved.get()) : path;
  }

  // Puts content in place of target in one step: written and synced to a new file in the
  // same directory, which then takes target's name. A reader sees the old or the new
  // file, never a part of either, and a failure leaves the old one untouched.
  static bool ReplaceFile(const std::string &target, const std::string &content, const struct stat *existing,
                          FileIdentity &identity) {
    static std::atomic<unsigned> counter{0};
    std::size_t slash = target.rfind('/');
    std::string dirPrefix = slash == std::string::npos ? std::string() : target.substr(0, slash + 1);
    std::string name = target.substr(dirPrefix.size());
    std::string temp;
    int created = -1;
    for (int attempt = 0; attempt < 100 && created < 0; ++attempt) {
      temp = dirPrefix + "." + name + "." + std::to_string(getpid()) + "." + std::to_string(counter++) + ".tmp";
      created = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (created < 0 && errno != EEXIST) return false;
    }
    FileDescriptor fd(created);
    if (fd.get() < 0) return false;
    bool ok = true;
    if (existing) {
      // Keep the file's permissions and, where allowed, its owner.
      ok = fchmod(fd.get(), existing->st_mode & 07777) == 0;
      if (fchown(fd.get(), existing->st_uid, existing->st_gid) != 0) {
        // Only a privileged process may give a file away; the new file stays ours.
      }
    }
    struct stat st;
    ok = ok && WriteAll(fd.get(), content) && fsync(fd.get()) == 0 && fstat(fd.get(), &st) == 0;
    ok = fd.Close() && ok;
    if (!ok || rename(temp.c_str(), target.c_str()) != 0) {
      unlink(temp.c_str());
      return false;
    }
    identity = FileIdentity::Of(st);
    SyncDirectory(dirPrefix.empty() ? "." : dirPrefix);
    return true;
  }

  // Makes the new name durable. Some file systems cannot sync a directory; the file's
  // own bytes are synced already, so that is no reason to report a failure.
  static void SyncDirectory(const std::string &dir) {
    FileDescriptor fd(open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() >= 0) fsync(fd.get());
  }

  static constexpr std::size_t kMaxFiles = 32;
  std::mutex mutex_;
  std::unordered_map<std::string, Entry> entries_;
};

ProfileCache &Cache() {
  static ProfileCache cache;
  return cache;
}

}  // namespace

std::string ReadProfileString(const std::string &file, const std::string &section, const std::string &key,
                              const std::string &defaultValue) {
  return Cache().Current(file)->ReadValue(section, key, defaultValue);
}

bool WriteProfileString(const std::string &file, const std::string &section, const std::string &key,
                        const std::string &value) {
  return Cache().Write(file, section, key, value);
}

std::vector<std::string> ReadProfileSectionNames(const std::string &file) {
  return Cache().Current(file)->SectionNames();
}

std::vector<std::string> ReadProfileKeyNames(const std::string &file, const std::string &section) {
  return Cache().Current(file)->KeyNames(section);
}

std::vector<std::pair<std::string, std::string>> ReadProfileSectionValues(const std::string &file,
                                                                          const std::string &section) {
  return Cache().Current(file)->KeyValues(section);
}

}  // namespace sys
