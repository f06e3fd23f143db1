#pragma once
// The version resource of an executable file: ten text values of its first translation and
// its fixed version record. The update engine reads FFileVersion of the installed program.

#include <cstdint>
#include <string>

// The fixed version record as the system stores it (VS_FIXEDFILEINFO).
struct TFixedFileInfo {
  std::uint32_t dwSignature;
  std::uint32_t dwStrucVersion;
  std::uint32_t dwFileVersionMS;
  std::uint32_t dwFileVersionLS;
  std::uint32_t dwProductVersionMS;
  std::uint32_t dwProductVersionLS;
  std::uint32_t dwFileFlagsMask;
  std::uint32_t dwFileFlags;
  std::uint32_t dwFileOS;
  std::uint32_t dwFileType;
  std::uint32_t dwFileSubtype;
  std::uint32_t dwFileDateMS;
  std::uint32_t dwFileDateLS;
};
static_assert(sizeof(TFixedFileInfo) == 52, "the fixed version record is thirteen 32-bit words");

class TFileVer {
 public:
  TFileVer();
  ~TFileVer();

  // Remembers FileName in FFileName and reads its version resource into the fields; a file
  // without one (or that cannot be read) leaves them empty.
  void LoadFromFile(const std::string &FileName);
  // Empties the ten texts and zeroes FFixedInfo; FFileName stays.
  void Clear();

  // Texts are narrow text in the system code page.
  std::string FFileName, FFileDescription, FCompanyName, FInternalName, FOriginalFileName, FComments, FLegalCopyright,
      FProductVersion, FFileVersion, FLegalTrademarks, FProductName;
  TFixedFileInfo FFixedInfo;  // all zero when the file has none

 private:
  void ReadVersionInfo();
};
