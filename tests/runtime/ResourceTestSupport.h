// Helpers of the resource tests: temporary folders, fixture copies, and the independent checks
// (pefile through pecheck.py, wrestool).
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "automation/Variant.h"

namespace ulka::test {

class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::filesystem::path& Path() const { return path_; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

std::string Fixture(const std::string& name);
std::string CopyFixture(const std::string& name, const TempDir& dir);

Bytes ReadAll(const std::string& path);
void WriteAll(const std::string& path, const Bytes& bytes);
Bytes Pattern(size_t size, uint8_t seed);
std::string Hex(const Bytes& bytes);

// Runs a command; its exit code, with its standard output in `output`.
int Run(const std::string& command, std::string* output = nullptr);

// pecheck.py's verdict ("" when all holds) on `path` with expectations in JSON.
std::string PeCheck(const std::string& path, const std::string& expectations);

Variant Text(const char* utf8);
Variant Num(int32_t n);

}  // namespace ulka::test
