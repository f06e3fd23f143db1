#pragma once
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/StringList.h"
#include "engine/IniConf.h"
#include "ini/ProfileText.h"

// Key ids of the update manifest's "conf" section.
constexpr int ukHost = 1;
constexpr int ukPath = 2;
constexpr int ukCurrVersion = 3;  // the newest release, set by the manifest's producer
constexpr int ukLastVersion = 4;  // the installed release, written by the updater

// The update manifest "update.ini": section "conf" and one section "files_ver_<version>"
// per release, newest first, whose values name the files that release changed.
//
// The staged manifest changes only by the updater's own write of key 4, and a decision
// asks it thousands of questions: it is read once and parsed (ini::ReadProfileFile), and
// read again only after a write of its own, instead of once per question through the
// profile functions, which read the whole file each time.
class TUpdateIni : public TIniConf {
 public:
  explicit TUpdateIni(const std::string &FileName);

  std::string KeyName(int Id) override;
  std::string ReadStr(int Id) override;
  void WriteStr(int Id, const std::string &Value) override;
  void Open() override;
  void Close() override;

  // Fills List with the files that changed between the installed release (key 4) and the
  // newest (key 3): the values of the newest release's section and of every section after
  // it, up to but not including the installed release's section, each path once (ignoring
  // case) at its first position. Empty when there is nothing to update.
  void GetUpdateFiles(TStringList &List);

  // The section names the last GetUpdateFiles read.
  const TStringList &Sections() const { return FSections; }

 protected:
  // The manifest as last read; read on the first question after opening or writing.
  const ini::ProfileText &Text();

  TStringList FSections;
  std::shared_ptr<const ini::ProfileText> FText;
};

// The decision of GetUpdateFiles, on a manifest given by its newest and installed
// versions, its section names in file order, and the entries of a section (each key with
// its value, in file order); it fills Sections with the names and List with the files.
using TSectionValues = std::function<std::vector<std::pair<std::string, std::string>>(const std::string &Section)>;
void ListChangedFiles(const std::string &Newest, const std::string &Installed,
                      const std::vector<std::string> &SectionNames, const TSectionValues &ValuesOf,
                      TStringList &Sections, TStringList &List);
