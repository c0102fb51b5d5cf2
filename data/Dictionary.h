// An ordered list of key and value pairs with a JSON-like text form. The entries are the
// object's expando members, so `d.Add("color", 1)`, `d("color") = 1` and `d.color = 1` all act
// on one list.
#pragma once

#include "automation/VekObjectEx.h"

namespace ulka {

// How deep dictionaries may nest in the text form, read or written. Deeper text is refused
// (LoadJSON answers false, JSON fails with "Dictionary nested too deeply or contains itself")
// rather than risking the stack. Dictionaries nest any depth in memory.
inline constexpr int kMaxDictionaryDepth = 1000;

class TDictionary : public TVekObjectEx {
 public:
  static const InterfaceInfo& Info();
  TDictionary() : TVekObjectEx(Info()) {}

  Ref<TDictionary> Add(const WideString& Key, const Variant& Value);
  void Remove(const WideString& Key);
  void RemoveAt(int32_t Index);
  void RemoveAll();
  int32_t IndexOf(const WideString& Key);
  bool Contains(const WideString& Key);
  void Sort();
  WideString GetKeys(int32_t Index);
  void SetKeys(int32_t Index, const WideString& Value);
  Variant GetItems(int32_t Index);
  void SetItems(int32_t Index, const Variant& Value);
  Variant GetValues(const WideString& Key);
  void SetValues(const WideString& Key, const Variant& Value);
  int32_t GetLength();
  bool LoadJSON(const WideString& Text);
  WideString JSON();
};

}  // namespace ulka
