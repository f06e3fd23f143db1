#include <cstdlib>

#include "sys/SystemLanguage.h"

std::uint16_t SystemDefaultLangId() {
  for (const char *variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char *value = std::getenv(variable);
    if (value && *value) return LangIdOfLocaleName(value);
  }
  return LangIdOfLocaleName("");
}
