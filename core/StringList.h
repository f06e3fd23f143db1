#pragma once
#include <string>
#include <vector>

// An ordered list of texts: insertion order kept, duplicates allowed, found by a
// comparison that ignores case (SameTextIgnoringCase; the first match wins).
class TStringList {
 public:
  int Count() const { return int(items_.size()); }
  const std::string &operator[](int i) const { return items_[std::size_t(i)]; }
  void Add(const std::string &s) { items_.push_back(s); }
  void Clear() { items_.clear(); }
  // Position of the first item equal to s ignoring case, -1 when there is none.
  int IndexOf(const std::string &s) const;
  bool Empty() const { return items_.empty(); }
  const std::vector<std::string> &Items() const { return items_; }

  std::vector<std::string>::const_iterator begin() const { return items_.begin(); }
  std::vector<std::string>::const_iterator end() const { return items_.end(); }

 private:
  std::vector<std::string> items_;
};
