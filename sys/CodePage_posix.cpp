#include "sys/CodePage.h"

std::string Utf8ToSystemCodePage(const std::string &Utf8) { return Utf8; }
