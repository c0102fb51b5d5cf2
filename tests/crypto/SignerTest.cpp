#include "crypto/Signer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>

#include "automation/ByteConvert.h"
#include "automation/Dispatch.h"
#include "automation/Encodings.h"
#include "tests/crypto/VectorFile.h"

namespace ulka {
namespace {

using test::ParseHex;

Bytes RandomBytes(size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  Bytes bytes(size);
  for (auto& b : bytes) b = static_cast<uint8_t>(random());
  return bytes;
}

Variant Arr(const Bytes& bytes) { return Variant::FromBytes(bytes); }

// Key generation is the slow part, so the suite shares two signers with keys.
class SignerTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    alice = MakeRef<TSigner>().Detach();
    bob = MakeRef<TSigner>().Detach();
    ASSERT_TRUE(alice->CreateKey(1024));
    ASSERT_TRUE(bob->CreateKey(1024));
    alicePublic = new Variant(alice->ExportPublicKey());
    bobPublic = new Variant(bob->ExportPublicKey());
  }
  static void TearDownTestSuite() {
    alice->Release();
    bob->Release();
    delete alicePublic;
    delete bobPublic;
  }

  static inline TSigner* alice = nullptr;
  static inline TSigner* bob = nullptr;
  static inline Variant* alicePublic = nullptr;
  static inline Variant* bobPublic = nullptr;
};

TEST_F(SignerTest, PublicKeyBlobHasTheCryptoApiLayout) {
  const Bytes blob = VarToBytes(*alicePublic);
  ASSERT_EQ(blob.size(), 8u + 12u + 128u);
  // PUBLICKEYBLOB, version 2, CALG_RSA_SIGN, "RSA1", 1024 bits, exponent 65537.
  EXPECT_EQ(Bytes(blob.begin(), blob.begin() + 20), ParseHex("0602000000240000525341310004000001000100"));
  EXPECT_EQ(blob[20] & 1, 1) << "the modulus is odd, least significant byte first";
  EXPECT_GE(blob.back(), 0x80) << "the top bit of the modulus is in the last byte";
}

TEST_F(SignerTest, NewSignerHasNoKeyButVerifies) {
  Ref<TSigner> fresh = MakeRef<TSigner>();
  EXPECT_TRUE(fresh->ExportPublicKey().IsEmpty());
  EXPECT_TRUE(fresh->ExportPrivateKey(u"pw").IsEmpty());
  EXPECT_TRUE(fresh->Sign(Arr({1, 2, 3})).IsEmpty());
  EXPECT_TRUE(fresh->SignData(Arr({1, 2, 3})).IsEmpty());
  const Variant signature = alice->Sign(Arr({1, 2, 3}));
  EXPECT_TRUE(fresh->VerifySign(Arr({1, 2, 3}), signature, *alicePublic));
}

TEST_F(SignerTest, SignDataAppendsSignatureAndLength) {
  const Bytes data = RandomBytes(10, 1);
  const Bytes signed_ = VarToBytes(alice->SignData(Arr(data)));
  ASSERT_EQ(signed_.size(), data.size() + 132);
  EXPECT_EQ(Bytes(signed_.begin(), signed_.begin() + 10), data);
  EXPECT_EQ(Bytes(signed_.end() - 4, signed_.end()), ParseHex("80000000"));
  EXPECT_TRUE(bob->VerifyData(Arr(signed_), *alicePublic));
  EXPECT_EQ(VarToBytes(bob->GetSignedData(Arr(signed_), *alicePublic)), data);
  EXPECT_TRUE(alice->VerifySign(Arr(data), Arr(Bytes(signed_.begin() + 10, signed_.end() - 4)), *alicePublic));
}

TEST_F(SignerTest, AnySingleChangedByteBreaksTheLayout) {
  const Bytes data = RandomBytes(20, 2);
  const Bytes signed_ = VarToBytes(alice->SignData(Arr(data)));
  const size_t positions[] = {0, 19, 20, 21, 80, 147, 148, 149, 150, 151};
  for (size_t at : positions) {
    Bytes damaged = signed_;
    damaged[at] ^= 0x01;
    EXPECT_FALSE(alice->VerifyData(Arr(damaged), *alicePublic)) << at;
    EXPECT_TRUE(alice->GetSignedData(Arr(damaged), *alicePublic).IsEmpty()) << at;
  }
}

