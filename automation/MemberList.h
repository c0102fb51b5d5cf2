// The member list of an expando object: names compared without regard to case, duplicates
// allowed, a lookup by name finds the entry added last. Entries keep insertion order; an entry's
// id is its position.
#pragma once

#include <span>
#include <unordered_map>
#include <vector>

#include "automation/Variant.h"

namespace ulka {

class TMemberList {
 public:
  int AddMember(const WideString& name, const Variant& value);
  int GetMemberId(std::u16string_view name) const;  // -1 when absent
  const WideString& GetMemberName(int id) const;
  const Variant& GetMember(int id) const;
  void SetMember(int id, const Variant& value);
  void DeleteMember(int id);  // later entries move down by one
  // Renames the entry at `id`; its value and position stay.
  void SetMemberName(int id, const WideString& name);
  // Puts the entries in a new order: entry i becomes the one that was at order[i].
  void Reorder(std::span<const int> order);
  void Clear();
  int Count() const { return static_cast<int>(entries_.size()); }

 private:
  struct Entry {
    WideString name;
    WideString upperName;
    Variant value;
  };
  void CheckIndex(int id) const;
  void RebuildIndex();
  void ReindexName(const WideString& upper, int from);

  std::vector<Entry> entries_;
  std::unordered_map<WideString, int> lastByName_;  // upper-cased name -> last entry
};

}  // namespace ulka
