#include "crypto/Twofish.h"

#include <gtest/gtest.h>
#include <nettle/twofish.h>

#include <random>
#include <stdexcept>

#include "crypto/Rc4.h"
#include "tests/crypto/VectorFile.h"

namespace ulka {
namespace {

using test::ReadVectorFile;

TEST(TwofishTest, MatchesPublishedKnownAnswers) {
  const auto vectors = ReadVectorFile("twofish.vec");
  ASSERT_EQ(vectors.size(), 14u);
  for (const auto& v : vectors) {
    SCOPED_TRACE("twofish.vec line " + std::to_string(v.line));
    ASSERT_EQ(v["Key"].size() * 8, std::stoul(v.section));
    Twofish cipher(v["Key"]);
    std::vector<uint8_t> out(16), back(16);
    cipher.EncryptBlock(v["In"].data(), out.data());
    EXPECT_EQ(out, v["Out"]);
    cipher.DecryptBlock(out.data(), back.data());
    EXPECT_EQ(back, v["In"]);
  }
}

TEST(TwofishTest, AgreesWithNettleOnRandomKeysAndBlocks) {
  std::mt19937 random(7);
  for (size_t keySize : {16u, 24u, 32u}) {
    for (int trial = 0; trial < 50; ++trial) {
      std::vector<uint8_t> key(keySize), block(16), ours(16), theirs(16), back(16);
      for (auto& b : key) b = static_cast<uint8_t>(random());
      for (auto& b : block) b = static_cast<uint8_t>(random());
      twofish_ctx ctx;
      twofish_set_key(&ctx, key.size(), key.data());
      twofish_encrypt(&ctx, 16, theirs.data(), block.data());
      Twofish cipher(key);
      cipher.EncryptBlock(block.data(), ours.data());
      ASSERT_EQ(ours, theirs) << "key size " << keySize;
      cipher.DecryptBlock(ours.data(), back.data());
      ASSERT_EQ(back, block);
    }
  }
}

TEST(TwofishTest, EncryptsInPlace) {
  std::vector<uint8_t> key(16, 0), block(16, 0);
  Twofish(key).EncryptBlock(block.data(), block.data());
  EXPECT_EQ(block, test::ParseHex("9F589F5CF6122C32B6BFEC2F2AE8C35A"));
}

TEST(TwofishTest, RejectsKeysOfOtherSizes) {
  for (size_t size : {0u, 1u, 15u, 17u, 23u, 31u, 33u, 64u}) {
    std::vector<uint8_t> key(size, 1);
    EXPECT_THROW(Twofish{key}, std::invalid_argument) << size;
  }
}

TEST(Rc4Test, MatchesKnownKeyStreams) {
  for (const auto& v : ReadVectorFile("rc4.vec")) {
    SCOPED_TRACE("rc4.vec line " + std::to_string(v.line));
    std::vector<uint8_t> data = v["In"];
    Rc4 cipher(v["Key"]);
    // Two calls continue one key stream.
    cipher.Apply(std::span(data).first(2));
    cipher.Apply(std::span(data).subspan(2));
    EXPECT_EQ(data, v["Out"]);
  }
}

}  // namespace
}  // namespace ulka
