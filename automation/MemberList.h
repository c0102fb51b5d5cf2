// The member list of an expando object: names compared without regard to case, duplicates
// allowed, a lookup by name finds the entry added last. Entries keep insertion order; an entry's
// id is its position.
#pragma once

#include <span>
#include <cstdint>
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
    uint32_t hash;  // of the upper-cased name
    Variant value;
  };
  // The name index: open addressing with linear probing over the upper-cased names; each
  // distinct name has one slot holding the position of the last entry of that name. Slots are
  // small and contiguous, so lookups stay cheap however long the list grows.
  struct Slot {
    uint32_t hash = 0;
    int id = -1;  // -1: an empty slot
  };
  void CheckIndex(int id) const;
  // The slot of a name, or -1.
  int FindSlot(std::u16string_view name, uint32_t hash) const;
  // Points the slot of entry `id`'s name at `id`, adding the slot when the name is new.
  void IndexEntry(int id);
  void EraseSlot(size_t slot);
  void GrowIndex();
  void RebuildIndex();
  // Points `slot` (the slot of `name`) at the last entry of that name at or before `from`, or
  // drops it.
  void ReindexName(size_t slot, std::u16string_view name, uint32_t hash, int from);

  std::vector<Entry> entries_;
  std::vector<Slot> slots_;  // a power of two long, at most four fifths full
  size_t usedSlots_ = 0;
};

}  // namespace ulka
