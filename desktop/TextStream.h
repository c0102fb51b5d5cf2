// The file-system object's text stream: reading by characters and lines, writing text, over a
// file or over a pipe of a started process. Text is the system's code page ("ASCII") or UTF-16
// ("Unicode"); lines end with CR LF when written, with CR LF, LF or CR when read.
#pragma once

#include <memory>
#include <span>

#include "automation/VekObject.h"

namespace ulka {

// Where a reading stream's bytes come from: ReadSome answers 0 at the end.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual size_t ReadSome(uint8_t* buffer, size_t size) = 0;
};

// Where a writing stream's bytes go.
class ByteSink {
 public:
  virtual ~ByteSink() = default;
  virtual void WriteAll(std::span<const uint8_t> bytes) = 0;
};

enum class TextFormat { System, Unicode };
// How WriteLine ends a line: text files as the platform's files do (CR LF), lines for a program on
// this system (a child's standard input) with LF, as it reads them.
enum class LineEnd { File, Program };

class TTextStream : public TVekObject {
 public:
  static const InterfaceInfo& Info();
  TTextStream(std::unique_ptr<ByteSource> source, TextFormat format);
  TTextStream(std::unique_ptr<ByteSink> sink, TextFormat format, LineEnd lineEnd = LineEnd::File);
  ~TTextStream() override;

  WideString Read(int32_t Characters);
  WideString ReadLine();
  WideString ReadAll();
  void Skip(int32_t Characters);
  void SkipLine();
  void Write(const WideString& Text);
  void WriteLine(const WideString& Text);
  void WriteBlankLines(int32_t Lines);
  bool GetAtEndOfStream();
  bool GetAtEndOfLine();
  int32_t GetLine() { return FLine; }
  int32_t GetColumn() { return FColumn; }
  void Close();

 private:
  class Decoder;
  void CheckReading();
  void CheckWriting();
  // Makes at least one more character available; false at the end of the stream.
  bool Fill();
  bool AtEnd();
  void CheckNotAtEnd();
  // Takes the next `count` characters (fewer at the end) and counts lines and columns.
  WideString Take(size_t count);
  void Count(std::u16string_view text);
  Bytes Encode(std::u16string_view text) const;

  std::unique_ptr<ByteSource> FSource;
  std::unique_ptr<ByteSink> FSink;
  std::unique_ptr<Decoder> FDecoder;
  TextFormat FFormat;
  std::u16string_view FLineBreak;
  WideString FPending;
  size_t FPosition = 0;
  bool FSourceDone = false;
  bool FAfterCr = false;
  int32_t FLine = 1;
  int32_t FColumn = 1;
};

// Opening files as the file-system object does. `ioMode` is 1 reading, 2 writing (the file is
// replaced), 8 appending; `format` is 0 the system's code page, -1 Unicode, -2 the system's
// default (the code page). A new or replaced Unicode file starts with a byte-order mark.
Ref<TTextStream> OpenTextFile(const WideString& path, int32_t ioMode, bool create, int32_t format);
Ref<TTextStream> CreateTextFile(const WideString& path, bool overwrite, bool unicode);

// Streams over a pipe (a started process's output or input); the stream owns the descriptor.
std::unique_ptr<ByteSink> PipeSink(int fd);

}  // namespace ulka
