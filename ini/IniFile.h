#pragma once
#include <string>

// Access to one INI file through the platform's profile functions. It holds nothing of
// the file: every read and every write goes to the file at the moment of the call.
class TIniFile {
 public:
  explicit TIniFile(const std::string &FileName) : FFileName(FileName) {}

  const std::string &FileName() const { return FFileName; }

  std::string ReadString(const std::string &Section, const std::string &Ident, const std::string &Default) const;
  // Sets Ident in Section, creating the file, the section or the key as needed. A write
  // that the system refuses raises sys::Error "Unable to write to <file>".
  void WriteString(const std::string &Section, const std::string &Ident, const std::string &Value);

 private:
  std::string FFileName;
};
