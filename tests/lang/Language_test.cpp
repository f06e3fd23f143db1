#include "lang/Language.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "sys/FileSystem.h"
#include "tests/support/TestDir.h"
#include "ui/Actions.h"
#include "ui/Form.h"
#include "tests/support/HeadlessBackend.h"
#include "ui/ListView.h"

namespace {

using testing_support::TestDir;
using testing_support::WriteWholeFile;

// The update window as far as its texts go, with its built-in captions.
class UpdateWindow : public ui::TForm {
 public:
  UpdateWindow() : TForm("TfrmQuilletUpdate") {
    SetName("frmQuilletUpdate");
    SetCaption("Vantoro Quillet Update");
    lblOper = Add<ui::TLabel>("lblOper");
    PBar = Add<ui::TProgressBar>("PBar");
    Bevel1 = Add<ui::TBevel>("Bevel1");
    btnUpdate = Add<ui::TImageButton>("btnUpdate");
    btnUpdate->SetCaption("检测更新");
    btnClose = Add<ui::TImageButton>("btnClose");
    btnClose->SetCaption("关闭");
    auto *list = Add<ui::TActionList>("ActionList");
    acClose = Add<ui::TAction>("acClose");
    acClose->SetCaption("acClose");
    acClose->SetActionList(list);
    Lang = Add<TLanguage>("Lang");
  }

  template <class T>
  T *Add(const std::string &name) {
    auto *component = new T(this);
    component->SetName(name);
    return component;
  }

  ui::TLabel *lblOper;
  ui::TProgressBar *PBar;
  ui::TBevel *Bevel1;
  ui::TImageButton *btnUpdate;
  ui::TImageButton *btnClose;
  ui::TAction *acClose;
  TLanguage *Lang;
};

const char *const kEnglish =
    "[TfrmQuilletUpdate]\n"
    "frmQuilletUpdate.Caption=Quillet Updater\n"
    "btnUpdate.Caption=Check\n"
    "btnUpdate.Hint=Look for a newer release\n"
    "btnClose.Caption=Close\n"
    "lblOper.Caption=Idle\n"
    "PBar.Position=50\n"
    "PBar.Hint=Progress\n"
    "acClose.Caption=Close it\n"
    "[Message]\n"
    "Msg200=Update\n"
    "Msg206=Up to date (%s)\n";

const char *const kSimplified =
    "[TfrmQuilletUpdate]\n"
    "frmQuilletUpdate.Caption=更新程序\n"
    "btnUpdate.Caption=检测\n"
    "[Message]\n"
    "Msg200=更新\n";

class LanguageTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(sys::ForceDirectories(dir / "Language")); }
  void WriteLanguageFile(const std::string &name, const std::string &content) {
    WriteWholeFile(dir / ("Language/" + name), content);
  }
  // A window built and loaded, as the program creates its window.
  std::unique_ptr<UpdateWindow> LoadedWindow(const std::string &name = "frmQuilletUpdate") {
    auto window = std::make_unique<UpdateWindow>();
    window->SetName(name);
    window->EndLayout();
    return window;
  }

  ui::THeadlessBackend &backend = ui::UseHeadlessBackend();
  TestDir dir;
  TLangMgrScope langMgr{dir.path()};
};

TEST_F(LanguageTest, FileNamesFollowTheIdAndOtherIdsGiveEnglish) {
  EXPECT_EQ(LangMgr->GetLangFileName(0), dir / "Language/eng.ini");
  EXPECT_EQ(LangMgr->GetLangFileName(1), dir / "Language/chs.ini");
  EXPECT_EQ(LangMgr->GetLangFileName(2), dir / "Language/cht.ini");
  EXPECT_EQ(LangMgr->GetLangFileName(3), dir / "Language/eng.ini");
  EXPECT_EQ(LangMgr->GetLangFileName(-1), dir / "Language/eng.ini");
  EXPECT_EQ(LangMgr->LangId(), 0);
  EXPECT_FALSE(LangMgr->Loaded());
}

