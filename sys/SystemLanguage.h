#pragma once
#include <cstdint>
#include <string>

// The system's default language identifier, a Windows LANGID (primary language in the
// low 10 bits, sublanguage above): GetSystemDefaultLangID on Windows. POSIX has no such
// number, so there it is derived from the locale named by the environment (LC_ALL, then
// LC_MESSAGES, then LANG), with the identifiers Windows gives the same locales.
std::uint16_t SystemDefaultLangId();

// The LANGID of a POSIX locale name such as "zh_CN.UTF-8": the Chinese locales map to
// 0x0804 (zh_CN), 0x1004 (zh_SG), 0x0404 (zh_TW), 0x0C04 (zh_HK) and 0x1404 (zh_MO); any other
// name, an empty one included, gives 0x0409 (English, United States).
std::uint16_t LangIdOfLocaleName(const std::string &LocaleName);
