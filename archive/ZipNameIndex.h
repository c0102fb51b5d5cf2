// Finds entries by name without regard to letter case, without a scan per lookup.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace ulka {

class ZipNameIndex {
 public:
  // The comparison key of a name: case-folded when the bytes are UTF-8 (the system's narrow
  // text), else folded byte by byte as a single-byte code page; names compare equal exactly when
  // their keys do.
  static std::string Key(std::string_view name);

  void Clear() { byKey_.clear(); }
  void Append(int index, std::string_view name);  // index is above every index held
  void Rename(int index, std::string_view oldName, std::string_view newName);
  // The lowest index whose name equals `name`, or -1.
  int Find(std::string_view name) const;

 private:
  void Insert(int index, const std::string& key);

  std::unordered_map<std::string, std::vector<int>> byKey_;  // indexes in ascending order
};

}  // namespace ulka
