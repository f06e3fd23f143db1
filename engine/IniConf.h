#pragma once
#include <memory>
#include <string>

#include "ini/IniFile.h"

// A settings file in INI form whose values, all in section "conf", are addressed by
// integer key ids. A derived class names the ids (KeyName); an id without a name reads as
// an empty text or 0 and is never written.
class TIniConf {
 public:
  // Does not touch the disk: a file that does not exist reads as empty.
  explicit TIniConf(const std::string &FileName);
  virtual ~TIniConf();
  TIniConf(const TIniConf &) = delete;
  TIniConf &operator=(const TIniConf &) = delete;

  virtual std::string KeyName(int Id);
  virtual std::string ReadStr(int Id);
  // The change is on disk when the call returns; a refused write raises sys::Error.
  virtual void WriteStr(int Id, const std::string &Value);
  // The key's text as a 32-bit integer: leading blanks, then decimal digits with an
  // optional sign, or hexadecimal digits after $, x, X, 0x or 0X; 0 for anything else.
  virtual int ReadInt(int Id);
  virtual void WriteInt(int Id, int Value);

  // Open makes a new access object on the file (freeing the current one); Close frees it.
  // While closed, reads give an empty text or 0 and writes raise the refused-write error.
  virtual void Open();
  virtual void Close();

  const std::string &FileName() const { return FFileName; }

 protected:
  std::string FFileName;
  std::unique_ptr<TIniFile> FIniFile;
};

// The integer that text stands for under TIniConf::ReadInt's rules, or 0.
int ParseConfInt(const std::string &text);