TEST_F(SignerTest, MalformedLayoutsAnswerFalseAndEmpty) {
  const Bytes signed_ = VarToBytes(alice->SignData(Arr({1, 2, 3})));
  auto withLength = [&](const char* field) {
    Bytes b(signed_.begin(), signed_.end() - 4);
    const Bytes f = ParseHex(field);
    b.insert(b.end(), f.begin(), f.end());
    return b;
  };
  const Bytes cases[] = {
      {},
      {1, 2, 3},
      withLength("00000000"),  // no signature
      withLength("FFFFFFFF"),  // negative
      withLength("00000080"),  // negative, the sign bit only
      withLength("84000000"),  // more than the bytes present
      withLength("83000000"),  // leaves an empty data part
      withLength("7F000000"),  // a signature one byte short of the key size
  };
  for (const Bytes& c : cases) {
    EXPECT_FALSE(alice->VerifyData(Arr(c), *alicePublic)) << c.size();
    EXPECT_TRUE(alice->GetSignedData(Arr(c), *alicePublic).IsEmpty()) << c.size();
  }
}

TEST_F(SignerTest, WrongOrMissingPublicKeyFails) {
  const Variant signed_ = alice->SignData(Arr({9, 8, 7}));
  EXPECT_TRUE(alice->GetSignedData(signed_, *bobPublic).IsEmpty());
  EXPECT_FALSE(alice->VerifyData(signed_, *bobPublic));
  EXPECT_FALSE(alice->VerifyData(signed_, Variant::Missing()));
  const Variant signature = alice->Sign(Arr({9, 8, 7}));
  EXPECT_FALSE(alice->VerifySign(Arr({9, 8, 7}), signature, Variant::Missing()));
  EXPECT_FALSE(alice->VerifySign(Arr({9, 8, 7}), signature, Variant()));
  EXPECT_FALSE(alice->VerifySign(Arr({9, 8, 7}), signature, *bobPublic));
}

TEST_F(SignerTest, SignedEmptyDataNeverVerifies) {
  const Bytes signed_ = VarToBytes(alice->SignData(Variant()));
  EXPECT_EQ(signed_.size(), 132u);
  EXPECT_FALSE(alice->VerifyData(Arr(signed_), *alicePublic));
}

TEST_F(SignerTest, SignTakesByteArraysOnlyWhileSignDataDecodesText) {
  // Sign of text signs empty data.
  const Variant textSignature = alice->Sign(Variant(u"AAEC"));
  EXPECT_TRUE(alice->VerifySign(Variant(), textSignature, *alicePublic));
  // SignData of Base64 text signs the decoded bytes.
  const Bytes signed_ = VarToBytes(alice->SignData(Variant(u"AAEC")));
  EXPECT_EQ(Bytes(signed_.begin(), signed_.begin() + 3), Bytes({0, 1, 2}));
  EXPECT_TRUE(alice->VerifyData(Variant(u"0x" + BytesToHex(signed_)), *alicePublic));
}

TEST_F(SignerTest, DamagedPublicKeysAndSignaturesAreRejected) {
  const Bytes data = {1, 2, 3};
  const Variant signature = alice->Sign(Arr(data));
  const Bytes blob = VarToBytes(*alicePublic);
  for (size_t length = 0; length < blob.size(); ++length)
    EXPECT_FALSE(alice->VerifySign(Arr(data), signature, Arr(Bytes(blob.begin(), blob.begin() + length)))) << length;
  for (size_t at : {0u, 1u, 4u, 8u, 12u, 13u, 16u, 20u, 100u, 147u}) {
    Bytes damaged = blob;
    damaged[at] ^= 0x10;
    EXPECT_FALSE(alice->VerifySign(Arr(data), signature, Arr(damaged))) << at;
  }
  Bytes sig = VarToBytes(signature);
  sig.pop_back();
  EXPECT_FALSE(alice->VerifySign(Arr(data), Arr(sig), *alicePublic));
  std::mt19937 random(5);
  for (int trial = 0; trial < 200; ++trial) {
    Bytes noise = RandomBytes(random() % 300, random());
    if (noise.size() >= 20 && trial % 2) std::copy(blob.begin(), blob.begin() + 20, noise.begin());
    EXPECT_FALSE(alice->VerifySign(Arr(data), signature, Arr(noise)));
    EXPECT_TRUE(alice->GetSignedData(Arr(noise), *alicePublic).IsEmpty());
  }
}

