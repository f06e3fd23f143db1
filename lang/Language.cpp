#include "lang/Language.h"

#include <algorithm>

#include "sys/FileSystem.h"
#include "ini/IniFile.h"
#include "sys/Platform.h"
#include "sys/uGlobal.h"
#include "ui/Form.h"
#include "ui/ListView.h"

TLangMgr *LangMgr = nullptr;

TLangMgr::TLangMgr() : FAppDir(ExecutableDirectory()) {}

TLangMgr::TLangMgr(const std::string &AppDir) : FAppDir(sys::WithTrailingSeparator(AppDir)) {}

TLangMgr::~TLangMgr() { CloseLangFile(); }

void TLangMgr::Register(TLanguage *Language) {
  if (std::find(FLanguages.begin(), FLanguages.end(), Language) == FLanguages.end()) FLanguages.push_back(Language);
}

void TLangMgr::Unregister(TLanguage *Language) {
  FLanguages.erase(std::remove(FLanguages.begin(), FLanguages.end(), Language), FLanguages.end());
}

void TLangMgr::SetLangId(std::int32_t Id) {
  FLangId = Id;
  ReloadLangFile();
  for (TLanguage *language : FLanguages) language->ApplyLanguage();
}

std::string TLangMgr::GetLangFileName(std::int32_t Id) const {
  const char *name = Id == kSimplifiedChineseLanguage    ? "chs.ini"
                     : Id == kTraditionalChineseLanguage ? "cht.ini"
                                                         : "eng.ini";
  return FAppDir + "Language" + sys::kPathSep + name;
}

void TLangMgr::OpenLangFile() {
  if (FLoaded) return;
  FFileName = GetLangFileName(FLangId);
  if (!sys::FileExists(FFileName)) return;
  FIniFile = std::make_unique<TIniFile>(FFileName);
  FLoaded = true;
}

void TLangMgr::CloseLangFile() {
  if (!FIniFile) return;
  FIniFile.reset();
  FLoaded = false;
}

void TLangMgr::ReloadLangFile() {
  CloseLangFile();
  OpenLangFile();
}

std::string TLangMgr::ReadText(const std::string &Section, const std::string &Key, const std::string &Default) const {
  return FIniFile ? FIniFile->ReadString(Section, Key, Default) : Default;
}

std::string TLangMgr::GetMessage(const std::string &Key, const std::string &Default) const {
  return ReadText("Message", Key, Default);
}

TLangMgrScope::TLangMgrScope() { LangMgr = new TLangMgr(); }

TLangMgrScope::TLangMgrScope(const std::string &AppDir) { LangMgr = new TLangMgr(AppDir); }

TLangMgrScope::~TLangMgrScope() {
  delete LangMgr;
  LangMgr = nullptr;
}

TLanguage::TLanguage(TComponent *AOwner) : TComponent(AOwner), FForm(dynamic_cast<ui::TForm *>(AOwner)) {
  LangMgr->Register(this);
}

TLanguage::~TLanguage() {
  // At program exit the manager may be gone before a window that was never freed.
  if (LangMgr) LangMgr->Unregister(this);
}

void TLanguage::WindowLoaded() {
  LangMgr->OpenLangFile();
  ApplyLanguage();
}

void TLanguage::SetLanguage(std::int32_t Id) {
  if (Id != LangMgr->LangId()) LangMgr->SetLangId(Id);
}

void TLanguage::ApplyLanguage() {
  if (!FForm) return;
  const std::string &section = FForm->ClassName();
  FForm->SetCaption(LangMgr->ReadText(section, FForm->Name() + ".Caption", FForm->Caption()));
  // Only the window's own components: components owned by those are not followed.
  for (int i = 0; i < FForm->ComponentCount(); ++i) {
    const TComponent &component = *FForm->Components(i);
    for (const char *propertyName : {"Caption", "Text", "Hint"}) {
      const ui::TProperty *property = ui::FindProperty(component, propertyName);
      if (!property || property->Kind() != ui::TPropertyKind::NarrowText) continue;
      const std::string current = property->GetText();
      if (current == "-") continue;
      property->SetText(LangMgr->ReadText(section, component.Name() + "." + propertyName, current));
    }
    if (auto *listView = dynamic_cast<ui::TListView *>(FForm->Components(i))) {
      for (int n = 0; n < listView->ColumnCount(); ++n) {
        const std::string key = component.Name() + ".Columns[" + std::to_string(n) + "].Caption";
        listView->SetColumnCaption(n, LangMgr->ReadText(section, key, listView->ColumnCaption(n)));
      }
    }
  }
}
