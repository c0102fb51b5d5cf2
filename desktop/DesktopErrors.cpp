#include "desktop/DesktopErrors.h"

#include <cerrno>

#include "automation/Messages.h"
#include "automation/TextUtils.h"
#include "automation/VekError.h"

namespace ulka {
namespace {

constexpr HRESULT RuntimeErrorCode(uint32_t number) { return MakeStatus(0x800A0000u | number); }

const char* DesktopErrorText(DesktopError error) {
  switch (error) {
    case DesktopError::InvalidCall: return msg::kInvalidCall;
    case DesktopError::BadFileName: return msg::kBadFileName;
    case DesktopError::FileNotFound: return msg::kFileNotFound;
    case DesktopError::BadFileMode: return msg::kBadFileMode;
    case DesktopError::FileAlreadyExists: return msg::kFileAlreadyExists;
    case DesktopError::DiskFull: return msg::kDiskFull;
    case DesktopError::InputPastEnd: return msg::kInputPastEnd;
    case DesktopError::DeviceUnavailable: return msg::kDeviceUnavailable;
    case DesktopError::PermissionDenied: return msg::kPermissionDenied;
    case DesktopError::PathFileAccess: return msg::kPathFileAccess;
    case DesktopError::PathNotFound: return msg::kPathNotFound;
    case DesktopError::KeyAlreadyExists: return msg::kKeyAlreadyExists;
    case DesktopError::ElementNotFound: return msg::kElementNotFound;
  }
  return msg::kInvalidCall;
}

const char* StreamErrorText(StreamError error) {
  switch (error) {
    case StreamError::Arguments: return msg::kStreamArguments;
    case StreamError::OpenFile: return msg::kStreamOpenFile;
    case StreamError::WriteFile: return msg::kStreamWriteFile;
    case StreamError::Context: return msg::kStreamContext;
    case StreamError::Closed: return msg::kStreamClosed;
    case StreamError::Open: return msg::kStreamOpen;
  }
  return msg::kStreamContext;
}

constexpr HRESULT kSystemFileNotFound = MakeStatus(0x80070002);

}  // namespace

HRESULT DesktopErrorCode(DesktopError error) { return RuntimeErrorCode(static_cast<uint32_t>(error)); }

void FailDesktop(DesktopError error) { FailCode(DesktopErrorCode(error), DesktopErrorText(error)); }

void FailSystemError(int systemError, DesktopError whenMissing) {
  switch (systemError) {
    case ENOENT: FailDesktop(whenMissing);
    case ENOTDIR: FailDesktop(DesktopError::PathNotFound);
    case EEXIST:
    case ENOTEMPTY: FailDesktop(DesktopError::FileAlreadyExists);
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case EBUSY:
    case ETXTBSY: FailDesktop(DesktopError::PermissionDenied);
    case ENOSPC:
    case EDQUOT: FailDesktop(DesktopError::DiskFull);
    case ENAMETOOLONG:
    case EINVAL:
    case EILSEQ: FailDesktop(DesktopError::BadFileName);
    case ENODEV:
    case ENXIO: FailDesktop(DesktopError::DeviceUnavailable);
    default: FailDesktop(DesktopError::PathFileAccess);
  }
}

void FailProgramNotFound() { FailCode(kSystemFileNotFound, msg::kProgramNotFound); }

void FailRegistry(RegistryError error, std::u16string_view key) {
  const char* format = error == RegistryError::Read     ? msg::kRegistryReadFailed
                       : error == RegistryError::Remove ? msg::kRegistryRemoveFailed
                                                        : msg::kRegistryInvalidRoot;
  throw EVekError(FormatText(format, key), kSystemFileNotFound);
}

void FailStream(StreamError error) {
  FailCode(RuntimeErrorCode(static_cast<uint32_t>(error)), StreamErrorText(error));
}

}  // namespace ulka
