#include "desktop/FsFile.h"

#include <sys/stat.h>

#include <cerrno>

#include "desktop/DesktopErrors.h"
#include "desktop/FsOperations.h"
#include "desktop/FsPaths.h"
#include "desktop/TextStream.h"

namespace ulka {

const InterfaceInfo& TFsFile::Info() {
  using F = TFsFile;
  static const InterfaceInfo info = [] {
    InterfaceBuilder<F> builder("IFile", "{CCD31FC9-20D9-4C8A-B970-922C2DE7FEC1}");
    return AddItemMembers(builder)
        .Method(13, "OpenAsTextStream", &F::OpenAsTextStream, {Opt("IOMode", int32_t{1}), Opt("Format", int32_t{0})})
        .Build();
  }();
  return info;
}

Variant TFsFile::GetSize() {
  struct stat info {};
  if (::stat(CheckedPath().c_str(), &info) != 0) FailSystemError(errno, DesktopError::FileNotFound);
  return Variant(static_cast<double>(info.st_size));
}

void TFsFile::Copy(const WideString& Destination, bool OverWriteFiles) {
  CheckedPath();
  CopyFiles(FPath, Destination, OverWriteFiles, SourceNames::Exact);
}

void TFsFile::Move(const WideString& Destination) {
  CheckedPath();
  FPath = AbsolutePathOf(MoveFiles(FPath, Destination, SourceNames::Exact));
}

void TFsFile::Delete(bool Force) {
  CheckedPath();
  DeleteFiles(FPath, Force, SourceNames::Exact);
}

Ref<IDispatch> TFsFile::OpenAsTextStream(int32_t IOMode, int32_t Format) {
  CheckedPath();
  return OpenTextFile(FPath, IOMode, false, Format);
}

}  // namespace ulka
