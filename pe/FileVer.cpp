#include "pe/FileVer.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "pe/VersionInfo.h"

namespace {

using Block = std::vector<unsigned char>;

// A value handed back for a malformed resource might point anywhere; only what lies inside
// the block is read.
bool Inside(const Block &block, const void *value, std::size_t n) {
  const auto *p = static_cast<const unsigned char *>(value);
  const unsigned char *begin = block.data(), *end = block.data() + block.size();
  return p >= begin && p <= end && n <= static_cast<std::size_t>(end - p);
}

// A text value: from the pointer up to its zero byte, but never past the block's end.
std::string TextAt(const Block &block, const void *value) {
  if (!Inside(block, value, 0)) return std::string();
  const auto *text = static_cast<const char *>(value);
  const std::size_t room = block.data() + block.size() - static_cast<const unsigned char *>(value);
  return std::string(text, strnlen(text, room));
}

struct NamedText {
  const char *name;
  std::string TFileVer::*field;
};

constexpr NamedText kTexts[] = {
    {"CompanyName", &TFileVer::FCompanyName},           {"FileDescription", &TFileVer::FFileDescription},
    {"FileVersion", &TFileVer::FFileVersion},           {"InternalName", &TFileVer::FInternalName},
    {"LegalCopyright", &TFileVer::FLegalCopyright},     {"LegalTrademarks", &TFileVer::FLegalTrademarks},
    {"OriginalFileName", &TFileVer::FOriginalFileName}, {"ProductName", &TFileVer::FProductName},
    {"ProductVersion", &TFileVer::FProductVersion},     {"Comments", &TFileVer::FComments},
};

}  // namespace

TFileVer::TFileVer() { Clear(); }

TFileVer::~TFileVer() { Clear(); }

void TFileVer::LoadFromFile(const std::string &FileName) {
  FFileName = FileName;
  ReadVersionInfo();
}

void TFileVer::Clear() {
  for (const NamedText &text : kTexts) (this->*text.field).clear();
  FFixedInfo = TFixedFileInfo{};
}

void TFileVer::ReadVersionInfo() {
  Clear();
  const std::uint32_t size = pe::GetVersionInfoSize(FFileName);
  if (size == 0) return;
  Block block(size);
  if (!pe::GetVersionInfo(FFileName, block)) return;

  const void *value = nullptr;
  std::uint32_t length = 0;
  // Only the first translation counts. Without a translation table there is no string
  // table to name, so the texts stay empty.
  if (pe::QueryVersionValue(block, "\\VarFileInfo\\Translation", value, length) && length >= 4 &&
      Inside(block, value, 4)) {
    const auto *entry = static_cast<const unsigned char *>(value);
    const unsigned language = entry[0] | entry[1] << 8, codePage = entry[2] | entry[3] << 8;
    char prefix[32];
    std::snprintf(prefix, sizeof prefix, "\\StringFileInfo\\%04X%04X\\", language, codePage);
    for (const NamedText &text : kTexts) {
      if (pe::QueryVersionValue(block, prefix + std::string(text.name), value, length)) {
        this->*text.field = TextAt(block, value);
      }
    }
  }
  // The fixed record is copied only when the block really holds all of it.
  if (pe::QueryVersionValue(block, "\\", value, length) && length >= sizeof FFixedInfo &&
      Inside(block, value, sizeof FFixedInfo)) {
    std::memcpy(&FFixedInfo, value, sizeof FFixedInfo);
  }
}