TEST_F(LanguageTest, LoadingTheWindowAppliesTheEnglishFile) {
  WriteLanguageFile("eng.ini", kEnglish);
  auto window = LoadedWindow();
  EXPECT_TRUE(LangMgr->Loaded());
  EXPECT_EQ(LangMgr->FileName(), dir / "Language/eng.ini");
  EXPECT_EQ(window->Caption(), "Quillet Updater");
  EXPECT_EQ(window->btnUpdate->Caption(), "Check");
  EXPECT_EQ(window->btnUpdate->Hint(), "Look for a newer release");
  EXPECT_EQ(window->btnClose->Caption(), "Close");
  EXPECT_EQ(window->lblOper->Caption(), "Idle");
  EXPECT_EQ(window->PBar->Hint(), "Progress");
  EXPECT_EQ(window->acClose->Caption(), "Close it");
  // Not a text property: left alone.
  EXPECT_EQ(window->PBar->Position(), 0);
  EXPECT_TRUE(backend.ChangesOf("PBar", "Position").empty());
  // Every text property is written, even with the value it holds (here "" for missing keys).
  EXPECT_EQ(backend.ChangesOf("btnClose", "Hint"), std::vector<std::string>{""});
  EXPECT_EQ(backend.ChangesOf("Bevel1", "Hint"), std::vector<std::string>{""});
  EXPECT_EQ(LangMgr->GetMessage("Msg206", ""), "Up to date (%s)");
  EXPECT_EQ(LangMgr->GetMessage("Msg299", "fallback"), "fallback");
}

TEST_F(LanguageTest, ChoosingTheLanguageInForceReloadsAndAppliesNothing) {
  WriteLanguageFile("eng.ini", kEnglish);
  auto window = LoadedWindow();
  window->btnUpdate->SetCaption("changed since load");
  // A reload would find no file any more and close it.
  ASSERT_TRUE(sys::RemoveFile(dir / "Language/eng.ini"));
  backend.ClearRecords();
  window->Lang->SetLanguage(0);
  EXPECT_TRUE(LangMgr->Loaded());
  EXPECT_EQ(window->btnUpdate->Caption(), "changed since load");
  EXPECT_TRUE(backend.Changes().empty());
}

TEST_F(LanguageTest, MissingChineseFileKeepsTheEnglishTextsAndEmptiesMessages) {
  WriteLanguageFile("eng.ini", kEnglish);
  auto window = LoadedWindow();
  window->Lang->SetLanguage(1);
  EXPECT_EQ(LangMgr->LangId(), 1);
  EXPECT_FALSE(LangMgr->Loaded());
  EXPECT_EQ(LangMgr->FileName(), dir / "Language/chs.ini");
  EXPECT_EQ(window->Caption(), "Quillet Updater");
  EXPECT_EQ(window->btnUpdate->Caption(), "Check");
  EXPECT_EQ(LangMgr->GetMessage("Msg200", ""), "");
}

TEST_F(LanguageTest, WithoutAnyFileTheBuiltInTextsStay) {
  auto window = LoadedWindow();
  window->Lang->SetLanguage(2);
  EXPECT_FALSE(LangMgr->Loaded());
  EXPECT_EQ(window->Caption(), "Vantoro Quillet Update");
  EXPECT_EQ(window->btnUpdate->Caption(), "检测更新");
  EXPECT_EQ(window->btnClose->Caption(), "关闭");
  EXPECT_EQ(window->acClose->Caption(), "acClose");
  EXPECT_EQ(LangMgr->GetMessage("Msg200", ""), "");
}

TEST_F(LanguageTest, IdsOutsideTheTableUseTheEnglishFileAndAreKept) {
  WriteLanguageFile("eng.ini", kEnglish);
  WriteLanguageFile("chs.ini", kSimplified);
  auto window = LoadedWindow();
  for (int id : {3, -1}) {
    window->Lang->SetLanguage(1);
    ASSERT_EQ(window->btnUpdate->Caption(), "检测");
    window->Lang->SetLanguage(id);
    EXPECT_EQ(LangMgr->LangId(), id);
    EXPECT_EQ(LangMgr->FileName(), dir / "Language/eng.ini");
    EXPECT_EQ(window->btnUpdate->Caption(), "Check");
    EXPECT_EQ(LangMgr->GetMessage("Msg200", ""), "Update");
  }
}

