#include "engine/IniConf.h"

#include <cstdint>

#include "engine/ManifestVocabulary.h"
#include "sys/Error.h"

namespace {

const char *const kSection = vocabulary::kConfSection;

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

int ParseConfInt(const std::string &text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';

  int base = 10;
  if (text.compare(i, 1, "$") == 0 || text.compare(i, 1, "x") == 0 || text.compare(i, 1, "X") == 0) {
    base = 16;
    i += 1;
  } else if (text.compare(i, 2, "0x") == 0 || text.compare(i, 2, "0X") == 0) {
    base = 16;
    i += 2;
  }
  if (i == text.size()) return 0;

  // Decimal text must fit a signed 32-bit integer; hexadecimal text may use all 32 bits
  // ($FFFFFFFF is -1), as in a 32-bit register.
  const std::uint64_t limit = base == 16 ? 0xFFFFFFFFu : (negative ? 0x80000000u : 0x7FFFFFFFu);
  std::uint64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    int digit = HexDigitValue(text[i]);
    if (digit < 0 || digit >= base) return 0;
    magnitude = magnitude * std::uint64_t(base) + std::uint64_t(digit);
    if (magnitude > limit) return 0;
  }
  std::uint32_t bits = std::uint32_t(magnitude);
  if (negative) bits = ~bits + 1u;
  return std::int32_t(bits);
}

TIniConf::TIniConf(const std::string &FileName) : FFileName(FileName) { Open(); }

TIniConf::~TIniConf() { Close(); }

std::string TIniConf::KeyName(int) { return std::string(); }

std::string TIniConf::ReadStr(int Id) {
  std::string key = KeyName(Id);
  if (key.empty() || !FIniFile) return std::string();
  return FIniFile->ReadString(kSection, key, "");
}

void TIniConf::WriteStr(int Id, const std::string &Value) {
  std::string key = KeyName(Id);
  if (key.empty()) return;
  if (!FIniFile) throw sys::Error("Unable to write to " + FFileName);
  FIniFile->WriteString(kSection, key, Value);
}

int TIniConf::ReadInt(int Id) {
  if (KeyName(Id).empty()) return 0;
  return ParseConfInt(ReadStr(Id));
}

void TIniConf::WriteInt(int Id, int Value) { WriteStr(Id, std::to_string(Value)); }

void TIniConf::Open() { FIniFile = std::make_unique<TIniFile>(FFileName); }

void TIniConf::Close() { FIniFile.reset(); }
