#include "desktop/FsFolder.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "automation/Unicode.h"
#include "desktop/Collections.h"
#include "desktop/DesktopErrors.h"
#include "desktop/FsFile.h"
#include "desktop/FsOperations.h"
#include "desktop/FsPaths.h"
#include "desktop/TextStream.h"

namespace ulka {
namespace fs = std::filesystem;
namespace {

// The entries of a folder that are (or, for links, lead to) folders or not, sorted by name.
std::vector<fs::path> EntriesOf(const std::string& folder, bool folders) {
  std::error_code error;
  fs::directory_iterator it(folder, error);
  if (error) FailSystemError(error.value(), DesktopError::PathNotFound);
  std::vector<fs::path> entries;
  for (const fs::directory_entry& entry : it) {
    if (entry.is_directory(error) == folders) entries.push_back(entry.path());
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

}  // namespace

const InterfaceInfo& TFsFolder::Info() {
  using F = TFsFolder;
  static const InterfaceInfo info = [] {
    InterfaceBuilder<F> builder("IFolder", "{019F8714-3D18-493C-8F7E-7C1938C2D89F}");
    return AddItemMembers(builder)
        .Getter(13, "IsRootFolder", &F::GetIsRootFolder)
        .Getter(14, "Files", &F::GetFiles)
        .Getter(15, "SubFolders", &F::GetSubFolders)
        .Method(16, "CreateTextFile", &F::CreateTextFile,
                {Arg("FileName"), Opt("Overwrite", true), Opt("Unicode", false)})
        .Build();
  }();
  return info;
}

Variant TFsFolder::GetSize() {
  std::error_code error;
  fs::recursive_directory_iterator it(CheckedPath(), fs::directory_options::skip_permission_denied, error);
  if (error) FailSystemError(error.value(), DesktopError::PathNotFound);
  double total = 0;
  for (auto end = fs::recursive_directory_iterator(); it != end; it.increment(error)) {
    if (error) break;
    if (it->is_regular_file(error) && !it->is_symlink(error)) total += static_cast<double>(it->file_size(error));
  }
  return Variant(total);
}

Ref<IDispatch> TFsFolder::GetFiles() {
  std::vector<TNamedCollection::Entry> files;
  for (const fs::path& path : EntriesOf(CheckedPath(), false))
    files.emplace_back(Wide(path.filename().string()), MakeRef<TFsFile>(Wide(path.string())));
  return MakeRef<TNamedCollection>(std::move(files), DesktopError::FileNotFound);
}

Ref<IDispatch> TFsFolder::GetSubFolders() {
  std::vector<TNamedCollection::Entry> folders;
  for (const fs::path& path : EntriesOf(CheckedPath(), true))
    folders.emplace_back(Wide(path.filename().string()), MakeRef<TFsFolder>(Wide(path.string())));
  return MakeRef<TNamedCollection>(std::move(folders), DesktopError::PathNotFound);
}

void TFsFolder::Copy(const WideString& Destination, bool OverWriteFiles) {
  CheckedPath();
  CopyFolders(FPath, Destination, OverWriteFiles, SourceNames::Exact);
}

void TFsFolder::Move(const WideString& Destination) {
  CheckedPath();
  FPath = AbsolutePathOf(MoveFolders(FPath, Destination, SourceNames::Exact));
}

void TFsFolder::Delete(bool Force) {
  CheckedPath();
  DeleteFolders(FPath, Force, SourceNames::Exact);
}

Ref<IDispatch> TFsFolder::CreateTextFile(const WideString& FileName, bool Overwrite, bool Unicode) {
  CheckedPath();
  const WideString name = ScriptPath(FileName);
  const WideString path = !name.empty() && name[0] == u'/' ? name : BuildPathOf(FPath, name);
  return ulka::CreateTextFile(path, Overwrite, Unicode);
}

}  // namespace ulka
