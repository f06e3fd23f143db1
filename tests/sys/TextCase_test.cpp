#include "sys/TextCase.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "sys/Platform.h"

namespace {

TEST(TextCase, AsciiFoldingTouchesOnlyTheLettersAndComparesWholeTexts) {
  EXPECT_TRUE(sys::SameTextIgnoringAsciiCase("quillet.EXE", "Quillet.exe"));
  EXPECT_TRUE(sys::SameTextIgnoringAsciiCase("", ""));
  // No trimming, no partial match, no path stripping.
  EXPECT_FALSE(sys::SameTextIgnoringAsciiCase("Quillet.ex", "Quillet.exe"));
  EXPECT_FALSE(sys::SameTextIgnoringAsciiCase("Quillet.exe ", "Quillet.exe"));
  EXPECT_FALSE(sys::SameTextIgnoringAsciiCase("C:\\Apps\\Quillet.exe", "Quillet.exe"));
  EXPECT_FALSE(sys::SameTextIgnoringAsciiCase("apps/Quillet.exe", "Quillet.exe"));
  // Bytes beside the letters differ only in the case bit: folding by that bit would join them.
  EXPECT_FALSE(sys::SameTextIgnoringAsciiCase("[x]", "{x}"));
  EXPECT_FALSE(sys::SameTextIgnoringAsciiCase("@", "`"));
  // Non-ASCII letters (Latin-1 a and A with diaeresis) match only when the bytes are equal.
  EXPECT_FALSE(sys::SameTextIgnoringAsciiCase("\xE4pp.exe", "\xC4pp.exe"));
  EXPECT_TRUE(sys::SameTextIgnoringAsciiCase("\xE4pp.exe", "\xE4PP.EXE"));
  EXPECT_EQ(sys::LowerAscii("HTTP://Ab\xC4Z[@]"), "http://ab\xC4z[@]");
}

TEST(TextCase, LocaleAwareComparisonAndFolding) {
  EXPECT_TRUE(sys::SameTextIgnoringCase("files_ver_1.3.0.0", "FILES_VER_1.3.0.0"));
  EXPECT_TRUE(sys::SameTextIgnoringCase("", ""));
  EXPECT_FALSE(sys::SameTextIgnoringCase("abc", "abd"));
  EXPECT_FALSE(sys::SameTextIgnoringCase("abc", "abcd"));
  EXPECT_FALSE(sys::SameTextIgnoringCase("a", ""));
  EXPECT_EQ(sys::FoldCase("Language/CHS.ini"), "language/chs.ini");
  EXPECT_EQ(sys::FoldCase(""), "");
}

// Letters beyond ASCII fold by the locale's character set: UTF-8 natively, code page
// 1252 under the test's Wine.
TEST(TextCase, LettersBeyondAsciiFoldByTheLocale) {
  std::string previous = std::setlocale(LC_CTYPE, nullptr);
  if (!sys::kIsWindows) {
    ASSERT_NE(std::setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
  }
  const std::string upper = sys::kIsWindows ? "\xC4" : "\xC3\x84";  // A with diaeresis
  const std::string lower = sys::kIsWindows ? "\xE4" : "\xC3\xA4";
  EXPECT_TRUE(sys::SameTextIgnoringCase("Datei" + upper + ".txt", "DATEI" + lower + ".TXT"));
  EXPECT_EQ(sys::FoldCase("Datei" + upper), sys::FoldCase("dATEI" + lower));
  EXPECT_FALSE(sys::SameTextIgnoringCase(upper, "A"));
  EXPECT_NE(sys::FoldCase(upper), sys::FoldCase("a"));
  // Bytes that do not decode (natively) still compare, as themselves.
  EXPECT_TRUE(sys::SameTextIgnoringCase("A\xFF", "a\xFF"));
  EXPECT_FALSE(sys::SameTextIgnoringCase("\xFF", "\xFE"));
  EXPECT_EQ(sys::FoldCase("A\xFF" + upper), sys::FoldCase("a\xFF" + lower));
  std::setlocale(LC_CTYPE, previous.c_str());
}

}  // namespace