TEST_F(LanguageTest, SwitchingKeepsTextsTheNewFileLacks) {
  WriteLanguageFile("eng.ini", kEnglish);
  WriteLanguageFile("chs.ini", kSimplified);
  auto window = LoadedWindow();
  window->Lang->SetLanguage(1);
  EXPECT_EQ(window->Caption(), "更新程序");
  EXPECT_EQ(window->btnUpdate->Caption(), "检测");
  EXPECT_EQ(window->btnClose->Caption(), "Close");
  EXPECT_EQ(window->btnUpdate->Hint(), "Look for a newer release");
  EXPECT_EQ(LangMgr->GetMessage("Msg200", ""), "更新");
  EXPECT_EQ(LangMgr->GetMessage("Msg206", ""), "");
}

TEST_F(LanguageTest, HyphenIsKeptAndAnEmptyValueEmpties) {
  WriteLanguageFile("eng.ini",
                    "[TfrmQuilletUpdate]\n"
                    "btnUpdate.Caption=Check\n"
                    "btnUpdate.Hint=Hint from the file\n"
                    "btnClose.Caption=\n"
                    "lblOper.Caption=-\n");
  auto window = std::make_unique<UpdateWindow>();
  window->btnUpdate->SetCaption("-");
  window->btnUpdate->SetHint("-");
  window->lblOper->SetCaption("built in");
  window->EndLayout();
  EXPECT_EQ(window->btnUpdate->Caption(), "-");
  EXPECT_EQ(window->btnUpdate->Hint(), "-");
  EXPECT_EQ(window->btnClose->Caption(), "");
  // A file's "-" is a text like any other.
  EXPECT_EQ(window->lblOper->Caption(), "-");
  EXPECT_TRUE(backend.ChangesOf("btnUpdate", "Caption").empty());
}

TEST_F(LanguageTest, ListViewColumnsAreLookedUpByIndex) {
  WriteLanguageFile("eng.ini",
                    "[TfrmQuilletUpdate]\n"
                    "lvFiles.Columns[0].Caption=File\n"
                    "lvFiles.Columns[2].Caption=Size\n"
                    "lvFiles.Hint=Files of the release\n");
  auto window = std::make_unique<UpdateWindow>();
  auto *list = window->Add<ui::TListView>("lvFiles");
  list->AddColumn("Name", 100);
  list->AddColumn("Version", 60);
  list->AddColumn("Bytes", 60);
  window->EndLayout();
  EXPECT_EQ(list->ColumnCaption(0), "File");
  EXPECT_EQ(list->ColumnCaption(1), "Version");
  EXPECT_EQ(list->ColumnCaption(2), "Size");
  EXPECT_EQ(list->Hint(), "Files of the release");
  EXPECT_EQ(backend.ChangesOf("lvFiles", "Columns[1].Caption"), std::vector<std::string>{"Version"});
}

TEST_F(LanguageTest, OnlyTheWindowsOwnComponentsAreTranslated) {
  WriteLanguageFile("eng.ini",
                    "[TfrmQuilletUpdate]\n"
                    "nested.Caption=From the file\n"
                    "Lang.Caption=From the file\n");
  auto window = std::make_unique<UpdateWindow>();
  auto *nested = new ui::TLabel(window->lblOper);
  nested->SetName("nested");
  nested->SetCaption("built in");
  window->EndLayout();
  EXPECT_EQ(nested->Caption(), "built in");
}

