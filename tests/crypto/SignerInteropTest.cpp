// Keys and signatures made here must stay interchangeable with CryptoAPI's. OpenSSL's own reader
// of the CryptoAPI blob format ("MSBLOB") and its command-line tools are the independent side.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <random>

#include "automation/ByteConvert.h"
#include "crypto/Signer.h"

namespace ulka {
namespace {

namespace fs = std::filesystem;

class SignerInteropTest : public testing::Test {
 protected:
  void SetUp() override {
    dir = fs::temp_directory_path() / ("ulka-signer-" + std::to_string(std::random_device{}()));
    fs::create_directories(dir);
  }
  void TearDown() override { if (!getenv("KEEP")) fs::remove_all(dir); }

  std::string Path(const char* name) const { return (dir / name).string(); }
  void Write(const char* name, const Bytes& bytes) const {
    std::ofstream(Path(name), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  }
  Bytes Read(const char* name) const {
    std::ifstream in(Path(name), std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
  }
  // Runs a shell command in the test's folder; true when it exits with 0.
  bool Run(const std::string& command) const {
    const std::string line = "cd '" + dir.string() + "' && (" + command + ") >log.txt 2>&1";
    const bool ok = std::system(line.c_str()) == 0;
    if (!ok) {
      std::ifstream log(Path("log.txt"));
      std::cerr << command << ":\n" << std::string(std::istreambuf_iterator<char>(log), {});
    }
    return ok;
  }
  static std::string Hex(const Bytes& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (uint8_t b : bytes) text += {digits[b >> 4], digits[b & 15]};
    return text;
  }
  static Bytes Reversed(Bytes bytes) { return Bytes(bytes.rbegin(), bytes.rend()); }

  fs::path dir;
};

TEST_F(SignerInteropTest, OpenSslReadsOurPublicKeyAndVerifiesOurSignature) {
  Ref<TSigner> signer = MakeRef<TSigner>();
  ASSERT_TRUE(signer->CreateKey(1024));
  const Bytes data = {'p', 'a', 'c', 'k', 'a', 'g', 'e', 0, 1, 2};
  Write("pub.blob", VarToBytes(signer->ExportPublicKey()));
  Write("data.bin", data);
  Write("sig.bin", Reversed(VarToBytes(signer->Sign(Variant::FromBytes(data)))));
  ASSERT_TRUE(Run("openssl rsa -pubin -inform MSBLOB -in pub.blob -out pub.pem"));
  EXPECT_TRUE(Run("openssl dgst -md5 -verify pub.pem -signature sig.bin data.bin"));
  // And the check can fail: a signature over other data does not verify.
  Write("other.bin", {1, 2, 3});
  EXPECT_FALSE(Run("openssl dgst -md5 -verify pub.pem -signature sig.bin other.bin"));
}

TEST_F(SignerInteropTest, WeVerifyOpenSslSignaturesUnderItsPublicKeyBlob) {
  ASSERT_TRUE(Run("openssl genrsa -out key.pem 1024"));
  ASSERT_TRUE(Run("openssl rsa -in key.pem -pubout -outform MSBLOB -out pub.blob"));
  Write("data.bin", {5, 4, 3, 2, 1});
  ASSERT_TRUE(Run("openssl dgst -md5 -sign key.pem -out sig.bin data.bin"));
  Ref<TSigner> signer = MakeRef<TSigner>();
  const Variant publicKey = Variant::FromBytes(Read("pub.blob"));
  EXPECT_TRUE(signer->VerifySign(Variant::FromBytes({5, 4, 3, 2, 1}), Variant::FromBytes(Reversed(Read("sig.bin"))), publicKey));
  // The octet string as OpenSSL writes it is not CryptoAPI's byte order.
  EXPECT_FALSE(signer->VerifySign(Variant::FromBytes({5, 4, 3, 2, 1}), Variant::FromBytes(Read("sig.bin")), publicKey));
}

// The private key blob after the clear BLOBHEADER is RC4-encrypted under the first 5 bytes of
// SHA-1(password) followed by 11 zero bytes, the base provider's salted 40-bit key.
TEST_F(SignerInteropTest, PrivateKeyBlobDecryptsWithTheBaseProviderPasswordKey) {
  Ref<TSigner> signer = MakeRef<TSigner>();
  ASSERT_TRUE(signer->CreateKey(1024));
  const Bytes blob = VarToBytes(signer->ExportPrivateKey(u"secret"));
  ASSERT_GT(blob.size(), 8u);
  Write("header.bin", Bytes(blob.begin(), blob.begin() + 8));
  Write("body.enc", Bytes(blob.begin() + 8, blob.end()));
  Write("pub.blob", VarToBytes(signer->ExportPublicKey()));
  Write("password.txt", {'s', 'e', 'c', 'r', 'e', 't'});
  const std::string key = "$(openssl dgst -sha1 -binary password.txt | head -c 5 | od -An -tx1 | tr -d ' \\n')0000000000000000000000";
  ASSERT_TRUE(Run("openssl enc -d -rc4 -provider legacy -provider default -K " + key + " -in body.enc -out body.bin"));
  ASSERT_TRUE(Run("cat header.bin body.bin > private.blob"));
  ASSERT_TRUE(Run("openssl rsa -inform MSBLOB -in private.blob -check -noout"));
  ASSERT_TRUE(Run("openssl rsa -inform MSBLOB -in private.blob -pubout -outform MSBLOB -out derived.blob"));
  // OpenSSL labels every key it writes CALG_RSA_KEYX; the key itself must be the same.
  const Bytes derived = Read("derived.blob"), ours = Read("pub.blob");
  ASSERT_EQ(derived.size(), ours.size());
  EXPECT_EQ(Bytes(derived.begin() + 8, derived.end()), Bytes(ours.begin() + 8, ours.end()));
}

TEST_F(SignerInteropTest, ImportsAKeyOpenSslWroteAndEncryptedThatWay) {
  ASSERT_TRUE(Run("openssl genrsa -out key.pem 1024"));
  ASSERT_TRUE(Run("openssl rsa -in key.pem -outform MSBLOB -out private.blob"));
  ASSERT_TRUE(Run("openssl rsa -in key.pem -pubout -outform MSBLOB -out pub.blob"));
  ASSERT_TRUE(Run("head -c 8 private.blob > header.bin && tail -c +9 private.blob > body.bin"));
  Write("password.txt", {'k', 'e', 'y'});
  const std::string key = "$(openssl dgst -sha1 -binary password.txt | head -c 5 | od -An -tx1 | tr -d ' \\n')0000000000000000000000";
  ASSERT_TRUE(Run("openssl enc -rc4 -provider legacy -provider default -K " + key + " -in body.bin -out body.enc"));
  ASSERT_TRUE(Run("cat header.bin body.enc > encrypted.blob"));

  Ref<TSigner> signer = MakeRef<TSigner>();
  ASSERT_TRUE(signer->ImportPrivateKey(Variant::FromBytes(Read("encrypted.blob")), u"key"));
  EXPECT_EQ(VarToBytes(signer->ExportPublicKey()).size(), Read("pub.blob").size());
  const Bytes data = {7, 7, 7};
  Write("data.bin", data);
  Write("sig.bin", Reversed(VarToBytes(signer->Sign(Variant::FromBytes(data)))));
  EXPECT_TRUE(Run("openssl dgst -md5 -prverify key.pem -signature sig.bin data.bin"));
}

}  // namespace
}  // namespace ulka