TEST_F(SignerTest, VerificationFollowsThePublicKeyGivenEachTime) {
  // The signer keeps the key it read last; switching keys back and forth must not confuse it.
  const Variant fromAlice = alice->SignData(Arr({1})), fromBob = bob->SignData(Arr({1}));
  Ref<TSigner> verifier = MakeRef<TSigner>();
  const struct {
    const Variant& data;
    const Variant& key;
    bool valid;
  } cases[] = {{fromAlice, *alicePublic, true}, {fromBob, *alicePublic, false}, {fromBob, *bobPublic, true},
               {fromAlice, *bobPublic, false},  {fromAlice, *alicePublic, true}, {fromBob, *bobPublic, true}};
  for (const auto& c : cases) EXPECT_EQ(verifier->VerifyData(c.data, c.key), c.valid);
}

TEST_F(SignerTest, ThreadsShareOneSignerForVerification) {
  const Variant fromAlice = alice->SignData(Arr({2})), fromBob = bob->SignData(Arr({2}));
  Ref<TSigner> verifier = MakeRef<TSigner>();
  std::atomic<int> wrong{0};
  auto work = [&](const Variant& data, const Variant& key, const Variant& otherKey) {
    for (int i = 0; i < 200; ++i) {
      if (!verifier->VerifyData(data, key) || verifier->VerifyData(data, otherKey)) ++wrong;
    }
  };
  std::thread a(work, std::cref(fromAlice), std::cref(*alicePublic), std::cref(*bobPublic));
  std::thread b(work, std::cref(fromBob), std::cref(*bobPublic), std::cref(*alicePublic));
  a.join();
  b.join();
  EXPECT_EQ(wrong, 0);
}

TEST_F(SignerTest, PrivateKeyMovesBetweenSignersUnderItsPassword) {
  const Variant exported = alice->ExportPrivateKey(u"pässword");
  ASSERT_TRUE(exported.IsByteArray());
  Ref<TSigner> copy = MakeRef<TSigner>();
  EXPECT_FALSE(copy->ImportPrivateKey(exported, u"password"));
  EXPECT_TRUE(copy->ExportPublicKey().IsEmpty());
  EXPECT_TRUE(copy->ImportPrivateKey(exported, u"pässword"));
  EXPECT_EQ(VarToBytes(copy->ExportPublicKey()), VarToBytes(*alicePublic));
  EXPECT_TRUE(bob->VerifyData(copy->SignData(Arr({4, 5})), *alicePublic));
  // The blob keeps its header in clear text.
  const Bytes blob = VarToBytes(exported);
  EXPECT_EQ(Bytes(blob.begin(), blob.begin() + 8), ParseHex("0702000000240000"));
}

TEST_F(SignerTest, DamagedPrivateKeyBlobsAreRejectedAndKeepTheOldKey) {
  const Bytes blob = VarToBytes(alice->ExportPrivateKey(u""));
  ASSERT_EQ(blob.size(), 8u + 12u + 128u + 5 * 64u + 128u);
  Ref<TSigner> target = MakeRef<TSigner>();
  ASSERT_TRUE(target->ImportPrivateKey(Arr(VarToBytes(bob->ExportPrivateKey(u"x"))), u"x"));
  const Bytes bobKey = VarToBytes(target->ExportPublicKey());
  std::vector<Bytes> damaged = {{}, Bytes(blob.begin(), blob.begin() + 8), Bytes(blob.begin(), blob.end() - 1)};
  for (size_t at : std::initializer_list<size_t>{0, 1, 5, 8, 12, 16, 20, 100, 150, 200, 300, 500, blob.size() - 1}) {
    damaged.push_back(blob);
    damaged.back()[at] ^= 0x04;
  }
  for (const Bytes& d : damaged) {
    EXPECT_FALSE(target->ImportPrivateKey(Arr(d), u"")) << d.size();
    EXPECT_EQ(VarToBytes(target->ExportPublicKey()), bobKey);
  }
  EXPECT_FALSE(target->ImportPrivateKey(Variant(u"not a key"), u""));
  EXPECT_TRUE(target->ImportPrivateKey(Arr(blob), u""));
  EXPECT_EQ(VarToBytes(target->ExportPublicKey()), VarToBytes(*alicePublic));
}

