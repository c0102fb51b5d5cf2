#include "data/Dictionary.h"

#include <algorithm>
#include <numeric>
#include <vector>

#include "data/Collation.h"
#include "data/JsonReader.h"
#include "data/JsonWriter.h"

namespace ulka {

const InterfaceInfo& TDictionary::Info() {
  static const InterfaceInfo info =
      InterfaceBuilder<TDictionary>("IDictionary", "{999ADAE6-4A58-4084-9C5E-0DA69E288496}",
                                    "Dispatch interface for Dictionary Object")
          .Method(201, "Add", &TDictionary::Add, {Arg("Key"), Arg("Value")})
          .Method(202, "Remove", &TDictionary::Remove, {Arg("Key")})
          .Method(203, "RemoveAt", &TDictionary::RemoveAt, {Arg("Index")})
          .Method(204, "RemoveAll", &TDictionary::RemoveAll)
          .Method(205, "IndexOf", &TDictionary::IndexOf, {Arg("Key")})
          .Method(206, "Contains", &TDictionary::Contains, {Arg("Key")})
          .Method(207, "Sort", &TDictionary::Sort)
          .Property(208, "Keys", &TDictionary::GetKeys, &TDictionary::SetKeys, {Arg("Index")})
          .Property(209, "Items", &TDictionary::GetItems, &TDictionary::SetItems, {Arg("Index")})
          .Property(0, "Values", &TDictionary::GetValues, &TDictionary::SetValues, {Arg("Key")})
          .Getter(211, "Length", &TDictionary::GetLength)
          .Method(210, "LoadJSON", &TDictionary::LoadJSON, {Arg("Text")})
          .Method(212, "JSON", &TDictionary::JSON)
          .Build();
  return info;
}

Ref<TDictionary> TDictionary::Add(const WideString& Key, const Variant& Value) {
  AddMember(Key, Value);
  return Ref<TDictionary>(this);
}

void TDictionary::Remove(const WideString& Key) {
  int id = GetMemberId(Key);
  if (id >= 0) DeleteMember(id);
}

void TDictionary::RemoveAt(int32_t Index) { DeleteMember(Index); }

void TDictionary::RemoveAll() { Members().Clear(); }

int32_t TDictionary::IndexOf(const WideString& Key) { return GetMemberId(Key); }

bool TDictionary::Contains(const WideString& Key) { return GetMemberId(Key) >= 0; }

void TDictionary::Sort() {
  TMemberList& list = Members();
  std::vector<std::string> keys;
  keys.reserve(static_cast<size_t>(list.Count()));
  for (int i = 0; i < list.Count(); ++i) keys.push_back(CollationKey(list.GetMemberName(i)));
  std::vector<int> order(keys.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return keys[a] < keys[b]; });
  list.Reorder(order);
}

WideString TDictionary::GetKeys(int32_t Index) { return Members().GetMemberName(Index); }

void TDictionary::SetKeys(int32_t Index, const WideString& Value) {
  Members().SetMemberName(Index, Value);
}

Variant TDictionary::GetItems(int32_t Index) { return GetMember(Index); }

void TDictionary::SetItems(int32_t Index, const Variant& Value) { SetMember(Index, Value); }

Variant TDictionary::GetValues(const WideString& Key) {
  int id = GetMemberId(Key);
  return id >= 0 ? GetMember(id) : Variant();
}

void TDictionary::SetValues(const WideString& Key, const Variant& Value) {
  int id = GetMemberId(Key);
  if (id >= 0) {
    SetMember(id, Value);
  } else {
    AddMember(Key, Value);
  }
}

int32_t TDictionary::GetLength() { return Members().Count(); }

bool TDictionary::LoadJSON(const WideString& Text) {
  RemoveAll();
  return TJsonReader(Text).Read(*this);
}

WideString TDictionary::JSON() { return TJsonWriter().Write(*this); }

}  // namespace ulka
