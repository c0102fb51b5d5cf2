#include "archive/ZipNameIndex.h"

#include <glib.h>

#include <algorithm>
#include <memory>

namespace ulka {

namespace {

bool IsAscii(std::string_view s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Names in a single-byte code page: ASCII letters, and the upper-half block where the Latin-1 and
// Cyrillic code pages keep their capitals 0x20 below the small letters.
char ByteLower(char c) {
  const auto b = static_cast<unsigned char>(c);
  return (b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDF) ? static_cast<char>(b + 0x20) : c;
}

}  // namespace

std::string ZipNameIndex::Key(std::string_view name) {
  if (IsAscii(name) || !g_utf8_validate(name.data(), static_cast<gssize>(name.size()), nullptr)) {
    std::string key(name);
    std::transform(key.begin(), key.end(), key.begin(), ByteLower);
    if (!IsAscii(name)) key.insert(key.begin(), '\xFF');  // never equal to a UTF-8 key
    return key;
  }
  std::unique_ptr<gchar, decltype(&g_free)> folded(
      g_utf8_casefold(name.data(), static_cast<gssize>(name.size())), &g_free);
  return std::string(folded.get());
}

void ZipNameIndex::Insert(int index, const std::string& key) {
  std::vector<int>& list = byKey_[key];
  list.insert(std::upper_bound(list.begin(), list.end(), index), index);
}

void ZipNameIndex::Append(int index, std::string_view name) {
  byKey_[Key(name)].push_back(index);
}

void ZipNameIndex::Rename(int index, std::string_view oldName, std::string_view newName) {
  auto it = byKey_.find(Key(oldName));
  if (it != byKey_.end()) {
    std::vector<int>& list = it->second;
    auto pos = std::lower_bound(list.begin(), list.end(), index);
    if (pos != list.end() && *pos == index) list.erase(pos);
    if (list.empty()) byKey_.erase(it);
  }
  Insert(index, Key(newName));
}

int ZipNameIndex::Find(std::string_view name) const {
  auto it = byKey_.find(Key(name));
  return it == byKey_.end() || it->second.empty() ? -1 : it->second.front();
}

}  // namespace ulka
