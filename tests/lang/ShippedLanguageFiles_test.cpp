// The language files as the build ships them beside the program, read through the
// program's own INI access (so that the Windows run reads the GBK and Big5 files with the
// system's profile functions).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "lang/Language.h"
#include "sys/FileSystem.h"
#include "sys/Platform.h"
#include "sys/uGlobal.h"

namespace {

// The program directory of the build: the language files sit in its "Language".
std::string BuiltProgramDirectory() {
  const std::string languageDir =
      sys::WithTrailingSeparator(ExecutableDirectory() + sys::ToLocalPath(QUILLET_LANGUAGE_DIR_FROM_TESTS));
  return CutAfterLastSeparator(languageDir.substr(0, languageDir.size() - 1));
}

const char *const kSection = "TfrmQuilletUpdate";

// Every key of the update window's section that the language component consults.
std::vector<std::string> WindowKeys() {
  std::vector<std::string> keys{"frmQuilletUpdate.Caption", "Bevel1.Hint", "PBar.Hint"};
  for (const char *name : {"lblOper", "lblInfo", "btnUpdate", "btnClose", "acClose", "acUpdate", "acInit", "acUninit",
                           "acOnShow", "Action6", "Action7"}) {
    keys.push_back(std::string(name) + ".Caption");
    keys.push_back(std::string(name) + ".Hint");
  }
  return keys;
}

// The messages and whether each takes the one argument "%s".
struct Message {
  const char *key;
  bool takesArgument;
};
const Message kMessages[] = {{"Msg200", false}, {"Msg201", false}, {"Msg202", false}, {"Msg203", false},
                            {"Msg204", true},  {"Msg205", false}, {"Msg206", true},  {"Msg207", true},
                            {"Msg208", true},  {"Msg209", false}, {"Msg210", false}, {"Msg211", true},
                            {"Msg212", false}, {"Msg213", true},  {"Msg214", true}};

// A key is present when its value does not depend on the default.
bool HasKey(const std::string &section, const std::string &key) {
  return LangMgr->ReadText(section, key, "\x01") == LangMgr->ReadText(section, key, "\x02");
}

class ShippedLanguageFile : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(sys::FileExists(LangMgr->GetLangFileName(GetParam()))) << LangMgr->GetLangFileName(GetParam());
    LangMgr->SetLangId(GetParam());
    ASSERT_TRUE(LangMgr->Loaded());
  }
  TLangMgrScope langMgr{BuiltProgramDirectory()};
};

TEST_P(ShippedLanguageFile, HasEveryKeyOfTheWindow) {
  for (const std::string &key : WindowKeys()) EXPECT_TRUE(HasKey(kSection, key)) << key;
  EXPECT_NE(LangMgr->ReadText(kSection, "frmQuilletUpdate.Caption", ""), "");
  EXPECT_NE(LangMgr->ReadText(kSection, "btnUpdate.Caption", ""), "");
  EXPECT_NE(LangMgr->ReadText(kSection, "btnClose.Caption", ""), "");
  // The two lines show nothing until the window writes them.
  EXPECT_EQ(LangMgr->ReadText(kSection, "lblOper.Caption", "x"), "");
  EXPECT_EQ(LangMgr->ReadText(kSection, "lblInfo.Caption", "x"), "");
}

TEST_P(ShippedLanguageFile, EveryMessageHasTextAndTheRightPlaceholder) {
  for (const Message &message : kMessages) {
    const std::string text = LangMgr->GetMessage(message.key, "");
    EXPECT_FALSE(text.empty()) << message.key;
    // The only "%" of a message is its one "%s", where it takes an argument.
    const std::size_t placeholder = text.find("%s");
    const std::size_t firstPercent = text.find('%');
    const std::size_t lastPercent = text.rfind('%');
    if (message.takesArgument) {
      EXPECT_NE(placeholder, std::string::npos) << message.key << ": " << text;
      EXPECT_EQ(firstPercent, placeholder) << message.key << ": " << text;
      EXPECT_EQ(lastPercent, placeholder) << message.key << ": " << text;
    } else {
      EXPECT_EQ(firstPercent, std::string::npos) << message.key << ": " << text;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Languages, ShippedLanguageFile, ::testing::Values(0, 1, 2));

// The Chinese files are in their code pages, not in the UTF-8 of their sources: the update
// button's caption reads as GBK in chs.ini and as Big5 in cht.ini.
TEST(ShippedLanguageFiles, ChineseFilesAreInTheirCodePages) {
  TLangMgrScope langMgr{BuiltProgramDirectory()};
  LangMgr->SetLangId(1);
  EXPECT_EQ(LangMgr->ReadText(kSection, "btnUpdate.Caption", ""), "\xBC\xEC\xB2\xE2\xB8\xFC\xD0\xC2");  // 检测更新
  LangMgr->SetLangId(2);
  EXPECT_EQ(LangMgr->ReadText(kSection, "btnUpdate.Caption", ""), "\xC0\xCB\xAC\x64\xA7\xF3\xB7\x73");  // 檢查更新
  LangMgr->SetLangId(0);
  const std::string english = LangMgr->ReadText(kSection, "btnUpdate.Caption", "");
  for (char c : english) EXPECT_LT(static_cast<unsigned char>(c), 0x80u) << english;
}

}  // namespace
