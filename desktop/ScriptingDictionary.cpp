#include "desktop/ScriptingDictionary.h"

#include <bit>
#include <cstdio>

#include "automation/Messages.h"
#include "automation/Unicode.h"
#include "automation/VekError.h"
#include "desktop/Collections.h"
#include "desktop/DesktopErrors.h"

namespace ulka {
namespace {

WideString NumberForm(char16_t kind, double value) {
  if (value == 0) value = 0;  // -0 and 0 are one key
  char digits[24];
  std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(std::bit_cast<uint64_t>(value)));
  return WideString(1, kind) + Wide(digits);
}

}  // namespace

const InterfaceInfo& TScriptingDictionary::Info() {
  using D = TScriptingDictionary;
  static const InterfaceInfo info =
      InterfaceBuilder<D>("IScriptingDictionary", "{C1BDEC43-4685-4054-B0E3-9ECAC50BAADB}")
          .Property(0, "Item", &D::GetItem, &D::SetItem, {Arg("Key")})
          .Method(1, "Add", &D::Add, {Arg("Key"), Arg("Item")})
          .Getter(2, "Count", &D::GetCount)
          .Method(3, "Exists", &D::Exists, {Arg("Key")})
          .Method(4, "Items", &D::Items)
          .Setter(5, "Key", &D::SetKey, {Arg("Key")})
          .Method(6, "Keys", &D::Keys)
          .Method(7, "Remove", &D::Remove, {Arg("Key")})
          .Method(8, "RemoveAll", &D::RemoveAll)
          .Property(9, "CompareMode", &D::GetCompareMode, &D::SetCompareMode)
          .Method(kNewEnumId, "_NewEnum", &D::NewEnum)
          .Build();
  return info;
}

WideString TScriptingDictionary::LookupForm(const Variant& key) const {
  const VarType type = key.Type();
  if (type & VT_ARRAY) FailCode(DISP_E_TYPEMISMATCH, msg::kTypeMismatch);
  switch (type) {
    case VT_EMPTY: return u"e";
    case VT_NULL: return u"z";
    case VT_BSTR: return (FCompareMode == 0 ? u"s" : u"t") + (FCompareMode == 0 ? key.Text() : UpperCase(key.Text()));
    case VT_DATE: return NumberForm(u'd', key.Double());
    case VT_DISPATCH: {
      char pointer[24];
      std::snprintf(pointer, sizeof pointer, "%p", static_cast<void*>(key.Dispatch()));
      return u"o" + Wide(pointer);
    }
    default: break;
  }
  Variant number;
  if (key.IsNumber() || type == VT_BOOL) {
    if (Succeeded(ChangeType(key, VT_R8, number))) return NumberForm(u'n', number.Double());
  }
  FailCode(DISP_E_TYPEMISMATCH, msg::kTypeMismatch);
}

TScriptingDictionary::Position TScriptingDictionary::Find(const Variant& key) {
  auto found = FIndex.find(LookupForm(key));
  return found == FIndex.end() ? FEntries.end() : found->second;
}

void TScriptingDictionary::Add(const Variant& Key, const Variant& Item) {
  WideString form = LookupForm(Key);
  if (FIndex.contains(form)) FailDesktop(DesktopError::KeyAlreadyExists);
  FEntries.push_back({Key.Deref(), Item.Deref()});
  FIndex.emplace(std::move(form), std::prev(FEntries.end()));
}

bool TScriptingDictionary::Exists(const Variant& Key) { return Find(Key) != FEntries.end(); }

Variant TScriptingDictionary::GetItem(const Variant& Key) {
  Position at = Find(Key);
  if (at != FEntries.end()) return at->item;
  Add(Key, Variant());
  return Variant();
}

void TScriptingDictionary::SetItem(const Variant& Key, const Variant& Value) {
  Position at = Find(Key);
  if (at == FEntries.end()) Add(Key, Value);
  else at->item = Value.Deref();
}

void TScriptingDictionary::SetKey(const Variant& Key, const Variant& Value) {
  Position at = Find(Key);
  if (at == FEntries.end()) FailDesktop(DesktopError::ElementNotFound);
  WideString form = LookupForm(Value);
  if (FIndex.contains(form)) FailDesktop(DesktopError::KeyAlreadyExists);
  FIndex.erase(LookupForm(Key));
  at->key = Value.Deref();
  FIndex.emplace(std::move(form), at);
}

Variant TScriptingDictionary::Items() {
  std::vector<Variant> items;
  items.reserve(FEntries.size());
  for (const Entry& entry : FEntries) items.push_back(entry.item);
  return VariantArray(std::move(items));
}

Variant TScriptingDictionary::Keys() {
  std::vector<Variant> keys;
  keys.reserve(FEntries.size());
  for (const Entry& entry : FEntries) keys.push_back(entry.key);
  return VariantArray(std::move(keys));
}

void TScriptingDictionary::Remove(const Variant& Key) {
  auto found = FIndex.find(LookupForm(Key));
  if (found == FIndex.end()) FailDesktop(DesktopError::ElementNotFound);
  FEntries.erase(found->second);
  FIndex.erase(found);
}

void TScriptingDictionary::RemoveAll() {
  FIndex.clear();
  FEntries.clear();
}

void TScriptingDictionary::SetCompareMode(int32_t Value) {
  if (Value < 0 || Value > 2 || !FEntries.empty()) FailDesktop(DesktopError::InvalidCall);
  FCompareMode = Value;
}

}  // namespace ulka
