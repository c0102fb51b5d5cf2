#include "crypto/Cryptor.h"

#include <gcrypt.h>
#include <gtest/gtest.h>
#include <nettle/twofish.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <stdexcept>

#include "automation/ByteConvert.h"
#include "automation/Dispatch.h"
#include "crypto/Twofish.h"
#include "tests/crypto/VectorFile.h"

namespace ulka {
namespace {

using test::ParseHex;

const size_t kLengths[] = {0, 1, 2, 15, 16, 17, 31, 32, 33, 255, 1000};

Bytes RandomBytes(size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  Bytes bytes(size);
  for (auto& b : bytes) b = static_cast<uint8_t>(random());
  return bytes;
}

// CFB-8 written plainly around nettle's block cipher: shift the register, append the ciphertext.
Bytes NettleCfb8(const Bytes& data, const Bytes& key, const Bytes& iv, bool decrypt) {
  twofish_ctx ctx;
  twofish_set_key(&ctx, key.size(), key.data());
  uint8_t reg[16], block[16];
  std::memcpy(reg, iv.data(), 16);
  Bytes out(data.size());
  for (size_t i = 0; i < data.size(); ++i) {
    twofish_encrypt(&ctx, 16, block, reg);
    out[i] = data[i] ^ block[0];
    std::memmove(reg, reg + 1, 15);
    reg[15] = decrypt ? data[i] : out[i];
  }
  return out;
}

Bytes GcryptCfb8(const Bytes& data, const Bytes& key, const Bytes& iv, bool decrypt) {
  const int algorithm = key.size() == 16 ? GCRY_CIPHER_TWOFISH128 : GCRY_CIPHER_TWOFISH;
  gcry_cipher_hd_t handle;
  EXPECT_EQ(gcry_cipher_open(&handle, algorithm, GCRY_CIPHER_MODE_CFB8, 0), 0u);
  EXPECT_EQ(gcry_cipher_setkey(handle, key.data(), key.size()), 0u);
  EXPECT_EQ(gcry_cipher_setiv(handle, iv.data(), iv.size()), 0u);
  Bytes out(data.size());
  if (!data.empty()) {
    const auto rc = decrypt ? gcry_cipher_decrypt(handle, out.data(), out.size(), data.data(), data.size())
                            : gcry_cipher_encrypt(handle, out.data(), out.size(), data.data(), data.size());
    EXPECT_EQ(rc, 0u);
  }
  gcry_cipher_close(handle);
  return out;
}

Bytes Twofish(const Bytes& data, const Bytes& key, const Bytes& iv, CipherDirection direction) {
  std::optional<Bytes> out = TwofishCfb8(data, key, iv, direction);
  EXPECT_TRUE(out.has_value());
  return out.value_or(Bytes{});
}

TEST(CryptorTest, TwofishStreamMatchesNettleForEveryKeySize) {
  for (size_t keySize : {16u, 24u, 32u}) {
    const Bytes key = RandomBytes(keySize, 1), iv = RandomBytes(16, 2);
    for (size_t length : kLengths) {
      SCOPED_TRACE(testing::Message() << "key " << keySize << ", length " << length);
      const Bytes plain = RandomBytes(length, 3);
      const Bytes cipher = Twofish(plain, key, iv, CipherDirection::Encrypt);
      EXPECT_EQ(cipher, NettleCfb8(plain, key, iv, false));
      EXPECT_EQ(Twofish(cipher, key, iv, CipherDirection::Decrypt), plain);
      EXPECT_EQ(NettleCfb8(cipher, key, iv, true), plain);
    }
  }
}

TEST(CryptorTest, TwofishStreamMatchesLibgcryptCfb8) {
  ASSERT_TRUE(gcry_check_version(nullptr));
  for (size_t keySize : {16u, 32u}) {
    const Bytes key = RandomBytes(keySize, 11), iv = RandomBytes(16, 12);
    for (size_t length : kLengths) {
      SCOPED_TRACE(testing::Message() << "key " << keySize << ", length " << length);
      const Bytes plain = RandomBytes(length, 13);
      const Bytes cipher = Twofish(plain, key, iv, CipherDirection::Encrypt);
      EXPECT_EQ(cipher, GcryptCfb8(plain, key, iv, false));
      EXPECT_EQ(Twofish(cipher, key, iv, CipherDirection::Decrypt), GcryptCfb8(cipher, key, iv, true));
    }
  }
}

TEST(CryptorTest, ShortKeysAreZeroPaddedToTheNextKeySize) {
  const Bytes plain = RandomBytes(40, 21), iv = RandomBytes(16, 22);
  struct Case {
    size_t given, padded;
  } cases[] = {{1, 16}, {5, 16}, {16, 16}, {17, 24}, {24, 24}, {25, 32}, {31, 32}};
  for (const Case& c : cases) {
    const Bytes key = RandomBytes(c.given, 23);
    Bytes padded = key;
    padded.resize(c.padded, 0);
    EXPECT_EQ(Twofish(plain, key, iv, CipherDirection::Encrypt), NettleCfb8(plain, padded, iv, false)) << c.given;
  }
  // Zero padding does not make a 128-bit key equal to the 192-bit key it pads to.
  const Bytes key16 = RandomBytes(16, 24);
  Bytes key24 = key16;
  key24.resize(24, 0);
  EXPECT_NE(Twofish(plain, key16, iv, CipherDirection::Encrypt), Twofish(plain, key24, iv, CipherDirection::Encrypt));
}

TEST(CryptorTest, KeysOutsideOneTo32BytesGiveNothing) {
  const Bytes plain = RandomBytes(10, 31);
  EXPECT_FALSE(TwofishCfb8(plain, Bytes{}, {}, CipherDirection::Encrypt));
  EXPECT_FALSE(TwofishCfb8(plain, Bytes(33, 1), {}, CipherDirection::Decrypt));
}

TEST(CryptorTest, MissingInitVectorIsTheEncryptionOfAllOnes) {
  const Bytes key = RandomBytes(16, 41), plain = RandomBytes(50, 42);
  Bytes iv(16, 0xFF);
  ulka::Twofish(key).EncryptBlock(iv.data(), iv.data());
  EXPECT_EQ(Twofish(plain, key, {}, CipherDirection::Encrypt), Twofish(plain, key, iv, CipherDirection::Encrypt));
}

TEST(CryptorTest, InitVectorUsesItsFirst16BytesAndZeroPadsAShortOne) {
  const Bytes key = RandomBytes(32, 51), plain = RandomBytes(50, 52);
  const Bytes longIv = RandomBytes(24, 53);
  EXPECT_EQ(Twofish(plain, key, longIv, CipherDirection::Encrypt),
            NettleCfb8(plain, key, Bytes(longIv.begin(), longIv.begin() + 16), false));
  const Bytes shortIv = {1, 2, 3};
  Bytes padded = shortIv;
  padded.resize(16, 0);
  EXPECT_EQ(Twofish(plain, key, shortIv, CipherDirection::Encrypt), NettleCfb8(plain, key, padded, false));
}

// Any range decrypted alone equals the same range of the whole decryption: ranges at the start
// (inside the initial vector's reach), at the end, across every 16-byte boundary, and at random.
TEST(CryptorTest, RangesDecryptAloneAsTheyDoInTheWhole) {
  struct KeySet {
    Bytes key, iv;
  };
  const KeySet keySets[] = {{RandomBytes(16, 71), RandomBytes(16, 72)},
                            {RandomBytes(5, 73), {}},              // padded key, derived vector
                            {RandomBytes(32, 74), {9, 8, 7}}};     // short vector
  const Bytes ciphertext = RandomBytes(1000, 75);
  std::mt19937 random(76);
  for (const KeySet& k : keySets) {
    const Bytes whole = Twofish(ciphertext, k.key, k.iv, CipherDirection::Decrypt);
    TwofishCfb8Decryptor decryptor(k.key, k.iv);
    std::vector<std::pair<size_t, size_t>> ranges;  // start, end
    for (size_t start = 0; start <= 20; ++start) ranges.push_back({start, start + 3});
    for (size_t end = 990; end <= 1000; ++end) ranges.push_back({end - 7, end});
    for (size_t boundary = 16; boundary < 1000; boundary += 16) {
      ranges.push_back({boundary - 1, boundary + 1});
      ranges.push_back({boundary, std::min<size_t>(boundary + 17, 1000)});
      ranges.push_back({boundary - 15, boundary});
    }
    for (int i = 0; i < 200; ++i) {
      size_t a = random() % 1001, b = random() % 1001;
      ranges.push_back({std::min(a, b), std::max(a, b)});
    }
    ranges.push_back({0, 1000});
    for (auto [start, end] : ranges) {
      Bytes part(end - start);
      decryptor.Decrypt(ciphertext, start, part);
      ASSERT_TRUE(std::equal(part.begin(), part.end(), whole.begin() + static_cast<std::ptrdiff_t>(start)))
          << "range " << start << " to " << end << ", key of " << k.key.size() << " bytes";
    }
  }
  TwofishCfb8Decryptor decryptor(RandomBytes(16, 77), {});
  Bytes two(2);
  EXPECT_THROW(decryptor.Decrypt(ciphertext, 999, two), std::out_of_range);
  EXPECT_THROW(TwofishCfb8Decryptor(Bytes(33, 1), {}), std::invalid_argument);
  EXPECT_THROW(TwofishCfb8Decryptor(Bytes{}, {}), std::invalid_argument);
}

TEST(CryptorTest, EveryCallRestartsFromTheInitVector) {
  const Bytes key = RandomBytes(16, 61), iv = RandomBytes(16, 62);
  const Bytes d1 = RandomBytes(20, 63), d2 = RandomBytes(30, 64);
  Bytes both = d1;
  both.insert(both.end(), d2.begin(), d2.end());
  const Bytes first = Twofish(d1, key, iv, CipherDirection::Encrypt);
  const Bytes joined = Twofish(both, key, iv, CipherDirection::Encrypt);
  EXPECT_EQ(Bytes(joined.begin(), joined.begin() + 20), first);
  EXPECT_EQ(Twofish(d1, key, iv, CipherDirection::Encrypt), first);
}

// The scriptable object, through its dispatch interface as a script reaches it.
class CryptorObjectTest : public testing::Test {
 protected:
  Variant Call(std::u16string_view member, std::vector<Variant> args, HRESULT expected = S_OK) {
    Variant result;
    EXPECT_EQ(InvokeByName(cryptor.get(), member, DISPATCH_METHOD, args, &result), expected) << Utf8(member);
    return result;
  }
  Variant GetCipher() {
    Variant result;
    EXPECT_EQ(InvokeByName(cryptor.get(), u"Cipher", DISPATCH_PROPERTYGET, {}, &result), S_OK);
    return result;
  }
  void PutCipher(const char16_t* name) {
    std::vector<Variant> args{Variant(name)};
    Variant result;
    EXPECT_EQ(InvokeByName(cryptor.get(), u"Cipher", DISPATCH_PROPERTYPUT, args, &result), S_OK);
  }
  static Variant Hex(const char* hex) { return Variant(WideString(u"0x") + Wide(hex)); }
  static Bytes BytesOf(const Variant& v) {
    EXPECT_TRUE(v.IsByteArray());
    return VarToBytes(v);
  }

