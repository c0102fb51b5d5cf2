#include "web/bridge/CarriedExtension.h"

#include <fcntl.h>
#include <glib.h>
#include <lzma.h>
#include <openssl/evp.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <atomic>
#include <initializer_list>
#include <string_view>

#include "automation/Files.h"

namespace ulka {
namespace {

constexpr char kPrivateFolder[] = "ulka-extension";
constexpr mode_t kPrivateMode = 0700;
constexpr mode_t kLibraryMode = 0500;
constexpr uint64_t kUnpackMemoryLimit = uint64_t{128} << 20;

std::string SystemReason(int error) { return std::strerror(error); }

// The parts one after another (messages and paths; kept out of line, as everything here runs
// once per start).
std::string Text(std::initializer_list<std::string_view> parts) {
  std::string text;
  for (std::string_view part : parts) text.append(part);
  return text;
}

std::string Sha256Hex(std::span<const uint8_t> bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (!EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr)) return {};
  static const char kHex[] = "0123456789abcdef";
  std::string hex;
  for (unsigned int i = 0; i < length; ++i) {
    hex += kHex[digest[i] >> 4];
    hex += kHex[digest[i] & 15];
  }
  return hex;
}

// Another user cannot change what a folder holds: it is ours or root's, and only its owner may
// write it, unless the sticky bit keeps others' entries apart (as in /tmp).
bool FolderKeptFromOthers(const struct stat& info, uid_t user, std::string& why) {
  if (!S_ISDIR(info.st_mode)) {
    why = "is not a folder";
    return false;
  }
  if (info.st_uid != user && info.st_uid != 0) {
    why = "belongs to another user";
    return false;
  }
  if ((info.st_mode & (S_IWGRP | S_IWOTH)) && !(info.st_mode & S_ISVTX)) {
    why = "can be written by other users";
    return false;
  }
  return true;
}

// Every folder from the root down to `base` (links resolved) keeps other users out, and code may
// run from it.
bool BaseIsSafe(const std::string& base, std::string& why) {
  if (base.empty() || base[0] != '/') {
    why = "is not an absolute path";
    return false;
  }
  char* resolved = ::realpath(base.c_str(), nullptr);
  // A cache folder not made yet is made as private as the folders under it.
  if (!resolved && errno == ENOENT && g_mkdir_with_parents(base.c_str(), kPrivateMode) == 0)
    resolved = ::realpath(base.c_str(), nullptr);
  if (!resolved) {
    why = Text({"cannot be used: ", SystemReason(errno)});
    return false;
  }
  const std::string real(resolved);
  std::free(resolved);
  const uid_t user = ::geteuid();
  for (size_t end = 0; end != std::string::npos;) {
    end = real.find('/', end + 1);
    const std::string folder = end == std::string::npos ? real : real.substr(0, end);
    const std::string shown = folder.empty() ? "/" : folder;
    struct stat info {};
    if (::stat(shown.c_str(), &info) != 0) {
      why = Text({"cannot be used: ", shown, ": ", SystemReason(errno)});
      return false;
    }
    std::string problem;
    if (!FolderKeptFromOthers(info, user, problem)) {
      why = Text({"is not private: ", shown, " ", problem});
      return false;
    }
  }
  struct statvfs fs {};
  if (::statvfs(real.c_str(), &fs) == 0 && (fs.f_flag & ST_NOEXEC)) {
    why = "is on a file system that runs no code (mounted noexec)";
    return false;
  }
  return true;
}

// Opens (making it first when missing) a folder only the user may enter and write.
FileDescriptor OpenPrivateFolder(int parent, const std::string& name, const std::string& shown, std::string& why) {
  if (::mkdirat(parent, name.c_str(), kPrivateMode) != 0 && errno != EEXIST) {
    why = Text({"cannot make ", shown, ": ", SystemReason(errno)});
    return {};
  }
  FileDescriptor folder(::openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!folder) {
    why = errno == ELOOP || errno == ENOTDIR ? Text({shown, " is not a folder (a link or a file)"})
                                             : Text({shown, " cannot be opened: ", SystemReason(errno)});
    return {};
  }
  struct stat info {};
  if (::fstat(folder.get(), &info) != 0) {
    why = Text({shown, " cannot be read: ", SystemReason(errno)});
    return {};
  }
  if (info.st_uid != ::geteuid()) {
    why = Text({shown, " belongs to another user"});
    return {};
  }
  // What another user may have put in a folder they could write is never loaded.
  if (info.st_mode & (S_IWGRP | S_IWOTH)) {
    why = Text({shown, " can be written by other users (remove it)"});
    return {};
  }
  if ((info.st_mode & 07777) != kPrivateMode && ::fchmod(folder.get(), kPrivateMode) != 0) {
    why = Text({"cannot make ", shown, " private: ", SystemReason(errno)});
    return {};
  }
  return folder;
}

// Whether the folder holds the library already: the user's regular file with the right bytes.
bool HoldsLibrary(int folder, std::span<const uint8_t> library, const std::string& hash) {
  FileDescriptor file(::openat(folder, kExtensionFileName, O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK));
  struct stat info {};
  if (!file || ::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid() ||
      static_cast<uint64_t>(info.st_size) != library.size())
    return false;
  Bytes present(library.size());
  size_t done = 0;
  while (done < present.size()) {
    const ssize_t n = ::read(file.get(), present.data() + done, present.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return Sha256Hex(present) == hash;
}

bool WriteWhole(int fd, std::span<const uint8_t> bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Writes the library beside its final name and renames it over that name. The temporary name is
// unique among the starts at this moment (process, counter, clock), and O_EXCL makes sure of it.
bool WriteLibrary(int folder, std::span<const uint8_t> library, const std::string& shown, std::string& why) {
  static std::atomic<unsigned> counter{0};
  char temporary[96];
  FileDescriptor file;
  for (int attempt = 0; attempt < 100 && !file; ++attempt) {
    std::snprintf(temporary, sizeof temporary, ".%s.%d.%u.%lld.part", kExtensionFileName, static_cast<int>(::getpid()),
                  counter++, static_cast<long long>(g_get_monotonic_time()));
    file = FileDescriptor(::openat(folder, temporary, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!file && errno != EEXIST) break;
  }
  if (!file) {
    why = Text({"cannot write in ", shown, ": ", SystemReason(errno)});
    return false;
  }
  bool written = WriteWhole(file.get(), library) && ::fchmod(file.get(), kLibraryMode) == 0;
  const int writeError = errno;
  written = file.Close() && written;
  if (!written || ::renameat(folder, temporary, folder, kExtensionFileName) != 0) {
    why = Text({"cannot write ", shown, "/", kExtensionFileName, ": ", SystemReason(written ? errno : writeError)});
    ::unlinkat(folder, temporary, 0);
    return false;
  }
  return true;
}

// The library in place under one base: the folder the engine loads it from, or empty with `why`.
std::string PlaceUnder(const std::string& base, std::span<const uint8_t> library, const std::string& hash,
                       std::string& why) {
  if (!BaseIsSafe(base, why)) return {};
  FileDescriptor baseFolder(::open(base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!baseFolder) {
    why = Text({"cannot be opened: ", SystemReason(errno)});
    return {};
  }
  const std::string top = Text({base, "/", kPrivateFolder});
  FileDescriptor topFolder = OpenPrivateFolder(baseFolder.get(), kPrivateFolder, top, why);
  if (!topFolder) return {};
  const std::string place = Text({top, "/", hash});
  FileDescriptor folder = OpenPrivateFolder(topFolder.get(), hash, place, why);
  if (!folder) return {};
  if (!HoldsLibrary(folder.get(), library, hash) && !WriteLibrary(folder.get(), library, place, why)) return {};
  return place;
}

}  // namespace

bool UnpackExtension(std::span<const uint8_t> packed, Bytes& library, std::string& error, size_t limit) {
  lzma_stream stream = LZMA_STREAM_INIT;
  if (lzma_stream_decoder(&stream, kUnpackMemoryLimit, LZMA_CONCATENATED) != LZMA_OK) {
    error = "the decompressor does not start";
    return false;
  }
  library.clear();
  stream.next_in = packed.data();
  stream.avail_in = packed.size();
  lzma_ret result = LZMA_OK;
  while (result == LZMA_OK) {
    if (library.size() >= limit) {
      result = LZMA_MEMLIMIT_ERROR;
      break;
    }
    const size_t at = library.size();
    library.resize(std::min(limit, std::max<size_t>(at * 2, 1 << 20)));
    stream.next_out = library.data() + at;
    stream.avail_out = library.size() - at;
    result = lzma_code(&stream, LZMA_FINISH);
    library.resize(library.size() - stream.avail_out);
  }
  lzma_end(&stream);
  if (result != LZMA_STREAM_END) {
    error = result == LZMA_MEMLIMIT_ERROR ? "it unpacks to more than the limit" : "its compressed data is damaged";
    library.clear();
    return false;
  }
  return true;
}

PlacedExtension PlaceCarriedExtension(std::span<const uint8_t> packed, const std::vector<std::string>& bases) {
  PlacedExtension placed;
  Bytes library;
  std::string why;
  if (!UnpackExtension(packed, library, why)) {
    placed.error = Text({"the web extension the program carries cannot be unpacked: ", why});
    return placed;
  }
  const std::string hash = Sha256Hex(library);
  if (bases.empty()) placed.error = "there is no folder to unpack the web extension into (no XDG_RUNTIME_DIR, no home)";
  for (const std::string& base : bases) {
    placed.directory = PlaceUnder(base, library, hash, why);
    if (!placed.directory.empty()) {
      placed.error.clear();
      return placed;
    }
    placed.error += Text({placed.error.empty() ? "cannot unpack the web extension: " : "; ", base, " ", why});
  }
  return placed;
}

std::vector<std::string> PrivateFolderBases() {
  std::vector<std::string> bases;
  const char* runtime = g_getenv("XDG_RUNTIME_DIR");
  if (runtime && runtime[0] == '/') bases.emplace_back(runtime);
  const char* cache = g_get_user_cache_dir();
  if (cache && cache[0] == '/') bases.emplace_back(cache);
  return bases;
}

}  // namespace ulka
