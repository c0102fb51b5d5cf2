#include "crypto/KeyBlob.h"

#include <gtest/gtest.h>

#include <random>

#include "crypto/KeyContainer.h"

namespace ulka {
namespace {

// A plain PRIVATEKEYBLOB of a 512-bit key: header 20 bytes, modulus 64, five halves of 32, exponent 64.
class KeyBlobTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    container = new KeyContainer;
    ASSERT_TRUE(container->CreateKey(512));
  }
  static void TearDownTestSuite() { delete container; }
  static Bytes Plain() { return PrivateKeyBlob(container->Key()); }
  static inline KeyContainer* container = nullptr;
};

TEST_F(KeyBlobTest, PlainPrivateBlobRoundTrips) {
  const Bytes blob = Plain();
  ASSERT_EQ(blob.size(), 20u + 64 + 5 * 32 + 64);
  openssl::PKey key = PrivateKeyFromBlob(blob);
  ASSERT_TRUE(key);
  EXPECT_EQ(PrivateKeyBlob(key.get()), blob);
  // The public part of a private blob serves as a public key.
  openssl::PKey publicKey = PublicKeyFromBlob(blob);
  ASSERT_TRUE(publicKey);
  EXPECT_EQ(PublicKeyBlob(publicKey.get()), PublicKeyBlob(container->Key()));
}

TEST_F(KeyBlobTest, InconsistentPrivateKeysAreRejected) {
  const Bytes blob = Plain();
  const size_t modulus = 20, prime1 = 84, prime2 = 116, exponent1 = 148, exponent2 = 180, coefficient = 212,
               exponent = 244;
  struct Case {
    const char* what;
    size_t at;
  } cases[] = {{"modulus", modulus + 5}, {"prime1", prime1}, {"prime2", prime2 + 31},
               {"exponent1", exponent1 + 7}, {"exponent2", exponent2}, {"coefficient", coefficient + 3}, {"private exponent", exponent + 10}};
  for (const Case& c : cases) {
    Bytes damaged = blob;
    damaged[c.at] ^= 0x02;
    EXPECT_FALSE(PrivateKeyFromBlob(damaged)) << c.what;
  }
  Bytes swapped = blob;  // prime1 and prime2 exchanged: the coefficient no longer fits
  std::swap_ranges(swapped.begin() + prime1, swapped.begin() + prime2, swapped.begin() + prime2);
  EXPECT_FALSE(PrivateKeyFromBlob(swapped));
}

TEST_F(KeyBlobTest, HeadersOutOfRangeAreRejectedBeforeAnyNumberIsRead) {
  const Bytes blob = Plain();
  struct Case {
    const char* what;
    size_t at;
    uint8_t value;
  } cases[] = {{"blob type", 0, 0x01},      {"version", 1, 0x03},         {"algorithm", 5, 0x66},
               {"magic", 11, 0x31},         {"huge bit length", 15, 0x10}, {"bit length past the data", 13, 0x04},
               {"even exponent", 16, 0x02}, {"exponent 1", 18, 0x00}};
  for (const Case& c : cases) {
    Bytes damaged = blob;
    damaged[c.at] = c.value;
    if (std::string(c.what) == "exponent 1") damaged[16] = 1;
    EXPECT_FALSE(PrivateKeyFromBlob(damaged)) << c.what;
  }
}

TEST_F(KeyBlobTest, RandomNumbersUnderValidHeadersAreRejected) {
  const Bytes blob = Plain();
  std::mt19937 random(3);
  for (int trial = 0; trial < 20; ++trial) {
    Bytes noise = blob;
    for (size_t i = 20; i < noise.size(); ++i) noise[i] = static_cast<uint8_t>(random());
    EXPECT_FALSE(PrivateKeyFromBlob(noise));
  }
}

}  // namespace
}  // namespace ulka
