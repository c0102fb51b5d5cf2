#include "app/PackageSource.h"

#include <cstring>

#include "app/BuiltInKeys.h"
#include "app/SealedPackage.h"
#include "automation/ByteConvert.h"
#include "automation/Files.h"
#include "runtime/ResourceMembers.h"

namespace ulka {

namespace {

constexpr uint16_t kHtmlResource = 23;
constexpr char kPlainMagic[] = "PK";
constexpr char kSealedMagic[] = "ULKA";
const char16_t* const kStartPagePatterns[] = {u"*.ulka", u"index.html", u"index.htm", u"*.html",
                                              u"*.htm"};

bool StartsWith(std::span<const uint8_t> bytes, const char* magic) {
  size_t n = std::strlen(magic);
  return bytes.size() >= n && std::memcmp(bytes.data(), magic, n) == 0;
}

// The folder part of a path up to and including its last "/", and the rest.
std::pair<WideString, WideString> SplitPage(const WideString& path, const std::string& currentDir) {
  size_t slash = path.rfind(u'/');
  if (slash == WideString::npos) {
    WideString folder = Wide(currentDir);
    if (folder.empty() || folder.back() != u'/') folder += u'/';
    return {folder, path};
  }
  return {path.substr(0, slash + 1), path.substr(slash + 1)};
}

}  // namespace

const PackageKeys& BuiltInPackageKeys() {
  static const PackageKeys keys{builtin::kPackagePublicKey, builtin::kPackageKey,
                                builtin::kPackageInitVector};
  return keys;
}

Ref<IDispatch> SourceChoice::Handler() const {
  if (Zip) return Ref<IDispatch>(Zip.get());
  if (Storage) return Ref<IDispatch>(Storage.get());
  return nullptr;
}

bool LoadEmbeddedPackage(TZip& archive, const Variant& resource, const PackageKeys& keys) {
  if (!resource.IsByteArray()) return false;
  auto bytes = resource.ByteSpan();
  if (StartsWith(bytes, kPlainMagic)) return archive.Load(resource);
  if (!StartsWith(bytes, kSealedMagic)) return false;
  // Checked whole, decrypted as its entries are read.
  std::shared_ptr<SealedPackage> sealed = SealedPackage::Open(resource, std::strlen(kSealedMagic), keys);
  if (!sealed) return false;
  archive.ZipFile().LoadFromSource(std::move(sealed));
  return archive.GetLength() > 0;
}

WideString FindStartPage(TZip& archive) {
  for (const char16_t* pattern : kStartPagePatterns) {
    int32_t index = archive.IndexOf(pattern);
    if (index >= 0) return archive.GetNames(index);
  }
  return {};
}

SourceChoice ChooseSource(const SourceInputs& inputs) {
  SourceChoice source;
  Ref<TZip> archive = MakeRef<TZip>();
  Variant resource = LoadResource(inputs.Module, Variant(WideString(u"ulka")),
                                  Variant(int32_t{kHtmlResource}), 0);
  if (LoadEmbeddedPackage(*archive, resource, inputs.Keys)) {
    source.StartFile = FindStartPage(*archive);
    if (!source.StartFile.empty()) {
      source.Zip = archive;
      return source;
    }
  }
  if (inputs.Params.empty()) return source;

  const WideString& path = inputs.Params[0];
  Bytes bytes;
  try {
    ReadFileBytes(path, bytes);
  } catch (const EVekError&) {  // unreadable: taken as a page in a folder
    bytes.clear();
  }
  if (archive->Load(BytesToVar(std::move(bytes)))) {
    source.StartFile = FindStartPage(*archive);
    if (!source.StartFile.empty()) {
      source.Zip = archive;
      source.ConsumesParameter = true;
    }
    return source;
  }
  auto [folder, page] = SplitPage(path, inputs.CurrentDirectory);
  source.Storage = MakeRef<TStorage>(folder);
  source.StartFile = page;
  source.ConsumesParameter = true;
  return source;
}

}  // namespace ulka
