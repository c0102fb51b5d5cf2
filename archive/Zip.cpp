#include "archive/Zip.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>

#include "automation/ByteConvert.h"
#include "automation/CodePages.h"
#include "automation/Files.h"
#include "automation/TextUtils.h"
#include "automation/Unicode.h"

namespace ulka {

const InterfaceInfo& TZip::Info() {
  static const InterfaceInfo info =
      InterfaceBuilder<TZip>("IZip", "{BEE28AAF-B2C5-45E8-AE90-8D96A9229F1B}",
                             "Dispatch interface for ZIP Object")
          .Method(201, "Load", &TZip::Load, {Arg("Source")})
          .Method(202, "Save", &TZip::Save, {Arg("FileName")})
          .Method(203, "Add", &TZip::Add, {Arg("Name"), Arg("Data")})
          .Method(0, "Extract", &TZip::Extract, {Arg("Name")}).ReturnsBytes()
          .Method(204, "IndexOf", &TZip::IndexOf, {Arg("Name")})
          .Property(205, "CodePage", &TZip::GetCodePage, &TZip::SetCodePage)
          .Getter(206, "Length", &TZip::GetLength)
          .Property(207, "Names", &TZip::GetNames, &TZip::SetNames, {Arg("Index")})
          .Property(208, "Bytes", &TZip::GetBytes, &TZip::SetBytes, {Arg("Index")}).ReturnsBytes()
          .Property(209, "Dates", &TZip::GetDates, &TZip::SetDates, {Arg("Index")})
          .Method(211, "AddFolder", &TZip::AddFolder,
                  {Arg("Path"), Opt("Name", u""), Opt("Subfolders", true)})
          .Getter(210, "Zip", &TZip::GetZip).ReturnsBytes()
          .Method(212, "AddFile", &TZip::AddFile, {Arg("FileName"), Opt("Name", u"")})
          .Build();
  return info;
}

TZip::TZip() : TVekObject(Info()), FZipFile(std::make_unique<TZipFile>()) {}

std::string TZip::NameBytes(const WideString& name) const { return StrToCodePage(name, FCodePage); }

WideString TZip::NameText(const std::string& name) const { return CodePageToStr(name, FCodePage); }

namespace {

// The bytes of a one-dimensional byte array are read in place; other values are converted.
template <class Use>
void WithBytes(const Variant& value, Use use) {
  if (value.IsByteArray() && value.Array() && value.Array()->bounds.size() == 1) {
    use(value.ByteSpan());
  } else {
    Bytes bytes = VarToBytes(value);
    use(std::span<const uint8_t>(bytes));
  }
}

WideString FileNamePart(const WideString& fileName) {
  size_t slash = fileName.find_last_of(u'/');
  return slash == WideString::npos ? fileName : fileName.substr(slash + 1);
}

}  // namespace

bool TZip::Load(const Variant& Source) {
  try {
    if (Source.IsArray()) {
      WithBytes(Source, [&](std::span<const uint8_t> bytes) { FZipFile->LoadFromMemory(bytes); });
    } else if (Source.IsText()) {
      FZipFile->LoadFromFile(Utf8(Source.Text()));
    } else {
      return false;
    }
    return FZipFile->Count() > 0;
  } catch (const std::exception&) {
    return false;
  }
}

Ref<TZip> TZip::Save(const WideString& FileName) {
  try {
    Bytes data;
    FZipFile->SaveToBytes(data);
    WriteFileBytes(FileName, data);
  } catch (const std::exception&) {
  }
  return Ref<TZip>(this);
}

void TZip::StoreValue(int index, const Variant& value) {
  WithBytes(value, [&](std::span<const uint8_t> bytes) { FZipFile->StoreEntry(index, bytes); });
}

Ref<TZip> TZip::Add(const WideString& Name, const Variant& Data) {
  std::string name = NameBytes(Name);
  int index = FZipFile->IndexOfName(name);
  if (index < 0) index = FZipFile->AddFile(std::move(name), 0);
  StoreValue(index, Data);
  return Ref<TZip>(this);
}

Variant TZip::Extract(const WideString& Name) {
  int index = FZipFile->IndexOfName(NameBytes(Name));
  return index < 0 ? Variant() : GetBytes(index);
}

int32_t TZip::IndexOf(const WideString& Name) { return FZipFile->IndexOfName(NameBytes(Name)); }

WideString TZip::GetNames(int32_t Index) { return NameText(FZipFile->EntryName(Index)); }

void TZip::SetNames(int32_t Index, const WideString& Value) {
  FZipFile->RenameEntry(Index, NameBytes(Value));
}

Variant TZip::GetBytes(int32_t Index) {
  try {
    return BytesToVar(FZipFile->ExtractEntry(Index));
  } catch (const std::exception&) {
    return Variant();
  }
}

void TZip::SetBytes(int32_t Index, const Variant& Value) { StoreValue(Index, Value); }

Date TZip::GetDates(int32_t Index) { return FZipFile->EntryDate(Index); }

void TZip::SetDates(int32_t Index, Date Value) { FZipFile->SetEntryDate(Index, Value); }

Variant TZip::GetZip() {
  Bytes data;
  FZipFile->SaveToBytes(data);
  return Variant::FromBytes(std::move(data));
}

Ref<TZip> TZip::AddFile(const WideString& FileName, const WideString& Name) {
  WideString entryName = Name.empty() ? FileNamePart(FileName) : ReplaceChar(Name, u'\\', u'/');
  int index = FZipFile->AddFile(NameBytes(entryName), 0);
  Bytes data;
  ReadFileBytes(FileName, data);
  FZipFile->StoreEntry(index, data);
  return Ref<TZip>(this);
}

Ref<TZip> TZip::AddFolder(const WideString& Path, const WideString& Name, bool Subfolders) {
  std::string base = Utf8(Path);
  if (base.empty() || base.back() != '/') base += '/';
  WideString prefix = Name.empty() ? WideString() : ReplaceChar(Name, u'\\', u'/') + u"/";
  AddFolderFiles(base, std::string(), prefix, Subfolders);
  return Ref<TZip>(this);
}

namespace {

struct FolderListing {
  std::vector<std::string> files;    // plain, not hidden
  std::vector<std::string> folders;  // hidden ones included; links to folders are not followed
};

FolderListing ListFolder(const std::string& folder) {
  namespace fs = std::filesystem;
  FolderListing listing;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::string name = it->path().filename().string();
    std::error_code statError;
    if (it->is_directory(statError) && !it->is_symlink(statError)) {
      listing.folders.push_back(std::move(name));
    } else if (it->is_regular_file(statError) && name[0] != '.') {
      listing.files.push_back(std::move(name));
    }
  }
  std::sort(listing.files.begin(), listing.files.end());
  std::sort(listing.folders.begin(), listing.folders.end());
  return listing;
}

}  // namespace

// Files of a folder come before its subfolders; one file that cannot be read keeps its entry,
// without data, and the walk goes on.
void TZip::AddFolderFiles(const std::string& base, const std::string& relative,
                          const WideString& prefix, bool subfolders) {
  FolderListing listing = ListFolder(base + relative);
  for (const std::string& file : listing.files) {
    int index = FZipFile->AddFile(NameBytes(prefix + Wide(relative + file)), 0);
    try {
      Bytes data;
      ReadFileBytes(Wide(base + relative + file), data);
      FZipFile->StoreEntry(index, data);
    } catch (const std::exception&) {
    }
  }
  if (!subfolders) return;
  for (const std::string& folder : listing.folders)
    AddFolderFiles(base, relative + folder + "/", prefix, subfolders);
}

}  // namespace ulka
