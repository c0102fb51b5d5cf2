#include "archive/ZipFile.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "archive/Deflate.h"
#include "ZipBytes.h"

namespace ulka {
namespace {

using test::BuildArchive;
using test::FixturePath;
using test::RawEntry;
using test::ToBytes;

Bytes Deflated(const Bytes& data) { return RawDeflate(data); }

Bytes Saved(TZipFile& zip) {
  Bytes out;
  zip.SaveToBytes(out);
  return out;
}

// A scratch folder removed when the test ends.
struct TempDir {
  std::filesystem::path path;
  TempDir() {
    char templ[] = "/tmp/ulka-zip-XXXXXX";
    path = mkdtemp(templ);
  }
  ~TempDir() { std::filesystem::remove_all(path); }
  std::string File(const std::string& name) const { return (path / name).string(); }
};

bool RunQuietly(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

// ---- archives made by other tools

struct FixtureCase {
  const char* file;
  std::vector<std::pair<std::string, std::string>> entries;  // name, source file (empty: none)
  std::string comment;
};

void PrintTo(const FixtureCase& c, std::ostream* os) { *os << c.file; }

class ZipFileFixtureTest : public ::testing::TestWithParam<FixtureCase> {};

TEST_P(ZipFileFixtureTest, LoadsAndExtractsEveryEntry) {
  const FixtureCase& c = GetParam();
  TZipFile zip;
  zip.LoadFromFile(FixturePath(c.file));
  ASSERT_EQ(zip.Count(), static_cast<int>(c.entries.size()));
  for (int i = 0; i < zip.Count(); ++i) {
    EXPECT_EQ(zip.EntryName(i), c.entries[i].first);
    Bytes expected = test::ReadFile(FixturePath("src/" + c.entries[i].second));
    EXPECT_EQ(zip.ExtractEntry(i), expected) << c.entries[i].first;
  }
  EXPECT_EQ(zip.ZipFileComment(), c.comment);
}

TEST_P(ZipFileFixtureTest, WrittenBackTestsCleanWithUnzipAndPython) {
  const FixtureCase& c = GetParam();
  TZipFile zip;
  zip.LoadFromFile(FixturePath(c.file));
  TempDir dir;
  std::string out = dir.File("copy.zip");
  zip.SaveToFile(out);
  EXPECT_TRUE(RunQuietly("unzip -tq " + out));
  EXPECT_TRUE(RunQuietly("python3 -c \"import zipfile,sys; sys.exit(zipfile.ZipFile('" + out +
                  "').testzip() is not None)\""));
  TZipFile again;
  again.LoadFromFile(out);
  ASSERT_EQ(again.Count(), zip.Count());
  for (int i = 0; i < zip.Count(); ++i) EXPECT_EQ(again.ExtractEntry(i), zip.ExtractEntry(i));
  EXPECT_EQ(again.ZipFileComment(), c.comment);
}

INSTANTIATE_TEST_SUITE_P(
    ZipTools, ZipFileFixtureTest,
    ::testing::Values(
        FixtureCase{"info_plain.zip", {{"hello.txt", "hello.txt"}, {"random.bin", "random.bin"}}, ""},
        FixtureCase{"info_extra.zip", {{"hello.txt", "hello.txt"}, {"random.bin", "random.bin"}}, "archive comment"},
        FixtureCase{"info_descriptor.zip", {{"hello.txt", "hello.txt"}, {"random.bin", "random.bin"}}, ""},
        FixtureCase{"info_stream.zip", {{"hello.txt", "hello.txt"}, {"random.bin", "random.bin"}}, ""},
        FixtureCase{"python_plain.zip", {{"dir/hello.txt", "hello.txt"}, {"random.bin", "random.bin"}}, "python comment"},
        FixtureCase{"python_stream.zip", {{"hello.txt", "hello.txt"}, {"random.bin", "random.bin"}}, ""}),
    [](const auto& info) {
      std::string name = info.param.file;
      return name.substr(0, name.find('.'));
    });

TEST(ZipFileRead, StoredAndDeflatedEntriesKeepTheirMethod) {
  TZipFile zip;
  zip.LoadFromFile(FixturePath("info_plain.zip"));
  EXPECT_EQ(+zip.Files()[0].CommonFileHeader.CompressionMethod, 8);
  EXPECT_EQ(+zip.Files()[1].CommonFileHeader.CompressionMethod, 0);
}

TEST(ZipFileRead, ExtraFieldsAndCommentsAreKeptAsRead) {
  TZipFile zip;
  zip.LoadFromFile(FixturePath("info_extra.zip"));
  EXPECT_FALSE(zip.Files()[0].extrafield.empty());
  EXPECT_FALSE(zip.CentralDirectory()[0].extrafield.empty());
  EXPECT_NE(zip.Files()[0].extrafield, zip.CentralDirectory()[0].extrafield);
  Bytes out = Saved(zip);
  TZipFile again;
  again.LoadFromMemory(out);
  EXPECT_EQ(again.Files()[0].extrafield, zip.Files()[0].extrafield);
  EXPECT_EQ(again.CentralDirectory()[0].extrafield, zip.CentralDirectory()[0].extrafield);
  zip.LoadFromFile(FixturePath("python_plain.zip"));
  EXPECT_EQ(zip.CentralDirectory()[0].fileComment, "entry comment");
}

TEST(ZipFileRead, DescriptorWithWideSizesFromStandardInput) {
  TZipFile zip;
  zip.LoadFromFile(FixturePath("info_stdin.zip"));
  ASSERT_EQ(zip.Count(), 1);
  EXPECT_EQ(zip.EntryName(0), "-");
  EXPECT_EQ(zip.ExtractEntry(0), test::ReadFile(FixturePath("src/hello.txt")));
}

// With a central directory, a descriptor entry's data runs as far as the directory says, even
// when the data holds the descriptor's signature.
TEST(ZipFileRead, DescriptorSignatureInsideDataDoesNotCutTheEntry) {
  TZipFile zip;
  zip.LoadFromFile(FixturePath("descriptor_signature_in_data.zip"));
  ASSERT_EQ(zip.Count(), 2);
  Bytes tricky;
  for (int i = 0; i < 3; ++i) {
    Bytes part = ToBytes(std::string("abcPK\x07\x08" "defgh", 12));
    tricky.insert(tricky.end(), part.begin(), part.end());
  }
  EXPECT_EQ(zip.ExtractEntry(0), tricky);
  EXPECT_EQ(+zip.Files()[0].CommonFileHeader.FileDescriptor.CompressedSize, 36u);
  EXPECT_EQ(zip.EntryName(1), "after.txt");
  EXPECT_EQ(zip.ExtractEntry(1), test::ReadFile(FixturePath("src/hello.txt")));
}

TEST(ZipFileRead, CentralSizesAllowForAPrefixAndUnsignedDescriptors) {
  Bytes prefixed(8, 'x');
  Bytes fixture = test::ReadFile(FixturePath("descriptor_signature_in_data.zip"));
  prefixed.insert(prefixed.end(), fixture.begin(), fixture.end());
  TZipFile zip;
  zip.LoadFromMemory(prefixed);
  ASSERT_EQ(zip.Count(), 2);
  EXPECT_EQ(zip.Files()[0].CompressedData.size(), 36u);
  EXPECT_EQ(zip.EntryName(1), "after.txt");

  RawEntry unsigned1{"u.bin", ToBytes(std::string("xyPK\x07\x08zz", 8))};
  unsigned1.flags = 8;
  unsigned1.descriptor = true;
  unsigned1.descriptorSigned = false;
  RawEntry next{"n.txt", ToBytes("next")};
  zip.LoadFromMemory(BuildArchive({unsigned1, next}));
  ASSERT_EQ(zip.Count(), 2);
  EXPECT_EQ(zip.ExtractEntry(0), ToBytes(std::string("xyPK\x07\x08zz", 8)));
  EXPECT_EQ(zip.ExtractEntry(1), ToBytes("next"));
}

// Without sizes to go by, the data runs to the first signature.
TEST(ZipFileRead, WithoutCentralDirectoryTheDescriptorIsFoundByScanning) {
  RawEntry e{"a.bin", ToBytes(std::string("abcPK\x07\x08" "defgh", 12))};
  e.flags = 8;
  e.descriptor = true;
  TZipFile zip;
  zip.LoadFromMemory(BuildArchive({e}, false));
  ASSERT_EQ(zip.Count(), 1);
  EXPECT_EQ(zip.Files()[0].CompressedData, ToBytes("abc"));

  RawEntry plain{"b.txt", ToBytes("plain data")};
  plain.flags = 8;
  plain.descriptor = true;
  zip.LoadFromMemory(BuildArchive({plain, plain}, false));
  ASSERT_EQ(zip.Count(), 2);
  EXPECT_EQ(zip.ExtractEntry(1), ToBytes("plain data"));
}

TEST(ZipFileRead, DescriptorEntryIsWrittenBackWithZeroSizesAndADescriptor) {
  TZipFile zip;
  zip.LoadFromFile(FixturePath("info_descriptor.zip"));
  const TFileDescriptor fd = zip.Files()[0].CommonFileHeader.FileDescriptor;
  EXPECT_EQ(+fd.UncompressedSize, 24u);
  Bytes out = Saved(zip);
  TCommonFileHeader header;
  std::memcpy(&header, out.data() + 4, sizeof header);
  EXPECT_TRUE(header.GeneralPurposeBitFlag & 8);
  EXPECT_EQ(+header.FileDescriptor.Crc32, 0u);
  EXPECT_EQ(+header.FileDescriptor.CompressedSize, 0u);
  EXPECT_EQ(+header.FileDescriptor.UncompressedSize, 0u);
  size_t descriptorAt = 30 + header.FilenameLength + header.ExtraFieldLength + fd.CompressedSize;
  uint32_t signature;
  TFileDescriptor written;
  std::memcpy(&signature, out.data() + descriptorAt, 4);
  std::memcpy(&written, out.data() + descriptorAt + 4, sizeof written);
  EXPECT_EQ(signature, kDataDescriptorSignature);
  EXPECT_EQ(+written.Crc32, +fd.Crc32);
  EXPECT_EQ(+written.CompressedSize, +fd.CompressedSize);
}

TEST(ZipFileRead, PrefixIsSkippedOnlyInStepsOfFour) {
  Bytes archive = BuildArchive({RawEntry{"a.txt", ToBytes("A")}});
  TZipFile zip;
  Bytes four(8, 'x');
  four.insert(four.end(), archive.begin(), archive.end());
  zip.LoadFromMemory(four);
  ASSERT_EQ(zip.Count(), 1);
  EXPECT_EQ(zip.ExtractEntry(0), ToBytes("A"));

  Bytes three(3, 'x');
  three.insert(three.end(), archive.begin(), archive.end());
  zip.RenameEntry(0, "kept.txt");
  zip.LoadFromMemory(three);
  ASSERT_EQ(zip.Count(), 1);
  EXPECT_EQ(zip.EntryName(0), "kept.txt");
}

TEST(ZipFileRead, CentralRecordsAreMatchedByPositionAndMissingOnesAreMade) {
  Bytes two = BuildArchive({RawEntry{"a.txt", ToBytes("A")}, RawEntry{"b.txt", ToBytes("B")}});
  Bytes one = BuildArchive({RawEntry{"a.txt", ToBytes("A")}});
  // Local entries of `two`, then the central directory of `one`.
  size_t localsOfTwo = 2 * (30 + 5 + 1);
  Bytes mixed(two.begin(), two.begin() + localsOfTwo);
  mixed.insert(mixed.end(), one.begin() + 36, one.end());
  TZipFile zip;
  zip.LoadFromMemory(mixed);
  ASSERT_EQ(zip.Count(), 2);
  ASSERT_EQ(zip.CentralDirectory().size(), 2u);
  EXPECT_EQ(zip.CentralDirectory()[1].filename, "b.txt");
  EXPECT_EQ(zip.CentralDirectory()[1].CentralFileHeaderSignature, kCentralFileHeaderSignature);

  // More central records than entries: the extra ones are dropped.
  Bytes extra(one.begin(), one.begin() + 36);
  extra.insert(extra.end(), two.begin() + localsOfTwo, two.end());
  zip.LoadFromMemory(extra);
  ASSERT_EQ(zip.Count(), 1);
  EXPECT_EQ(zip.CentralDirectory().size(), 1u);
}

// ---- damaged and hostile input

TEST(ZipFileHostile, EveryTruncationLoadsWhatIsCompleteAndNeverCrashes) {
  Bytes archive = test::ReadFile(FixturePath("info_descriptor.zip"));
  for (size_t length = 0; length < archive.size(); ++length) {
    TZipFile zip;
    zip.LoadFromMemory(std::span<const uint8_t>(archive.data(), length));
    ASSERT_LE(zip.Count(), 2);
    for (int i = 0; i < zip.Count(); ++i) {
      EXPECT_NO_THROW(zip.ExtractEntry(i)) << "length " << length;  // complete entries only
    }
    Bytes out = Saved(zip);
    EXPECT_FALSE(out.empty());
  }
}

struct HostileCase {
  const char* what;
  Bytes data;
  int count;
};

std::vector<HostileCase> HostileCases() {
  RawEntry huge{"huge.bin", ToBytes("tiny")};
  huge.compressedSize = 0xFFFFFFFF;
  RawEntry never{"never.bin", ToBytes("no descriptor follows")};
  never.flags = 8;
  RawEntry dots{"../../etc/passwd", ToBytes("root")};
  Bytes garbage(1000, 0xA5);
  Bytes onlySignatures;
  for (int i = 0; i < 100; ++i) test::Put32(onlySignatures, 0x04034B50);
  return {
      {"local header claiming 4 GB", BuildArchive({huge}), 0},
      {"descriptor that never comes", BuildArchive({never}, false), 0},
      {"name with dot-dot", BuildArchive({dots}), 1},
      {"garbage", garbage, 0},
      {"signatures only", onlySignatures, 0},
  };
}

TEST(ZipFileHostile, Table) {
  for (const HostileCase& c : HostileCases()) {
    TZipFile zip;
    zip.LoadFromMemory(c.data);
    EXPECT_EQ(zip.Count(), c.count) << c.what;
  }
}

TEST(ZipFileHostile, DataWithoutACompleteEntryReplacesNothing) {
  TZipFile zip;
  zip.AddFile("kept", 0);
  for (const HostileCase& c : HostileCases()) {
    if (c.count > 0) continue;
    zip.LoadFromMemory(c.data);
    ASSERT_EQ(zip.Count(), 1) << c.what;
    EXPECT_EQ(zip.EntryName(0), "kept") << c.what;
  }
}

TEST(ZipFileHostile, DotDotNamesAreJustNames) {
  TZipFile zip;
  zip.LoadFromMemory(BuildArchive({RawEntry{"../../etc/passwd", ToBytes("root")}}));
  EXPECT_EQ(zip.IndexOfName("../../etc/passwd"), 0);
  EXPECT_EQ(zip.IndexOfName("etc/passwd"), -1);
  EXPECT_EQ(zip.ExtractEntry(0), ToBytes("root"));
}

TEST(ZipFileHostile, HundredThousandEntries) {
  std::vector<RawEntry> entries;
  for (int i = 0; i < 100000; ++i) entries.push_back(RawEntry{"f" + std::to_string(i), ToBytes("x")});
  TZipFile zip;
  zip.LoadFromMemory(BuildArchive(entries));
  ASSERT_EQ(zip.Count(), 100000);
  EXPECT_EQ(zip.IndexOfName("F99999"), 99999);
  EXPECT_EQ(zip.IndexOfName("f50000"), 50000);
  EXPECT_EQ(zip.ExtractEntry(99999), ToBytes("x"));
}

TEST(ZipFileHostile, ClaimedHugeSizeIsNotAllocatedBeforeTheDataProvesIt) {
  Bytes compressed = Deflated(ToBytes("short"));
  InflateResult r = RawInflate(compressed, 0xFFFFFFFFull);
  EXPECT_TRUE(r.complete);
  EXPECT_EQ(r.data, ToBytes("short"));
  EXPECT_LT(r.data.capacity(), 1u << 20);

  RawEntry e{"claims.bin", compressed};
  e.method = 8;
  e.crc = test::CrcOf(ToBytes("short"));
  e.uncompressedSize = 0xFFFFFFF0;
  TZipFile zip;
  zip.LoadFromMemory(BuildArchive({e}));
  ASSERT_EQ(zip.Count(), 1);
  EXPECT_THROW(zip.ExtractEntry(0), EZipFileCRCError);
}

TEST(ZipFileHostile, CorruptDeflateDataFailsCleanly) {
  RawEntry e{"bad.bin", Bytes(64, 0xFF)};
  e.method = 8;
  e.uncompressedSize = 1000;
  TZipFile zip;
  zip.LoadFromMemory(BuildArchive({e}));
  EXPECT_THROW(zip.ExtractEntry(0), EZipFileError);
}

TEST(ZipFileHostile, InflateLimitStopsOutputThere) {
  Bytes big(100000, 'z');
  InflateResult r = RawInflate(Deflated(big), 10);
  EXPECT_TRUE(r.complete);
  EXPECT_EQ(r.data, Bytes(10, 'z'));
}

// A header may say less than the data holds, with the checksum of what it says: extraction
// refuses such an entry rather than giving the first bytes or growing past the declared size.
TEST(ZipFileHostile, EntriesWhoseDataGoesOnPastTheDeclaredSizeAreRefused) {
  const Bytes big(200000, 'z');
  const Bytes prefix(big.begin(), big.begin() + 1000);
  RawEntry deflated{"lies.bin", Deflated(big)};
  deflated.method = 8;
  deflated.crc = test::CrcOf(prefix);
  deflated.uncompressedSize = 1000;
  RawEntry stored{"lies.txt", big};
  stored.crc = test::CrcOf(prefix);
  stored.uncompressedSize = 1000;
  RawEntry honest{"honest.bin", Deflated(big)};
  honest.method = 8;
  honest.crc = test::CrcOf(big);
  honest.uncompressedSize = static_cast<uint32_t>(big.size());
  TZipFile zip;
  zip.LoadFromMemory(BuildArchive({deflated, stored, honest}));
  ASSERT_EQ(zip.Count(), 3);
  EXPECT_THROW(zip.ExtractEntry(0), EZipFileCRCError);
  EXPECT_THROW(zip.ExtractEntry(1), EZipFileCRCError);
  EXPECT_EQ(zip.ExtractEntry(2), big);

  InflateResult r = RawInflate(Deflated(big), 1000);
  EXPECT_TRUE(r.overrun);
  EXPECT_EQ(r.data.size(), 1000u);
  EXPECT_LE(r.data.capacity(), 1000u);  // no more memory than the declared size
  r = RawInflate(Deflated(big), big.size());
  EXPECT_FALSE(r.overrun);
  EXPECT_EQ(r.data.capacity(), big.size());  // reserved once, exactly
}

// ---- writing and entries

TEST(ZipFileWrite, EmptyArchiveIsTheEndRecordAlone) {
  TZipFile zip;
  Bytes expected = {0x50, 0x4B, 0x05, 0x06, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(Saved(zip), expected);
}

TEST(ZipFileWrite, StoredDataIsRawDeflateWithHeadersFilledIn) {
  TZipFile zip;
  Bytes data = ToBytes("some text, some text, some text");
  int i = zip.AddFile("a.txt", 0x20);
  zip.StoreEntry(i, data);
  const TLocalFile& entry = zip.Files()[0];
  EXPECT_EQ(entry.CompressedData, RawDeflate(data));
  EXPECT_EQ(+entry.CommonFileHeader.CompressionMethod, 8);
  EXPECT_EQ(+entry.CommonFileHeader.FileDescriptor.Crc32, test::CrcOf(data));
  EXPECT_EQ(+entry.CommonFileHeader.FileDescriptor.UncompressedSize, data.size());
  EXPECT_EQ(+zip.CentralDirectory()[0].Tail.ExternalFileAttributes, 0x20u);
  EXPECT_EQ(std::memcmp(&zip.CentralDirectory()[0].CommonFileHeader, &entry.CommonFileHeader, 26), 0);
  EXPECT_EQ(zip.ExtractEntry(i), data);
}

// The stored data is zlib's default-level stream without its 2-byte header and 4-byte trailer,
// also for data long enough to be fed to zlib in pieces.
TEST(ZipFileWrite, DataIsCompress2OutputWithoutHeaderAndTrailer) {
  Bytes data(1 << 20);
  uint32_t x = 1;
  for (size_t i = 0; i < data.size(); ++i) {
    x = x * 1103515245 + 12345;
    data[i] = i % 3 ? static_cast<uint8_t>('a' + (x >> 16) % 7) : static_cast<uint8_t>(x >> 24);
  }
  uLongf length = compressBound(data.size());
  Bytes zlib(length);
  ASSERT_EQ(compress2(zlib.data(), &length, data.data(), data.size(), Z_DEFAULT_COMPRESSION), Z_OK);
  TZipFile zip;
  zip.StoreEntry(zip.AddFile("big", 0), data);
  EXPECT_EQ(zip.Files()[0].CompressedData, Bytes(zlib.begin() + 2, zlib.begin() + length - 4));
  EXPECT_EQ(+zip.Files()[0].CommonFileHeader.FileDescriptor.Crc32, test::CrcOf(data));
  EXPECT_EQ(zip.ExtractEntry(0), data);
}

TEST(ZipFileWrite, EmptyDataGivesTwoBytesOfDeflate) {
  TZipFile zip;
  zip.StoreEntry(zip.AddFile("e", 0), {});
  EXPECT_EQ(zip.Files()[0].CompressedData, (Bytes{0x03, 0x00}));
  EXPECT_EQ(+zip.Files()[0].CommonFileHeader.FileDescriptor.Crc32, 0u);
  EXPECT_TRUE(zip.ExtractEntry(0).empty());
}

TEST(ZipFileWrite, StoreClearsTheDescriptorFlag) {
  TZipFile zip;
  zip.LoadFromFile(FixturePath("info_descriptor.zip"));
  zip.StoreEntry(0, ToBytes("new"));
  EXPECT_EQ(+zip.Files()[0].CommonFileHeader.GeneralPurposeBitFlag, 0);
  EXPECT_TRUE(zip.CentralDirectory()[0].fileComment.empty());
}

TEST(ZipFileWrite, ArchivesTestCleanWithUnzipAndPython) {
  TZipFile zip;
  Bytes random = test::ReadFile(FixturePath("src/random.bin"));
  zip.StoreEntry(zip.AddFile("dir/text.txt", 0), ToBytes(std::string(5000, 'q')));
  zip.StoreEntry(zip.AddFile("random.bin", 0), random);
  zip.StoreEntry(zip.AddFile("empty", 0), {});
  TempDir dir;
  std::string path = dir.File("ours.zip");
  zip.SaveToFile(path);
  EXPECT_TRUE(RunQuietly("unzip -tq " + path));
  std::string check = "python3 -c \"import zipfile,sys; z=zipfile.ZipFile('" + path +
                      "'); sys.exit(z.testzip() is not None or z.read('random.bin') != open('" +
                      FixturePath("src/random.bin") + "','rb').read() or z.namelist() != "
                      "['dir/text.txt','random.bin','empty'])\"";
  EXPECT_TRUE(RunQuietly(check));
}

TEST(ZipFileEntries, StoredMethodIsExtractedAsItIs) {
  TZipFile zip;
  zip.LoadFromMemory(BuildArchive({RawEntry{"s.txt", ToBytes("stored bytes")}}));
  EXPECT_EQ(zip.ExtractEntry(0), ToBytes("stored bytes"));
}

TEST(ZipFileEntries, CrcMismatchRaisesTheCrcError) {
  RawEntry e{"bad.txt", ToBytes("data")};
  e.crc = 12345;
  TZipFile zip;
  zip.LoadFromMemory(BuildArchive({e}));
  try {
    zip.ExtractEntry(0);
    FAIL();
  } catch (const EZipFileCRCError& error) {
    EXPECT_STREQ(error.what(), "CRC Error in \"bad.txt\".");
  }
}

TEST(ZipFileEntries, IndexOutOfRange) {
  TZipFile zip;
  zip.AddFile("a", 0);
  for (int i : {-1, 1, 100}) {
    EXPECT_THROW(zip.ExtractEntry(i), EZipFileError);
    EXPECT_THROW(zip.StoreEntry(i, {}), EZipFileError);
    EXPECT_THROW(zip.EntryName(i), EZipFileError);
    EXPECT_THROW(zip.RenameEntry(i, "x"), EZipFileError);
    EXPECT_THROW(zip.EntryDate(i), EZipFileError);
    EXPECT_THROW(zip.SetEntryDate(i, Date{40000}), EZipFileError);
  }
  try {
    zip.EntryName(1);
  } catch (const EZipFileError& e) {
    EXPECT_STREQ(e.what(), "Index out of range.");
  }
}

TEST(ZipFileEntries, RenameSetsBothRecords) {
  TZipFile zip;
  zip.AddFile("old.txt", 0);
  zip.RenameEntry(0, "new/name.txt");
  EXPECT_EQ(+zip.Files()[0].CommonFileHeader.FilenameLength, 12);
  EXPECT_EQ(zip.CentralDirectory()[0].filename, "new/name.txt");
  EXPECT_EQ(+zip.CentralDirectory()[0].CommonFileHeader.FilenameLength, 12);
  EXPECT_EQ(zip.IndexOfName("old.txt"), -1);
  EXPECT_EQ(zip.IndexOfName("NEW/name.TXT"), 0);
}

// ---- name lookup

TEST(ZipFileLookup, Rules) {
  TZipFile zip;
  for (const char* name : {"readme.txt", "x/page.HTML", "a.html", "Ärger.txt", "dup", "dup", "star.*"})
    zip.AddFile(name, 0);
  struct {
    const char* name;
    int index;
  } cases[] = {
      {"*.html", 1},      {"page.html", -1},  {"X/PAGE.html", 1}, {"x\\page.html", -1},
      {"*.htm", -1},      {"*.TXT", 0},       {"ärger.TXT", 3},   {"*.*", 6},
      {"DUP", 4},         {"", -1},           {"*.", -1},         {"readme.txt ", -1},
  };
  for (const auto& c : cases) EXPECT_EQ(zip.IndexOfName(c.name), c.index) << c.name;
  zip.RenameEntry(4, "other");
  EXPECT_EQ(zip.IndexOfName("dup"), 5);
  zip.RenameEntry(4, "Dup");
  EXPECT_EQ(zip.IndexOfName("dup"), 4);
}

// ---- dates

TEST(ZipFileDates, RoundTripDropsOddSeconds) {
  TZipFile zip;
  zip.AddFile("a", 0);
  // 17 May 2020 10:20:31 (days since 30 December 1899).
  const double day = 43968;
  const double time = (10 * 3600 + 20 * 60 + 31) / 86400.0;
  zip.SetEntryDate(0, Date{day + time});
  EXPECT_EQ(+zip.Files()[0].CommonFileHeader.LastModFileTimeDate, 0x50B1528Fu);
  EXPECT_EQ(+zip.CentralDirectory()[0].CommonFileHeader.LastModFileTimeDate, 0x50B1528Fu);
  EXPECT_NEAR(zip.EntryDate(0).value, day + (10 * 3600 + 20 * 60 + 30) / 86400.0, 1e-9);
}

TEST(ZipFileDates, OutOfRangeYearsAndImpossibleFields) {
  TZipFile zip;
  zip.AddFile("a", 0);
  zip.SetEntryDate(0, Date{100});  // 1900
  EXPECT_EQ(+zip.Files()[0].CommonFileHeader.LastModFileTimeDate, 0u);
  try {
    zip.EntryDate(0);  // month 0
    FAIL();
  } catch (const EZipFileError& e) {
    EXPECT_STREQ(e.what(), "Invalid argument to date encode");
  }
  RawEntry e{"t", ToBytes("x")};
  e.dosTime = (0x50AFu << 16) | (24u << 11);  // hour 24
  zip.LoadFromMemory(BuildArchive({e}));
  try {
    zip.EntryDate(0);
    FAIL();
  } catch (const EZipFileError& e) {
    EXPECT_STREQ(e.what(), "Invalid argument to time encode");
  }
}

}  // namespace
}  // namespace ulka
