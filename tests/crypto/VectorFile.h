// Reads test vector files: groups of "Name = hexadecimal" lines, a group ending with its "Out"
// line. "#" starts a comment; "[Section]" lines name the groups that follow.
#pragma once

#include <cstdint>
#include <fstream>
#include <map>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace ulka::test {

struct TestVector {
  std::string section;
  int line = 0;
  std::map<std::string, std::vector<uint8_t>> values;
  const std::vector<uint8_t>& operator[](const std::string& name) const { return values.at(name); }
};

inline std::vector<uint8_t> ParseHex(const std::string& hex) {
  if (hex.size() % 2) throw std::runtime_error("odd hexadecimal text: " + hex);
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i < hex.size(); i += 2) bytes.push_back(static_cast<uint8_t>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  return bytes;
}

inline std::string Trim(const std::string& s) {
  const size_t a = s.find_first_not_of(" \t\r");
  if (a == std::string::npos) return {};
  return s.substr(a, s.find_last_not_of(" \t\r") - a + 1);
}

inline std::vector<TestVector> ReadVectorFile(const std::string& relativePath) {
  const std::string path = std::string(ULKA_SOURCE_DIR) + "/tests/crypto/data/" + relativePath;
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot open " + path);
  std::vector<TestVector> vectors;
  TestVector current;
  std::string section, text;
  for (int line = 1; std::getline(in, text); ++line) {
    text = Trim(text.substr(0, text.find('#')));
    if (text.empty()) continue;
    if (text.front() == '[') {
      section = text.substr(1, text.size() - 2);
      continue;
    }
    const size_t eq = text.find('=');
    if (eq == std::string::npos) throw std::runtime_error(path + ":" + std::to_string(line) + ": no '='");
    const std::string name = Trim(text.substr(0, eq));
    if (current.values.empty()) current.line = line;
    current.section = section;
    current.values[name] = ParseHex(Trim(text.substr(eq + 1)));
    if (name == "Out") vectors.push_back(std::exchange(current, TestVector{}));
  }
  return vectors;
}

}  // namespace ulka::test
