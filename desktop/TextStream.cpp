#include "desktop/TextStream.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>

#include <cerrno>
#include <string_view>

#include "automation/CodePages.h"
#include "automation/Files.h"
#include "automation/Unicode.h"
#include "desktop/DesktopErrors.h"
#include "desktop/FsPaths.h"
#include "desktop/UniqueFd.h"

namespace ulka {
namespace {

constexpr size_t kChunk = 64 * 1024;
constexpr std::u16string_view kFileLineBreak = u"\r\n";
constexpr std::u16string_view kProgramLineBreak = u"\n";

class FileSource : public ByteSource {
 public:
  explicit FileSource(UniqueFd fd) : fd_(std::move(fd)) {}
  size_t ReadSome(uint8_t* buffer, size_t size) override {
    for (;;) {
      ssize_t got = ::read(fd_.get(), buffer, size);
      if (got >= 0) return static_cast<size_t>(got);
      if (errno != EINTR) FailSystemError(errno, DesktopError::FileNotFound);
    }
  }

 private:
  UniqueFd fd_;
};

// Writes with SIGPIPE held back on this thread: a pipe whose reader is gone answers EPIPE
// instead of ending the program.
ssize_t WriteHoldingSigpipe(int fd, const uint8_t* data, size_t size) {
  sigset_t pipeSignal, previous;
  sigemptyset(&pipeSignal);
  sigaddset(&pipeSignal, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipeSignal, &previous);
  ssize_t put = ::write(fd, data, size);
  const int error = errno;
  if (put < 0 && error == EPIPE) {
    const timespec now{0, 0};
    sigtimedwait(&pipeSignal, nullptr, &now);  // take the signal this write raised
  }
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  errno = error;
  return put;
}

class FdSink : public ByteSink {
 public:
  explicit FdSink(UniqueFd fd) : fd_(std::move(fd)) {}
  void WriteAll(std::span<const uint8_t> bytes) override {
    size_t done = 0;
    while (done < bytes.size()) {
      ssize_t put = WriteHoldingSigpipe(fd_.get(), bytes.data() + done, bytes.size() - done);
      if (put < 0 && errno == EINTR) continue;
      if (put < 0) FailSystemError(errno, DesktopError::FileNotFound);
      done += static_cast<size_t>(put);
    }
  }

 private:
  UniqueFd fd_;
};

bool SystemIsUtf8() { return SystemCodePage() == CP_UTF8; }

int Utf8SequenceLength(uint8_t lead) {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 1;  // not a lead byte: decoded on its own as a replacement character
}

}  // namespace

// Turns the bytes of a stream into text chunk by chunk, keeping back the bytes of a character
// that the next chunk completes.
class TTextStream::Decoder {
 public:
  explicit Decoder(TextFormat format) : format_(format), utf8_(SystemIsUtf8()) {}

  WideString Decode(std::span<const uint8_t> bytes, bool last) {
    carry_.insert(carry_.end(), bytes.begin(), bytes.end());
    const size_t usable = last ? carry_.size() : CompletePrefix();
    WideString text = DecodeBytes(std::span<const uint8_t>(carry_.data(), usable));
    carry_.erase(carry_.begin(), carry_.begin() + static_cast<ptrdiff_t>(usable));
    if (first_ && !text.empty()) {
      first_ = false;
      if (text[0] == u'\uFEFF') text.erase(0, 1);
    }
    return text;
  }

 private:
  size_t CompletePrefix() const {
    const size_t size = carry_.size();
    if (format_ == TextFormat::Unicode) {
      size_t even = size & ~size_t{1};
      if (even >= 2) {
        const char16_t unit = static_cast<char16_t>(carry_[even - 2] | (carry_[even - 1] << 8));
        if (unit >= 0xD800 && unit <= 0xDBFF) even -= 2;  // the pair's second half comes next
      }
      return even;
    }
    if (!utf8_) return 0;  // other code pages are decoded whole, at the end
    for (size_t back = 1; back <= 4 && back <= size; ++back) {
      const uint8_t byte = carry_[size - back];
      if ((byte & 0xC0) == 0x80) continue;
      return Utf8SequenceLength(byte) > static_cast<int>(back) ? size - back : size;
    }
    return size;
  }

