#include "core/StringList.h"

#include "sys/TextCase.h"

int TStringList::IndexOf(const std::string &s) const {
  for (std::size_t i = 0; i < items_.size(); ++i) {
    if (sys::SameTextIgnoringCase(items_[i], s)) return int(i);
  }
  return -1;
}