TEST(SignerKeySizeTest, KeyLengthFollowsTheSizeArgument) {
  struct Case {
    int32_t size;
    int bits;  // 0: no key
  } cases[] = {{0, 512}, {512, 512}, {768, 768}, {1024, 1024}, {1000, 1000}, {100, 0}, {1023, 0}, {-1, 0}, {20000, 0}};
  for (const Case& c : cases) {
    Ref<TSigner> signer = MakeRef<TSigner>();
    EXPECT_EQ(signer->CreateKey(c.size), c.bits != 0) << c.size;
    const Bytes blob = VarToBytes(signer->ExportPublicKey());
    if (c.bits == 0) {
      EXPECT_TRUE(blob.empty()) << c.size;
      continue;
    }
    ASSERT_EQ(blob.size(), 20u + c.bits / 8) << c.size;
    EXPECT_EQ(blob[12] | blob[13] << 8, c.bits);
    EXPECT_TRUE(signer->VerifyData(signer->SignData(Arr({1})), Arr(blob)));
  }
}

TEST(SignerObjectTest, MemberTableMatchesTheInterface) {
  const InterfaceInfo& info = TSigner::Info();
  EXPECT_EQ(info.Name(), u"ISigner");
  EXPECT_EQ(info.Iid(), u"{953F577F-C5A9-49B3-A286-9F3E0A938C96}");
  struct Expected {
    DISPID id;
    const char16_t* name;
    VarType result;
    std::vector<std::pair<const char16_t*, bool>> params;  // name, optional
  } members[] = {
      {203, u"CreateKey", VT_BOOL, {{u"Size", true}}},
      {204, u"ExportPublicKey", VT_VARIANT, {}},
      {205, u"ExportPrivateKey", VT_VARIANT, {{u"Password", false}}},
      {207, u"ImportPrivateKey", VT_BOOL, {{u"PrivateKey", false}, {u"Password", false}}},
      {208, u"Sign", VT_VARIANT, {{u"Data", false}}},
      {209, u"VerifySign", VT_BOOL, {{u"Data", false}, {u"Sign", false}, {u"PublicKey", true}}},
      {210, u"SignData", VT_VARIANT, {{u"Data", false}}},
      {211, u"VerifyData", VT_BOOL, {{u"Data", false}, {u"PublicKey", true}}},
      {201, u"GetSignedData", VT_VARIANT, {{u"Data", false}, {u"PublicKey", true}}},
  };
  ASSERT_EQ(info.Members().size(), std::size(members));
  for (size_t i = 0; i < std::size(members); ++i) {
    const MemberInfo& m = info.Members()[i];
    EXPECT_EQ(m.id, members[i].id);
    EXPECT_EQ(m.name, members[i].name);
    EXPECT_EQ(m.method.result, members[i].result) << Utf8(m.name);
    ASSERT_EQ(m.method.params.size(), members[i].params.size()) << Utf8(m.name);
    for (size_t k = 0; k < m.method.params.size(); ++k) {
      EXPECT_EQ(m.method.params[k].name, members[i].params[k].first);
      EXPECT_EQ(m.method.params[k].optional, members[i].params[k].second);
    }
  }
  const ParamInfo& size = info.FindByName(u"createkey")->method.params[0];
  EXPECT_EQ(size.type, VT_I4);
  ASSERT_TRUE(size.defaultValue.has_value());
  EXPECT_EQ(size.defaultValue->Int(), 1024);
  EXPECT_EQ(info.FindByName(u"ExportPrivateKey")->method.params[0].type, VT_BSTR);
}

TEST(SignerObjectTest, OmittedSizeMakesA1024BitKeyThroughDispatch) {
  Ref<TSigner> signer = MakeRef<TSigner>();
  Variant result;
  ASSERT_EQ(InvokeByName(signer.get(), u"CreateKey", DISPATCH_METHOD, {}, &result), S_OK);
  EXPECT_TRUE(result.Bool());
  EXPECT_EQ(VarToBytes(signer->ExportPublicKey()).size(), 148u);
}

}  // namespace
}  // namespace ulka