// A component that publishes "Text" gets it from the file; one whose "Hint" holds no
// 8-bit text (a number here) keeps it, and so does each of its other properties.
TEST_F(LanguageTest, TextPropertiesAreTranslatedAndOtherKindsAreLeftAlone) {
  struct TEdit : ui::TPublishedComponent {
    explicit TEdit(TComponent *owner) : TPublishedComponent(owner) {
      PublishText("Text", [this] { return text; }, [this](const std::string &value) { text = value; });
    }
    std::string text = "built in";
  };
  struct TCounter : ui::TPublishedComponent {
    explicit TCounter(TComponent *owner) : TPublishedComponent(owner) {
      PublishInteger("Hint", [this] { return hint; }, [this](int value) { hint = value; ++writes; });
      PublishText("Caption", [this] { return caption; }, [this](const std::string &value) { caption = value; });
    }
    int hint = 7, writes = 0;
    std::string caption = "counter";
  };
  WriteLanguageFile("eng.ini",
                    "[TfrmQuilletUpdate]\n"
                    "edit.Text=From the file\n"
                    "counter.Hint=99\n"
                    "counter.Caption=Counted\n");
  auto window = std::make_unique<UpdateWindow>();
  auto *edit = window->Add<TEdit>("edit");
  auto *counter = window->Add<TCounter>("counter");
  window->EndLayout();
  EXPECT_EQ(edit->text, "From the file");
  EXPECT_EQ(counter->hint, 7);
  EXPECT_EQ(counter->writes, 0);
  EXPECT_EQ(counter->caption, "Counted");
}

TEST_F(LanguageTest, SectionAndKeysMatchWhateverTheirCase) {
  WriteLanguageFile("eng.ini",
                    "[TFRMQUILLETUPDATE]\n"
                    "FRMQUILLETUPDATE.CAPTION=Upper\n"
                    "btnupdate.caption=lower\n"
                    "[message]\n"
                    "msg200=Update\n");
  auto window = LoadedWindow();
  EXPECT_EQ(window->Caption(), "Upper");
  EXPECT_EQ(window->btnUpdate->Caption(), "lower");
  EXPECT_EQ(LangMgr->GetMessage("Msg200", ""), "Update");
}

TEST_F(LanguageTest, SwitchReappliesEveryRegisteredWindowInOrder) {
  WriteLanguageFile("eng.ini", kEnglish);
  // The section of both windows: the first section of a name is the one read.
  WriteLanguageFile("chs.ini",
                    "[TfrmQuilletUpdate]\n"
                    "frmQuilletUpdate.Caption=更新程序\n"
                    "first.Caption=第一\n"
                    "second.Caption=第二\n"
                    "btnUpdate.Caption=检测\n");
  auto first = LoadedWindow("first");
  auto second = LoadedWindow("second");
  auto freed = LoadedWindow();
  // Registering again does not apply a window twice.
  LangMgr->Register(second->Lang);
  freed.reset();
  backend.ClearRecords();

  first->Lang->SetLanguage(1);
  EXPECT_EQ(first->Caption(), "第一");
  EXPECT_EQ(second->Caption(), "第二");
  EXPECT_EQ(second->btnUpdate->Caption(), "检测");
  std::vector<std::string> titled;
  for (const auto &change : backend.Changes())
    if (change.What == "Caption" && (change.Control == "first" || change.Control == "second"))
      titled.push_back(change.Control);
  EXPECT_EQ(titled, (std::vector<std::string>{"first", "second"}));

  // A window loaded after the switch gets the file in force.
  auto later = LoadedWindow();
  EXPECT_EQ(later->Caption(), "更新程序");
}

TEST_F(LanguageTest, LongValuesAreCutAt2047Characters) {
  const std::string longText(3000, 'x');
  WriteLanguageFile("eng.ini",
                    "[TfrmQuilletUpdate]\nbtnUpdate.Caption=" + longText + "\n[Message]\nMsg201=" + longText + "\n");
  auto window = LoadedWindow();
  EXPECT_EQ(window->btnUpdate->Caption(), longText.substr(0, 2047));
  EXPECT_EQ(LangMgr->GetMessage("Msg201", ""), longText.substr(0, 2047));
}

TEST_F(LanguageTest, ComponentWithoutAWindowSetsNothing) {
  WriteLanguageFile("eng.ini", kEnglish);
  TComponent owner(nullptr);
  auto *language = new TLanguage(&owner);
  language->WindowLoaded();
  EXPECT_TRUE(LangMgr->Loaded());
  EXPECT_TRUE(backend.Changes().empty());
}

}  // namespace
