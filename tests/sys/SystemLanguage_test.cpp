#include "sys/SystemLanguage.h"

#include <gtest/gtest.h>

// The locale names a POSIX system gives for what Windows reports as LANGIDs: only the
// territory decides, whatever code set or modifier follows it.
TEST(SystemLanguage, LocaleNamesMapToTheLangIdsWindowsGivesThem) {
  EXPECT_EQ(LangIdOfLocaleName("zh_CN.UTF-8"), 0x0804);
  EXPECT_EQ(LangIdOfLocaleName("zh_CN.GB18030"), 0x0804);
  EXPECT_EQ(LangIdOfLocaleName("zh_TW.UTF-8"), 0x0404);
  EXPECT_EQ(LangIdOfLocaleName("zh_TW.Big5@stroke"), 0x0404);
  EXPECT_EQ(LangIdOfLocaleName("zh_HK.UTF-8"), 0x0C04);
  EXPECT_EQ(LangIdOfLocaleName("zh_SG"), 0x1004);
  EXPECT_EQ(LangIdOfLocaleName("zh_MO.UTF-8"), 0x1404);
  EXPECT_EQ(LangIdOfLocaleName("zh"), 0x0409);
  EXPECT_EQ(LangIdOfLocaleName("zh_CNX"), 0x0409);
  EXPECT_EQ(LangIdOfLocaleName("de_DE.UTF-8"), 0x0409);
  EXPECT_EQ(LangIdOfLocaleName("C"), 0x0409);
  EXPECT_EQ(LangIdOfLocaleName(""), 0x0409);
}
