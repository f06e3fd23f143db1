#pragma once
#include <string>

#include "engine/IniConf.h"
#include "core/StringList.h"

// Key ids of the update manifest's "conf" section.
constexpr int ukHost = 1;
constexpr int ukPath = 2;
constexpr int ukCurrVersion = 3;  // the newest release, set by the manifest's producer
constexpr int ukLastVersion = 4;  // the installed release, written by the updater

// The update manifest "update.ini": section "conf" and one section "files_ver_<version>"
// per release, newest first, whose values name the files that release changed.
class TUpdateIni : public TIniConf {
 public:
  explicit TUpdateIni(const std::string &FileName);

  std::string KeyName(int Id) override;

  // Fills List with the files that changed between the installed release (key 4) and the
  // newest (key 3): the values of the newest release's section and of every section after
  // it, up to but not including the installed release's section, each path once (ignoring
  // case) at its first position. Empty when there is nothing to update.
  void GetUpdateFiles(TStringList &List);

  // The section names the last GetUpdateFiles read.
  const TStringList &Sections() const { return FSections; }

 protected:
  TStringList FSections;
};
