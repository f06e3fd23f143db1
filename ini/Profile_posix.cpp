// The profile functions on POSIX: INI files parsed by ProfileText, kept parsed per path
// and re-read only when the file on disk has changed, written by atomic replacement.
// Files stored as UTF-16 are read and written as Windows reads and writes them
// (ProfileEncoding).

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "ini/Profile.h"
#include "ini/ProfileEncoding.h"
#include "ini/ProfileText.h"
#include "sys/FileSystem.h"
#include "sys/Handle.h"

namespace ini {

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
    // A UTF-16 file is changed as narrow text and stored in UTF-16 again.
    std::string current;
    sys::ReadWholeFile(path, current, section.size() + key.size() + value.size() + ProfileText::kMaxAddedSyntax);
    const ProfileEncoding encoding = EncodingOf(current);
    if (encoding != ProfileEncoding::kNarrow) current = DecodeProfile(current);
    auto updated = std::make_shared<const ProfileText>(ProfileText::WithValue(std::move(current), section, key, value));
    std::string stored;
    if (encoding != ProfileEncoding::kNarrow) stored = EncodeProfile(updated->Text(), encoding);
    if (!sys::ReplaceWholeFile(target, stored.empty() ? updated->Text() : stored)) return false;
    // Confirmed against the bytes on disk at the next look-up: another writer may have
    // replaced the file again since.
    struct stat written;
    if (stat(path.c_str(), &written) == 0) Remember(path, Entry{FileIdentity::Of(written), false, updated, stored});
    return true;
  }

 private:
  struct Entry {
    FileIdentity identity;
    bool settled = false;
    ParsedFile parsed;
    // The bytes on disk where they are not the parsed text itself (a UTF-16 file).
    std::string stored;
    const std::string &Bytes() const { return stored.empty() ? parsed->Text() : stored; }
  };

  ParsedFile CurrentLocked(const std::string &path) {
    auto known = entries_.find(path);
    struct stat st;
    if (known != entries_.end() && known->second.settled && stat(path.c_str(), &st) == 0 &&
        FileIdentity::Of(st) == known->second.identity) {
      return known->second.parsed;
    }
    sys::UniqueHandle fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (!fd.Valid() || fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
      if (known != entries_.end()) entries_.erase(known);
      return EmptyText();
    }
    // The time is judged before the bytes are read: a change made while reading then
    // leaves a later time behind.
    const FileIdentity identity = FileIdentity::Of(st);
    const bool settled = TimeIsSettled(identity.modified);
    // A copy read or written within the same clock tick is confirmed against the bytes
    // on disk, which costs no memory for a file that did not change.
    if (known != entries_.end() && HoldsExactly(fd.Get(), identity.size, known->second.Bytes())) {
      known->second.identity = identity;
      known->second.settled = settled;
      return known->second.parsed;
    }
    std::string content;
    content.reserve(std::size_t(identity.size));
    if (lseek(fd.Get(), 0, SEEK_SET) != 0 || !sys::ReadToEnd(fd, content)) {
      entries_.erase(path);
      return EmptyText();
    }
    std::string stored;
    if (EncodingOf(content) != ProfileEncoding::kNarrow) {
      stored = std::move(content);
      content = DecodeProfile(stored);
    }
    ParsedFile parsed = std::make_shared<const ProfileText>(std::move(content));
    Remember(path, Entry{identity, settled, parsed, std::move(stored)});
    return parsed;
  }

  static ParsedFile EmptyText() {
    static const ParsedFile empty = std::make_shared<const ProfileText>();
    return empty;
  }

  void Remember(const std::string &path, Entry entry) {
    if (entries_.size() >= kMaxFiles && entries_.find(path) == entries_.end()) entries_.clear();
    entries_[path] = std::move(entry);
  }

  // A write through a symbolic link changes the file it points to, not the link.
  static std::string WriteTarget(const std::string &path) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return path;
    std::unique_ptr<char, decltype(&std::free)> resolved(realpath(path.c_str(), nullptr), &std::free);
    return resolved ? std::string(resolved.get()) : path;
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

std::shared_ptr<const ProfileText> ReadProfileFile(const std::string &file) { return Cache().Current(file); }

}  // namespace ini
