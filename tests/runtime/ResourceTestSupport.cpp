#include "ResourceTestSupport.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <random>

#include "automation/Unicode.h"

namespace ulka::test {

namespace fs = std::filesystem;

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "ulka-res-XXXXXX").string();
  path_ = ::mkdtemp(pattern.data());
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(path_, ec);
}

std::string Fixture(const std::string& name) { return std::string(ULKA_RES_FIXTURES) + "/" + name; }

std::string CopyFixture(const std::string& name, const TempDir& dir) {
  std::string target = dir.File(name);
  fs::copy_file(Fixture(name), target, fs::copy_options::overwrite_existing);
  return target;
}

Bytes ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes Pattern(size_t size, uint8_t seed) {
  std::mt19937 random(seed);
  Bytes bytes(size);
  for (auto& b : bytes) b = static_cast<uint8_t>(random());
  return bytes;
}

std::string Hex(const Bytes& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (uint8_t b : bytes) {
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

int Run(const std::string& command, std::string* output) {
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return -1;
  std::string text;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
  int status = ::pclose(pipe);
  if (output) *output = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string PeCheck(const std::string& path, const std::string& expectations) {
  // Expectations can be long (hex data): pass them through a file.
  std::string json = path + ".expect.json";
  WriteAll(json, Bytes(expectations.begin(), expectations.end()));
  std::string output;
  int code = Run(std::string(ULKA_SYSTEM_PYTHON) + " " + ULKA_RES_PECHECK + " '" + path + "' '@" +
                     json + "' 2>&1",
                 &output);
  fs::remove(json);
  return code == 0 ? "" : output.empty() ? "pecheck failed" : output;
}

Variant Text(const char* utf8) { return Variant(Wide(utf8)); }
Variant Num(int32_t n) { return Variant(n); }

}  // namespace ulka::test