  Ref<TCryptor> cryptor = MakeRef<TCryptor>();
};

TEST_F(CryptorObjectTest, XorCases) {
  struct Case {
    const char* data;
    const char* key;
    const char* expected;
  } cases[] = {
      {"010203", "FF", "FEFDFC"},
      {"FEFDFC", "FF", "010203"},
      {"0102", "10203040", "1122"},  // a key longer than the data
      {"0000000000", "0102", "0102010201"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(BytesOf(Call(u"Encrypt", {Hex(c.data), Hex(c.key)})), ParseHex(c.expected)) << c.data;
    EXPECT_EQ(BytesOf(Call(u"Decrypt", {Hex(c.data), Hex(c.key)})), ParseHex(c.expected)) << c.data;
  }
}

TEST_F(CryptorObjectTest, XorWithAnEmptyKeyFailsUnlessTheDataIsEmpty) {
  std::vector<Variant> args{Hex("0102"), Variant()};
  Variant result;
  ExcepInfo excep;
  DISPID id;
  ASSERT_EQ(GetDispatchId(cryptor.get(), u"Encrypt", id), S_OK);
  DispParams params{args, {}};
  EXPECT_EQ(cryptor->Invoke(id, DISPATCH_METHOD, params, &result, &excep), DISP_E_EXCEPTION);
  EXPECT_EQ(excep.description, u"Division by zero");
  EXPECT_TRUE(Call(u"Encrypt", {Variant(), Variant()}).IsEmpty());
}

TEST_F(CryptorObjectTest, EmptyDataGivesEmptyForBothCiphers) {
  for (const char16_t* cipher : {u"xor", u"twofish"}) {
    PutCipher(cipher);
    EXPECT_TRUE(Call(u"Encrypt", {Variant(), Hex("00112233445566778899AABBCCDDEEFF")}).IsEmpty());
    EXPECT_TRUE(Call(u"Decrypt", {Variant::FromBytes({}), Hex("0011")}).IsEmpty());
  }
}

TEST_F(CryptorObjectTest, CipherNamesIgnoreCaseAndUnknownNamesAreIgnored) {
  EXPECT_EQ(GetCipher().Text(), u"xor");
  PutCipher(u"TWOFISH");
  EXPECT_EQ(GetCipher().Text(), u"twofish");
  PutCipher(u"aes");
  EXPECT_EQ(GetCipher().Text(), u"twofish");
  PutCipher(u"Xor");
  EXPECT_EQ(GetCipher().Text(), u"xor");
}

TEST_F(CryptorObjectTest, TwofishRoundTripsThroughEveryKeyForm) {
  PutCipher(u"twofish");
  const Bytes plain = RandomBytes(37, 71), key = RandomBytes(16, 72), iv = RandomBytes(16, 73);
  // Hexadecimal text, Base64 text and a byte array give the same key.
  const Variant keys[] = {Variant::FromBytes(key), Hex("000102030405060708090A0B0C0D0E0F"),
                          Variant(u"AAECAwQFBgcICQoLDA0ODw==")};
  const Bytes sequentialKey = ParseHex("000102030405060708090A0B0C0D0E0F");
  for (size_t i = 0; i < std::size(keys); ++i) {
    const Bytes& expectedKey = i == 0 ? key : sequentialKey;
    const Variant cipher = Call(u"Encrypt", {Variant::FromBytes(plain), keys[i], Variant::FromBytes(iv)});
    EXPECT_EQ(BytesOf(cipher), NettleCfb8(plain, expectedKey, iv, false)) << i;
    EXPECT_EQ(BytesOf(Call(u"Decrypt", {cipher, keys[i], Variant::FromBytes(iv)})), plain) << i;
  }
}

TEST_F(CryptorObjectTest, TwofishFailuresAnswerEmpty) {
  PutCipher(u"twofish");
  const Variant data = Variant::FromBytes(RandomBytes(8, 81));
  EXPECT_TRUE(Call(u"Encrypt", {data, Variant()}).IsEmpty());
  EXPECT_TRUE(Call(u"Encrypt", {data, Variant::FromBytes(Bytes(33, 1))}).IsEmpty());
  EXPECT_TRUE(Call(u"Decrypt", {data, Variant(u"")}).IsEmpty());
}

TEST_F(CryptorObjectTest, MemberTableMatchesTheInterface) {
  const InterfaceInfo& info = TCryptor::Info();
  EXPECT_EQ(info.Name(), u"ICryptor");
  EXPECT_EQ(info.Iid(), u"{02E66559-73F9-4CF6-B4F7-3E04D7006B78}");
  struct Expected {
    DISPID id;
    const char16_t* name;
    std::vector<std::pair<const char16_t*, bool>> params;  // name, optional
  } members[] = {
      {201, u"Encrypt", {{u"Data", false}, {u"Key", false}, {u"InitVector", true}}},
      {202, u"Decrypt", {{u"Data", false}, {u"Key", false}, {u"InitVector", true}}},
      {203, u"Cipher", {}},
  };
  ASSERT_EQ(info.Members().size(), std::size(members));
  for (size_t i = 0; i < std::size(members); ++i) {
    const MemberInfo& m = info.Members()[i];
    EXPECT_EQ(m.id, members[i].id);
    EXPECT_EQ(m.name, members[i].name);
    const Accessor& a = m.method ? m.method : m.get;
    ASSERT_EQ(a.params.size(), members[i].params.size()) << Utf8(m.name);
    for (size_t k = 0; k < a.params.size(); ++k) {
      EXPECT_EQ(a.params[k].name, members[i].params[k].first);
      EXPECT_EQ(a.params[k].optional, members[i].params[k].second);
      EXPECT_EQ(a.params[k].type, VT_VARIANT);
    }
  }
  const MemberInfo* cipher = info.FindById(203);
  EXPECT_TRUE(cipher->IsPlainProperty() && cipher->put);
  EXPECT_EQ(cipher->get.result, VT_BSTR);
}

}  // namespace
}  // namespace ulka
