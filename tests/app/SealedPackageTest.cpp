// Sealed packages open lazily and give what decrypting everything gives: ranges decrypted on
// demand equal the same ranges of the whole decryption, an archive of many entries opens after
// decrypting little more than its records, and every entry reads back as it went in.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>

#include "app/PackageSource.h"
#include "app/SealedPackage.h"
#include "automation/ByteConvert.h"
#include "automation/Encodings.h"
#include "crypto/Cryptor.h"
#include "crypto/Signer.h"

namespace ulka {
namespace {

class SealedPackageTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    signer_ = MakeRef<TSigner>().Detach();
    ASSERT_TRUE(signer_->CreateKey(1024));
  }
  static void TearDownTestSuite() { signer_->Release(); }

  void SetUp() override {
    Bytes key(16), iv(16);
    for (int i = 0; i < 16; ++i) {
      key[i] = static_cast<uint8_t>(0x40 + i);
      iv[i] = static_cast<uint8_t>(0x90 - 5 * i);
    }
    keys_ = {Base64Encode(VarToBytes(signer_->ExportPublicKey())), Base64Encode(key), Base64Encode(iv)};
  }

  // "ULKA", then the zip encrypted and signed as ulka-pack seals it.
  Variant Seal(const Bytes& zip) {
    Ref<TCryptor> cryptor = MakeRef<TCryptor>();
    cryptor->SetCipher(u"twofish");
    Variant encrypted = cryptor->Encrypt(Variant::FromBytes(zip), Variant(keys_.Key), Variant(keys_.InitVector));
    Bytes sealed = {'U', 'L', 'K', 'A'};
    Bytes signed_ = VarToBytes(signer_->SignData(encrypted));
    sealed.insert(sealed.end(), signed_.begin(), signed_.end());
    return Variant::FromBytes(std::move(sealed));
  }

  static TSigner* signer_;
  PackageKeys keys_;
};

TSigner* SealedPackageTest::signer_ = nullptr;

Bytes RandomBytes(size_t size, std::mt19937& random) {
  Bytes bytes(size);
  for (auto& b : bytes) b = static_cast<uint8_t>(random() % 7 == 0 ? random() : 'a' + random() % 4);
  return bytes;
}

TEST_F(SealedPackageTest, RangesDecryptedOnDemandEqualTheWholeDecryption) {
  std::mt19937 random(5);
  const Bytes zip = RandomBytes(5000, random);  // any bytes will do: nothing reads them as a zip
  Variant sealed = Seal(zip);
  std::shared_ptr<SealedPackage> package = SealedPackage::Open(sealed, 4, keys_);
  ASSERT_TRUE(package);
  ASSERT_EQ(package->Extent().size(), zip.size());
  std::vector<std::pair<size_t, size_t>> ranges;  // start, count
  for (size_t boundary = 0; boundary <= 5000; boundary += 16) {
    ranges.push_back({boundary == 0 ? 0 : boundary - 1, boundary == 0 || boundary == 5000 ? 1 : 2});
  }
  ranges.push_back({0, 1});
  ranges.push_back({4999, 1});
  for (int i = 0; i < 100; ++i) {
    size_t start = random() % 5000;
    ranges.push_back({start, 1 + random() % (5000 - start)});
  }
  for (auto [start, count] : ranges) {
    package->Prepare(start, count);
    std::span<const uint8_t> part = package->Extent().subspan(start, count);
    ASSERT_TRUE(std::equal(part.begin(), part.end(), zip.begin() + static_cast<std::ptrdiff_t>(start)))
        << "range " << start << " + " << count;
  }
  EXPECT_THROW(package->Prepare(4999, 2), std::out_of_range);
}

TEST_F(SealedPackageTest, ManyEntriesOpenFromTheirRecordsAndReadBackWhole) {
  std::mt19937 random(11);
  Ref<TZip> original = MakeRef<TZip>();
  std::vector<std::pair<WideString, Bytes>> entries;
  for (int i = 0; i < 400; ++i) {
    WideString name = u"dir" + Wide(std::to_string(i % 7)) + u"/file" + Wide(std::to_string(i)) + u".txt";
    entries.push_back({name, RandomBytes(random() % 8000, random)});
    original->Add(name, Variant::FromBytes(entries.back().second));
  }
  const Bytes zip = VarToBytes(original->GetZip());
  Variant sealed = Seal(zip);

  std::shared_ptr<SealedPackage> package = SealedPackage::Open(sealed, 4, keys_);
  ASSERT_TRUE(package);
  Ref<TZip> lazy = MakeRef<TZip>();
  lazy->ZipFile().LoadFromSource(package);
  ASSERT_EQ(lazy->GetLength(), 400);
  // Opening decrypted the records and local headers, give or take a chunk at either end of each,
  // and no entry's data.
  size_t data = 0;
  for (const TLocalFile& entry : original->ZipFile().Files()) data += entry.CompressedData.size();
  const size_t records = zip.size() - data;
  EXPECT_LE(package->DecryptedBytes(), records + 400 * 2 * 64 + 128) << "records " << records;
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
    EXPECT_EQ(VarToBytes(lazy->Extract(it->first)), it->second) << Utf8(it->first);
  }
  EXPECT_EQ(VarToBytes(lazy->GetZip()), zip);  // the archive whole, byte for byte

  // The launcher's path gives the same archive.
  Ref<TZip> launched = MakeRef<TZip>();
  ASSERT_TRUE(LoadEmbeddedPackage(*launched, sealed, keys_));
  EXPECT_EQ(VarToBytes(launched->GetZip()), zip);
}

// Archives made by other tools, with data descriptors and extra fields, read lazily as they read
// from their plain bytes.
TEST_F(SealedPackageTest, ArchivesOfOtherToolsReadAsTheirPlainBytesDo) {
  for (const char* name : {"info_descriptor.zip", "info_stream.zip", "python_stream.zip", "info_extra.zip",
                           "descriptor_signature_in_data.zip"}) {
    SCOPED_TRACE(name);
    std::ifstream file(std::string(ULKA_ARCHIVE_FIXTURES) + "/" + name, std::ios::binary);
    const Bytes zip{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    ASSERT_FALSE(zip.empty());
    Ref<TZip> plain = MakeRef<TZip>();
    ASSERT_TRUE(plain->Load(Variant::FromBytes(zip)));
    Ref<TZip> lazy = MakeRef<TZip>();
    ASSERT_TRUE(LoadEmbeddedPackage(*lazy, Seal(zip), keys_));
    ASSERT_EQ(lazy->GetLength(), plain->GetLength());
    for (int32_t i = 0; i < plain->GetLength(); ++i) {
      EXPECT_EQ(lazy->GetNames(i), plain->GetNames(i));
      EXPECT_EQ(VarToBytes(lazy->GetBytes(i)), VarToBytes(plain->GetBytes(i)));
    }
    EXPECT_EQ(VarToBytes(lazy->GetZip()), VarToBytes(plain->GetZip()));
  }
}

}  // namespace
}  // namespace ulka