  WideString DecodeBytes(std::span<const uint8_t> bytes) const {
    if (format_ == TextFormat::Unicode) {
      WideString text;
      text.reserve(bytes.size() / 2 + 1);
      for (size_t i = 0; i + 1 < bytes.size(); i += 2) text.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
      if (bytes.size() % 2) text.push_back(u'\uFFFD');
      return text;
    }
    if (utf8_) return Wide(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    return DecodeText(bytes, SystemCodePage());
  }

  TextFormat format_;
  bool utf8_;
  bool first_ = true;
  Bytes carry_;
};

const InterfaceInfo& TTextStream::Info() {
  static const InterfaceInfo info =
      InterfaceBuilder<TTextStream>("ITextStream", "{DF4AFA46-A9AD-43CB-B74D-B0004F41DAE5}")
          .Getter(1, "Line", &TTextStream::GetLine)
          .Getter(2, "Column", &TTextStream::GetColumn)
          .Getter(3, "AtEndOfStream", &TTextStream::GetAtEndOfStream)
          .Getter(4, "AtEndOfLine", &TTextStream::GetAtEndOfLine)
          .Method(5, "Read", &TTextStream::Read, {Arg("Characters")})
          .Method(6, "ReadLine", &TTextStream::ReadLine)
          .Method(7, "ReadAll", &TTextStream::ReadAll)
          .Method(8, "Write", &TTextStream::Write, {Arg("Text")})
          .Method(9, "WriteLine", &TTextStream::WriteLine, {Opt("Text", u"")})
          .Method(10, "WriteBlankLines", &TTextStream::WriteBlankLines, {Arg("Lines")})
          .Method(11, "Skip", &TTextStream::Skip, {Arg("Characters")})
          .Method(12, "SkipLine", &TTextStream::SkipLine)
          .Method(13, "Close", &TTextStream::Close)
          .Build();
  return info;
}

TTextStream::TTextStream(std::unique_ptr<ByteSource> source, TextFormat format)
    : TVekObject(Info()),
      FSource(std::move(source)),
      FDecoder(std::make_unique<Decoder>(format)),
      FFormat(format),
      FLineBreak(kFileLineBreak) {}

TTextStream::TTextStream(std::unique_ptr<ByteSink> sink, TextFormat format, LineEnd lineEnd)
    : TVekObject(Info()),
      FSink(std::move(sink)),
      FFormat(format),
      FLineBreak(lineEnd == LineEnd::Program ? kProgramLineBreak : kFileLineBreak) {}

TTextStream::~TTextStream() = default;

void TTextStream::CheckReading() {
  if (!FSource) FailDesktop(DesktopError::BadFileMode);
}

void TTextStream::CheckWriting() {
  if (!FSink) FailDesktop(DesktopError::BadFileMode);
}

bool TTextStream::Fill() {
  Bytes chunk(kChunk);  // not on the stack: script threads may have small ones
  while (!FSourceDone) {
    const size_t got = FSource->ReadSome(chunk.data(), chunk.size());
    if (got == 0) FSourceDone = true;
    WideString text = FDecoder->Decode(std::span<const uint8_t>(chunk.data(), got), FSourceDone);
    FPending.append(text);
    if (!text.empty()) return true;
  }
  return false;
}

bool TTextStream::AtEnd() { return FPosition >= FPending.size() && !Fill(); }

void TTextStream::CheckNotAtEnd() {
  if (AtEnd()) FailDesktop(DesktopError::InputPastEnd);
}

void TTextStream::Count(std::u16string_view text) {
  for (char16_t c : text) {
    if (c == u'\r') {
      ++FLine;
      FColumn = 1;
    } else if (c == u'\n') {
      if (!FAfterCr) ++FLine;
      FColumn = 1;
    } else {
      ++FColumn;
    }
    FAfterCr = c == u'\r';
  }
}

WideString TTextStream::Take(size_t count) {
  while (FPending.size() - FPosition < count && Fill()) {
  }
  const size_t n = std::min(count, FPending.size() - FPosition);
  WideString taken = FPending.substr(FPosition, n);
  FPosition += n;
  Count(taken);
  if (FPosition >= kChunk) {  // keep the text already read from piling up
    FPending.erase(0, FPosition);
    FPosition = 0;
  }
  return taken;
}

WideString TTextStream::Read(int32_t Characters) {
  CheckReading();
  if (Characters < 0) FailDesktop(DesktopError::InvalidCall);
  if (Characters == 0) return {};
  CheckNotAtEnd();
  return Take(static_cast<size_t>(Characters));
}

WideString TTextStream::ReadLine() {
  CheckReading();
  CheckNotAtEnd();
  size_t scanned = FPosition;
  for (;;) {
    const size_t end = FPending.find_first_of(u"\r\n", scanned);
    if (end != WideString::npos) {
      WideString line = Take(end - FPosition);
      const bool cr = Take(1) == u"\r";
      if (cr && (FPosition < FPending.size() || Fill()) && FPending[FPosition] == u'\n') Take(1);
      return line;
    }
    scanned = FPending.size();
    if (!Fill()) return Take(FPending.size() - FPosition);
  }
}

WideString TTextStream::ReadAll() {
  CheckReading();
  CheckNotAtEnd();
  while (Fill()) {
  }
  return Take(FPending.size() - FPosition);
}

void TTextStream::Skip(int32_t Characters) { Read(Characters); }

void TTextStream::SkipLine() { ReadLine(); }

Bytes TTextStream::Encode(std::u16string_view text) const {
  if (FFormat == TextFormat::Unicode) {
    Bytes bytes;
    bytes.reserve(text.size() * 2);
    for (char16_t c : text) {
      bytes.push_back(static_cast<uint8_t>(c & 0xFF));
      bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
    return bytes;
  }
  if (SystemIsUtf8()) {
    std::string narrow = Utf8(text);
    return Bytes(narrow.begin(), narrow.end());
  }
  return EncodeText(text, SystemCodePage());
}

void TTextStream::Write(const WideString& Text) {
  CheckWriting();
  FSink->WriteAll(Encode(Text));
  Count(Text);
}

void TTextStream::WriteLine(const WideString& Text) { Write(Text + WideString(FLineBreak)); }

void TTextStream::WriteBlankLines(int32_t Lines) {
  if (Lines < 0) FailDesktop(DesktopError::InvalidCall);
  WideString breaks;
  for (int32_t i = 0; i < Lines; ++i) breaks.append(FLineBreak);
  Write(breaks);
}

bool TTextStream::GetAtEndOfStream() {
  CheckReading();
  return AtEnd();
}

bool TTextStream::GetAtEndOfLine() {
  CheckReading();
  if (AtEnd()) return true;
  return FPending[FPosition] == u'\r' || FPending[FPosition] == u'\n';
}

void TTextStream::Close() {
  FSource.reset();
  FSink.reset();
  FPending.clear();
  FPosition = 0;
}

namespace {

TextFormat FormatFor(int32_t format) {
  if (format != 0 && format != -1 && format != -2) FailDesktop(DesktopError::InvalidCall);
  return format == -1 ? TextFormat::Unicode : TextFormat::System;
}

// Reads only a regular file, as every reader of the runtime: a pipe, device or folder is refused
// before anything blocks on it (a FIFO, /dev/zero).
UniqueFd OpenForReading(const std::string& path) {
  FileDescriptor fd = OpenRegularFile(path);
  if (!fd) FailSystemError(errno == EINVAL ? EACCES : errno, DesktopError::FileNotFound);
  return UniqueFd(fd.Release());
}

// What a writer may replace: nothing, a regular file, or a link (which is replaced); a folder,
// pipe or device is refused.
void CheckWritableTarget(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) FailDesktop(DesktopError::PermissionDenied);
}

// A file opened for writing is a new file put in the target's place at once (after the old
// contents, when appending), so a symbolic link there is replaced, never written through; what the
// script writes then goes into it.
UniqueFd ReplaceForWriting(const std::string& path, bool append) {
  CheckWritableTarget(path);
  FileReplacement replacement;
  if (!replacement.Begin(path)) FailSystemError(errno, DesktopError::PathNotFound);
  if (append && !replacement.CopyCurrent()) FailSystemError(errno == EINVAL ? EACCES : errno, DesktopError::PathNotFound);
  FileDescriptor placed = replacement.PlaceAndKeepOpen();
  if (!placed) FailSystemError(errno ? errno : EIO, DesktopError::PathNotFound);
  return UniqueFd(placed.Release());
}

bool IsEmptyFile(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) != 0 || info.st_size == 0;
}

Ref<TTextStream> WritingStream(UniqueFd fd, TextFormat format, bool byteOrderMark) {
  auto sink = std::make_unique<FdSink>(std::move(fd));
  if (byteOrderMark && format == TextFormat::Unicode) {
    const uint8_t mark[] = {0xFF, 0xFE};
    sink->WriteAll(mark);
  }
  return MakeRef<TTextStream>(std::unique_ptr<ByteSink>(std::move(sink)), format);
}

}  // namespace

Ref<TTextStream> OpenTextFile(const WideString& path, int32_t ioMode, bool create, int32_t format) {
  const TextFormat textFormat = FormatFor(format);
  const std::string systemPath = SystemPath(path);
  if (ioMode != 1 && ioMode != 2 && ioMode != 8) FailDesktop(DesktopError::InvalidCall);
  struct stat info {};
  const bool exists = ::lstat(systemPath.c_str(), &info) == 0;
  if (!exists && !create) FailSystemError(ENOENT, DesktopError::FileNotFound);
  if (ioMode == 1) {
    if (!exists) ReplaceForWriting(systemPath, false);  // created empty, as asked
    return MakeRef<TTextStream>(std::make_unique<FileSource>(OpenForReading(systemPath)), textFormat);
  }
  const bool mark = ioMode == 2 || IsEmptyFile(systemPath);
  return WritingStream(ReplaceForWriting(systemPath, ioMode == 8), textFormat, mark);
}

Ref<TTextStream> CreateTextFile(const WideString& path, bool overwrite, bool unicode) {
  const std::string systemPath = SystemPath(path);
  struct stat info {};
  if (!overwrite && ::lstat(systemPath.c_str(), &info) == 0) FailSystemError(EEXIST, DesktopError::PathNotFound);
  return WritingStream(ReplaceForWriting(systemPath, false), unicode ? TextFormat::Unicode : TextFormat::System, true);
}

std::unique_ptr<ByteSink> PipeSink(int fd) { return std::make_unique<FdSink>(UniqueFd(fd)); }

}  // namespace ulka
