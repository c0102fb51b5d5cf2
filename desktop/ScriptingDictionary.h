// Our stand-in for the platform's dictionary object ("Scripting.Dictionary"): items under keys
// of any kind (text, numbers, dates, objects), kept in the order they were added. Keys compare
// exactly (CompareMode 0) or text without regard to case (1 and 2); numbers compare by value.
// Reading the item of a missing key adds that key with an Empty item, as scripts of the platform
// expect.
#pragma once

#include <list>
#include <unordered_map>

#include "automation/VekObject.h"

namespace ulka {

class TScriptingDictionary : public TVekObject {
 public:
  static const InterfaceInfo& Info();
  TScriptingDictionary() : TVekObject(Info()) {}

  void Add(const Variant& Key, const Variant& Item);
  bool Exists(const Variant& Key);
  Variant GetItem(const Variant& Key);
  void SetItem(const Variant& Key, const Variant& Value);
  // Gives an entry a new key.
  void SetKey(const Variant& Key, const Variant& Value);
  Variant Items();
  Variant Keys();
  void Remove(const Variant& Key);
  void RemoveAll();
  int32_t GetCount() { return static_cast<int32_t>(FEntries.size()); }
  int32_t GetCompareMode() { return FCompareMode; }
  // Only while the dictionary is empty.
  void SetCompareMode(int32_t Value);
  // The keys, for enumeration.
  Variant NewEnum() { return Keys(); }

 private:
  struct Entry {
    Variant key;
    Variant item;
  };
  using Position = std::list<Entry>::iterator;
  // The form under which a key is looked up; fails with "Type mismatch" for an array.
  WideString LookupForm(const Variant& key) const;
  Position Find(const Variant& key);

  std::list<Entry> FEntries;
  std::unordered_map<WideString, Position> FIndex;
  int32_t FCompareMode = 0;
};

}  // namespace ulka
