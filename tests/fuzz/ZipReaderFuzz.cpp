// Fuzz entry for the zip reader: load any bytes, then use every entry the way the scriptable
// object does (extract, date, lookup) and write the archive and read it back. Nothing may crash,
// hang or allocate more than the data can justify.
#include <cstdint>
#include <cstdlib>

#include "archive/ZipFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace ulka;
  TZipFile zip;
  zip.LoadFromMemory(std::span<const uint8_t>(data, size));
  for (int i = 0; i < zip.Count(); ++i) {
    try {
      zip.ExtractEntry(i);
    } catch (const EZipFileError&) {
    }
    try {
      zip.EntryDate(i);
    } catch (const EZipFileError&) {
    }
    if (zip.IndexOfName(zip.EntryName(i)) > i) std::abort();  // the first equal name wins
  }
  zip.IndexOfName("*.html");
  Bytes written;
  zip.SaveToBytes(written);
  TZipFile again;
  again.LoadFromMemory(written);
  if (zip.Count() > 0 && again.Count() == 0) std::abort();  // what was read can be written back
  return 0;
}
