#include "lang/MessageFormat.h"

std::string FormatMessageText(const std::string &Format, const std::string &Argument) {
  std::string result;
  result.reserve(Format.size() + Argument.size());
  bool argumentUsed = false;
  for (std::size_t i = 0; i < Format.size(); ++i) {
    const char next = i + 1 < Format.size() ? Format[i + 1] : '\0';
    if (Format[i] == '%' && next == '%') {
      result += '%';
      ++i;
    } else if (Format[i] == '%' && next == 's' && !argumentUsed) {
      result += Argument;
      argumentUsed = true;
      ++i;
    } else {
      result += Format[i];
    }
  }
  return result;
}
