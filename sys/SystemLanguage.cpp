#include "sys/SystemLanguage.h"

std::uint16_t LangIdOfLocaleName(const std::string &LocaleName) {
  // Only the language and territory count: "zh_TW.Big5@euro" is "zh_TW".
  const std::string territory = LocaleName.substr(0, LocaleName.find_first_of(".@"));
  if (territory == "zh_CN") return 0x0804;
  if (territory == "zh_SG") return 0x1004;
  if (territory == "zh_TW") return 0x0404;
  if (territory == "zh_HK") return 0x0C04;
  if (territory == "zh_MO") return 0x1404;
  return 0x0409;
}
