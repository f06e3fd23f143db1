#pragma once
// A set of texts that tells, in constant time, whether a text equal to a given one
// ignoring case (SameTextIgnoringCase, the text lists' comparison) is in it. Candidates
// come from a hash of their folded form and each is confirmed with the comparison itself:
// folding and comparing disagree at the edges (on Windows LCMapStringA folds characters
// it cannot map alike, CompareStringA tells them apart), and two texts that the list
// holds apart must never share a slot.
#include <string>
#include <unordered_map>
#include <vector>

class TCaseIndex {
 public:
  // Adds text unless an equal one is in the set; true when it was added.
  bool Insert(const std::string &text);
  bool Contains(const std::string &text) const;

 private:
  std::unordered_map<std::string, std::vector<std::string>> byFolded_;
};
