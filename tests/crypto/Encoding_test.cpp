#include "crypto/Encoding.h"

#include <gtest/gtest.h>

namespace {

TEST(Encoding, Base64OfTheStandardsVectorsAndNothingElse) {
  // RFC 4648, section 10.
  const std::pair<const char *, const char *> vectors[] = {{"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},
                                                           {"foo", "Zm9v"},  {"foob", "Zm9vYg=="},  {"fooba", "Zm9vYmE="},
                                                           {"foobar", "Zm9vYmFy"}};
  for (const auto &v : vectors) {
    EXPECT_EQ(crypto::Base64Encode(v.first), v.second);
    std::string decoded;
    ASSERT_TRUE(crypto::Base64Decode(v.second, decoded)) << v.second;
    EXPECT_EQ(decoded, v.first);
  }
  EXPECT_EQ(crypto::Base64Encode(std::string("\xFB\xFF\x00", 3)), "+/8A");
  // One text, one meaning: no stray characters, padding only at the end, no bits beyond it.
  for (const char *text : {"Zg=", "Zg", "Z===", "Zm9v\n", "Zm 9v", "Zg==Zg==", "=Zg=", "Zh==", "Zm9=", "Zm-v", "Zm_v"}) {
    std::string decoded;
    EXPECT_FALSE(crypto::Base64Decode(text, decoded)) << text;
  }
}

TEST(Encoding, HexInBothCasesWithAnEvenNumberOfDigits) {
  EXPECT_EQ(crypto::HexEncode(std::string("\x00\x9F\xFA", 3)), "009ffa");
  std::string bytes;
  ASSERT_TRUE(crypto::HexDecode("009FfA", bytes));
  EXPECT_EQ(bytes, std::string("\x00\x9F\xFA", 3));
  for (const char *text : {"0", "0g", "x0", " 00"}) EXPECT_FALSE(crypto::HexDecode(text, bytes)) << text;
}

}  // namespace
