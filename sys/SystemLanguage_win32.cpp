#include <windows.h>

#include "sys/SystemLanguage.h"

std::uint16_t SystemDefaultLangId() { return GetSystemDefaultLangID(); }
