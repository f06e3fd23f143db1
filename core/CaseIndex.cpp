#include "core/CaseIndex.h"

#include <algorithm>

#include "sys/TextCase.h"

namespace {

bool HoldsEqual(const std::vector<std::string> &candidates, const std::string &text) {
  return std::any_of(candidates.begin(), candidates.end(),
                     [&](const std::string &candidate) { return sys::SameTextIgnoringCase(candidate, text); });
}

}  // namespace

bool TCaseIndex::Insert(const std::string &text) {
  std::vector<std::string> &candidates = byFolded_[sys::FoldCase(text)];
  if (HoldsEqual(candidates, text)) return false;
  candidates.push_back(text);
  return true;
}

bool TCaseIndex::Contains(const std::string &text) const {
  const auto found = byFolded_.find(sys::FoldCase(text));
  return found != byFolded_.end() && HoldsEqual(found->second, text);
}
