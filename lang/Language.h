#pragma once
// The interface language: the process-wide manager of the current language file and the
// component that sets a window's texts from it. Portable: no Win32 header may be seen
// where this one is used, since windows.h would turn GetMessage into GetMessageA.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/Component.h"

class TIniFile;
class TLanguage;

// The language ids, each with its file in "Language" (see TLangMgr::GetLangFileName).
inline constexpr std::int32_t kEnglishLanguage = 0;             // eng.ini, also for any unknown id
inline constexpr std::int32_t kSimplifiedChineseLanguage = 1;   // chs.ini
inline constexpr std::int32_t kTraditionalChineseLanguage = 2;  // cht.ini

namespace ui {
class TForm;
}

// The current language (an id: 0 English, 1 Simplified Chinese, 2 Traditional Chinese)
// and its open file "Language\<name>.ini" under the program directory, the windows to
// re-apply on a switch, and look-ups of texts by section and key.
//
// No lock: the language is switched only on the user-interface thread while windows are
// created; look-ups change nothing and may run on any thread beside one another.
class TLangMgr {
 public:
  // For the running program: FAppDir is the executable's directory.
  TLangMgr();
  // For a program directory given from outside (tests); a missing separator is added.
  explicit TLangMgr(const std::string &AppDir);
  virtual ~TLangMgr();
  TLangMgr(const TLangMgr &) = delete;
  TLangMgr &operator=(const TLangMgr &) = delete;

  // Adds Language to the windows re-applied on a switch, unless it is there already.
  void Register(TLanguage *Language);
  void Unregister(TLanguage *Language);

  std::int32_t LangId() const { return FLangId; }
  // Switches to Id (kept even outside 0..2, whose file is then "eng.ini"): reopens the
  // file and re-applies every registered window in registration order.
  void SetLangId(std::int32_t Id);

  // FAppDir + "Language" + separator + "eng.ini", "chs.ini" or "cht.ini".
  std::string GetLangFileName(std::int32_t Id) const;
  // Opens the current language's file if none is open and the file exists; the only
  // place where the file's existence is tested.
  void OpenLangFile();
  void CloseLangFile();
  void ReloadLangFile();

  // Value of Key in Section of the open file (at most 2047 characters; present but empty
  // gives ""), or Default when the key is absent or no file is open.
  std::string ReadText(const std::string &Section, const std::string &Key, const std::string &Default) const;
  // ReadText in section "Message".
  std::string GetMessage(const std::string &Key, const std::string &Default) const;

  const std::string &AppDir() const { return FAppDir; }
  const std::string &FileName() const { return FFileName; }
  bool Loaded() const { return FLoaded; }

 private:
  std::int32_t FLangId = 0;
  std::string FAppDir;
  std::string FFileName;
  bool FLoaded = false;  // true exactly while FIniFile is present
  std::vector<TLanguage *> FLanguages;
  std::unique_ptr<TIniFile> FIniFile;
};

// The process-wide manager: created at program start before any window, freed at exit.
extern TLangMgr *LangMgr;

// Creates LangMgr for its own lifetime and frees it at the end: the program's start-up
// holds one for the whole run, a test for its own duration.
class TLangMgrScope {
 public:
  TLangMgrScope();
  explicit TLangMgrScope(const std::string &AppDir);
  ~TLangMgrScope();
  TLangMgrScope(const TLangMgrScope &) = delete;
  TLangMgrScope &operator=(const TLangMgrScope &) = delete;
};

// The component on a window that sets the window's texts from the current language file:
// once the window has loaded, and again on every switch of language.
class TLanguage : public TComponent {
 public:
  // Registers with LangMgr; the window is the owner (none when the owner is no form).
  explicit TLanguage(TComponent *AOwner);
  ~TLanguage() override;

  void WindowLoaded() override;
  // Switches LangMgr to Id unless it is the language in force already.
  void SetLanguage(std::int32_t Id);
  // Sets the window's title and every text property of the components it owns from the
  // window's section of the language file; a text missing there keeps its current value,
  // a text that is exactly "-" is left alone.
  void ApplyLanguage();

 private:
  ui::TForm *FForm;
};
