#include <gtest/gtest.h>

#include <openssl/evp.h>

#include <iterator>
#include <random>

#include "ExpectFailure.h"
#include "automation/Encodings.h"
#include "automation/Messages.h"
#include "automation/Unicode.h"

namespace ulka {
namespace {

using test::FailsWith;

Bytes B(std::string_view s) { return Bytes(s.begin(), s.end()); }

Bytes RandomBytes(size_t n, uint32_t seed) {
  std::mt19937 random(seed);
  Bytes bytes(n);
  for (auto& b : bytes) b = static_cast<uint8_t>(random());
  return bytes;
}

TEST(Hex, BytesToHexIsUpperCaseHighNibbleFirst) {
  EXPECT_EQ(BytesToHex(Bytes{0xAB, 0x01}), u"AB01");
  EXPECT_EQ(BytesToHex(Bytes{0x00, 0xFF, 0x5a}), u"00FF5A");
  EXPECT_EQ(BytesToHex(Bytes{}), u"");
}

TEST(Hex, HexToBytesStopsAtFirstBadPair) {
  struct Case {
    const char16_t* text;
    Bytes bytes;
  } cases[] = {
      {u"12zz34", {0x12, 0x00, 0x00}}, {u"abCD", {0xAB, 0xCD}}, {u"123", {0x12}},
      {u"", {}},                        {u"z", {}},              {u"zz12", {0x00, 0x00}},
      {u"1\u0661", {0x00}},  // a non-ASCII digit is no hexadecimal digit
  };
  for (const auto& c : cases) EXPECT_EQ(HexToBytes(c.text), c.bytes) << Utf8(c.text);
  Bytes random = RandomBytes(300, 1);
  EXPECT_EQ(HexToBytes(BytesToHex(random)), random);
}

struct Base64Vector {
  const char* plain;
  const char16_t* encoded;
};
// RFC 4648, section 10.
const Base64Vector kRfc4648[] = {
    {"", u""},         {"f", u"Zg=="},         {"fo", u"Zm8="},          {"foo", u"Zm9v"},
    {"foob", u"Zm9vYg=="}, {"fooba", u"Zm9vYmE="}, {"foobar", u"Zm9vYmFy"},
};

TEST(Base64, EncodeAndDecodeTheRfcVectors) {
  for (const auto& v : kRfc4648) {
    EXPECT_EQ(Base64Encode(B(v.plain)), v.encoded) << v.plain;
    EXPECT_EQ(Wide(Base64EncodeAscii(B(v.plain))), v.encoded) << v.plain;
    EXPECT_EQ(Base64Decode(v.encoded), B(v.plain)) << v.plain;
    EXPECT_EQ(Base64ToBytes(v.encoded), B(v.plain)) << v.plain;
  }
}

TEST(Base64, RoundTripsEveryLengthAndByte) {
  for (size_t n = 0; n < 300; ++n) {
    Bytes bytes = RandomBytes(n, static_cast<uint32_t>(n));
    WideString text = Base64Encode(bytes);
    EXPECT_EQ(text.size(), (n + 2) / 3 * 4);
    EXPECT_EQ(Base64Decode(text), bytes) << n;
  }
  Bytes all(256);
  for (int i = 0; i < 256; ++i) all[i] = static_cast<uint8_t>(i);
  EXPECT_EQ(Base64Encode(all).substr(0, 8), u"AAECAwQF");
  EXPECT_EQ(Base64Decode(Base64Encode(all)), all);
}

TEST(Base64, EncodingMatchesOpenSsl) {
  for (size_t n : {1u, 11u, 12u, 15u, 16u, 17u, 28u, 100u, 1000u, 4097u, 100000u}) {
    Bytes bytes = RandomBytes(n, static_cast<uint32_t>(n) * 31);
    std::string expected((n + 2) / 3 * 4 + 1, '\0');
    expected.resize(static_cast<size_t>(EVP_EncodeBlock(reinterpret_cast<unsigned char*>(expected.data()),
                                                        bytes.data(), static_cast<int>(n))));
    EXPECT_EQ(Base64EncodeAscii(bytes), expected) << n;
    EXPECT_EQ(Base64Encode(bytes), Wide(expected)) << n;
  }
}

TEST(Base64, StrictDecodeSkipsWhitespaceAndDecodesUnpaddedEnds) {
  EXPECT_EQ(Base64Decode(u"Zm9v\r\nYmFy\r\n"), B("foobar"));
  EXPECT_EQ(Base64Decode(u" Zm 9v\tYg==\n"), B("foob"));
  EXPECT_EQ(Base64Decode(u"Zm9vYg"), B("foob"));
  EXPECT_EQ(Base64Decode(u"Zm9vYmE"), B("fooba"));
}

TEST(Base64, StrictDecodeRejectsMalformedText) {
  using namespace std::literals;
  const std::u16string_view cases[] = {
      u"Zm9v!"sv, u"Zg=a"sv, u"Z==="sv, u"===="sv, u"Zm9vYg==Zm9v"sv, u"Zm9vYg==YQ"sv, u"Z"sv,
      u"Zm9vY"sv, u"Zg="sv, u"Zm9\u00e9"sv, u"Zm9\u0100"sv, u"Zm9v-_"sv, u"Zm\0v"sv,
  };
  for (std::u16string_view text : cases)
    EXPECT_TRUE(FailsWith([&] { Base64Decode(text); }, msg::kInvalidBase64)) << Utf8(text);
}

TEST(Base64, RandomTextEitherDecodesOrFailsCleanly) {
  const char16_t pool[] = u"AZaz09+/=  \r\n-_!\u00e9\uFFFF";
  std::mt19937 random(3);
  for (int round = 0; round < 2000; ++round) {
    WideString text(random() % 24, u'A');
    for (auto& c : text) c = pool[random() % (std::size(pool) - 1)];
    try {
      Bytes bytes = Base64Decode(text);
      EXPECT_LE(bytes.size(), text.size() * 3 / 4 + 2);
    } catch (const EVekError& e) {
      EXPECT_STREQ(e.what(), msg::kInvalidBase64);
    }
    EXPECT_LE(Base64ToBytes(text).size(), text.size() * 3 / 4 + 2);
  }
}

TEST(Base64, LenientDecodeSkipsEverythingOutsideTheAlphabet) {
  struct Case {
    const char16_t* text;
    Bytes bytes;
  } cases[] = {
      {u"AAEC", {0, 1, 2}},  {u"AA-EC", {0, 1, 2}},    {u"Zm9v=YmFy", B("foobar")},
      {u"Zm9vY", B("foo")},  {u"Zm9vYg", B("foob")},   {u"\u00e9Z\u0100g", B("f")},
      {u"", {}},             {u"!!!", {}},
  };
  for (const auto& c : cases) EXPECT_EQ(Base64ToBytes(c.text), c.bytes) << Utf8(c.text);
}

TEST(Md5, DigestsTheRfc1321Suite) {
  struct Case {
    const char* text;
    const char16_t* digest;
  } cases[] = {
      {"", u"D41D8CD98F00B204E9800998ECF8427E"},
      {"a", u"0CC175B9C0F1B6A831C399E269772661"},
      {"abc", u"900150983CD24FB0D6963F7D28E17F72"},
      {"message digest", u"F96B697D7CB7938D525A2F31AAF161D0"},
      {"abcdefghijklmnopqrstuvwxyz", u"C3FCD3D76192E4007DFB496CCA67E13B"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       u"57EDF4A22BE3C955AC49DA2E2107B67A"},
  };
  for (const auto& c : cases) EXPECT_EQ(BytesToHex(Md5Bytes(B(c.text))), c.digest) << c.text;
}

constexpr char16_t kBase32[] = u"ABCDEFGHIJKLMNOPQRSTUVWXYZ234567";

TEST(EncodeBits, GroupsBitsLeastSignificantFirst) {
  EXPECT_EQ(EncodeBits(B("abc"), kBase32), u"BTYGG");
  EXPECT_EQ(EncodeBits(Bytes{0xAB, 0x01}, u"0123456789ABCDEF"), u"BA10");
  EXPECT_EQ(EncodeBits(Bytes{0x05}, u"01"), u"10100000");
  EXPECT_EQ(EncodeBits(Bytes{0xFF}, u"0123"), u"3333");
  EXPECT_EQ(EncodeBits(Bytes{0xFF}, u"01234567"), u"773");  // the last group has two bits
  EXPECT_EQ(EncodeBits(Bytes{}, kBase32), u"");
}

TEST(DecodeBits, FillsWholeBytesAndStopsAtUnknownCharacters) {
  EXPECT_EQ(DecodeBits(u"BTYGG", kBase32), (Bytes{0x61, 0x62, 0x63, 0x00}));
  EXPECT_EQ(DecodeBits(u"btygg", kBase32), (Bytes{0x61, 0x62, 0x63, 0x00}));
  EXPECT_EQ(DecodeBits(u"BA10", u"0123456789ABCDEF"), (Bytes{0xAB, 0x01}));
  EXPECT_EQ(DecodeBits(u"B!YGG", kBase32), (Bytes{0x01, 0x00, 0x00, 0x00}));
  EXPECT_EQ(DecodeBits(u"", kBase32), Bytes{});
  // Lower-case alphabet characters are upper-cased before the lookup and so are not found.
  EXPECT_EQ(DecodeBits(u"ba", u"0123456789abcdef"), (Bytes{0x00}));
}

TEST(EncodeBits, RoundTripsForEveryGroupWidth) {
  const WideString alphabet =
      u"ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789!#$%&()*+,-./:;<=>?@[]^_{|}~"
      u"\u00c0\u00c1\u00c2\u00c3\u00c4\u00c5\u00c6\u00c7\u00c8\u00c9\u00ca\u00cb\u00cc\u00cd\u00ce\u00cf"
      u"\u00d0\u00d1\u00d2\u00d3\u00d4\u00d5\u00d6\u00d7\u00d8\u00d9\u00da\u00db\u00dc\u00dd\u00de\u00df"
      u"\u0400\u0401\u0402\u0403\u0404\u0405\u0406\u0407\u0408\u0409\u040a\u040b\u040c\u040d\u040e\u040f"
      u"\u0410\u0411\u0412\u0413\u0414\u0415\u0416\u0417\u0418\u0419\u041a\u041b\u041c\u041d\u041e\u041f";
  ASSERT_EQ(alphabet.size(), 128u);
  for (size_t length = 2; length <= 128; length *= 2) {
    std::u16string_view letters(alphabet.data(), length);
    Bytes bytes = RandomBytes(37, static_cast<uint32_t>(length));
    Bytes decoded = DecodeBits(EncodeBits(bytes, letters), letters);
    ASSERT_GE(decoded.size(), bytes.size());
    EXPECT_EQ(Bytes(decoded.begin(), decoded.begin() + 37), bytes) << length;
  }
}

TEST(EncodeBits, AlphabetsOfOtherLengthsFail) {
  WideString long256(256, u'A');
  for (size_t i = 0; i < long256.size(); ++i) long256[i] = static_cast<char16_t>(0x100 + i);
  const WideString alphabets[] = {u"", u"A", u"ABC", u"ABCDE", WideString(129, u'A'), long256,
                                  WideString(300, u'A')};
  for (const WideString& alphabet : alphabets) {
    EXPECT_TRUE(FailsWith([&] { EncodeBits(B("abc"), alphabet); }, msg::kInvalidAlphabet)) << alphabet.size();
    EXPECT_TRUE(FailsWith([&] { DecodeBits(u"AB", alphabet); }, msg::kInvalidAlphabet)) << alphabet.size();
  }
}

}  // namespace
}  // namespace ulka
