#include "automation/MemberList.h"

#include <algorithm>
#include <random>
#include <utility>

#include "automation/Unicode.h"
#include "automation/VekError.h"

namespace ulka {

namespace {

// A per-process seed, so that names colliding on purpose in one run do not in another.
uint32_t HashSeed() {
  static const uint32_t seed = std::random_device()();
  return seed;
}

char16_t Upper(char16_t c) {
  if (c < 0x80) return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
  return UpperChar(c);
}

// FNV-1a over the upper-cased UTF-16 units, then a final mix so that the low bits (the home
// slot) depend on every unit.
uint32_t HashName(std::u16string_view name) {
  uint64_t h = 0xcbf29ce484222325ULL ^ HashSeed();
  for (char16_t c : name) {
    h ^= Upper(c);
    h *= 0x100000001b3ULL;
  }
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdULL;
  h ^= h >> 33;
  return static_cast<uint32_t>(h);
}

bool SameName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i] != b[i] && Upper(a[i]) != Upper(b[i])) return false;
  return true;
}

}  // namespace

int TMemberList::AddMember(const WideString& name, const Variant& value) {
  int id = static_cast<int>(entries_.size());
  const uint32_t hash = HashName(name);
  // The slot is a likely cache miss in a long list: start loading it while the entry is copied.
  if (!slots_.empty()) __builtin_prefetch(&slots_[hash & (slots_.size() - 1)]);
  entries_.push_back({name, hash, value});
  IndexEntry(id);  // the entry added last wins
  return id;
}

int TMemberList::GetMemberId(std::u16string_view name) const {
  int slot = FindSlot(name, HashName(name));
  return slot < 0 ? -1 : slots_[slot].id;
}

void TMemberList::CheckIndex(int id) const {
  if (id < 0 || id >= Count()) FailIndex(id);
}

const WideString& TMemberList::GetMemberName(int id) const {
  CheckIndex(id);
  return entries_[id].name;
}

const Variant& TMemberList::GetMember(int id) const {
  CheckIndex(id);
  return entries_[id].value;
}

void TMemberList::SetMember(int id, const Variant& value) {
  CheckIndex(id);
  entries_[id].value = value;
}

void TMemberList::DeleteMember(int id) {
  CheckIndex(id);
  const int slot = FindSlot(entries_[id].name, entries_[id].hash);
  Variant released = std::move(entries_[id].value);  // released after the list is consistent
  const WideString name = std::move(entries_[id].name);
  const uint32_t hash = entries_[id].hash;
  const bool foundByName = slots_[slot].id == id;
  entries_.erase(entries_.begin() + id);
  // The index moves with the entries instead of being rebuilt: deleting stays one pass.
  for (Slot& s : slots_) {
    if (s.id > id) --s.id;
  }
  if (foundByName) ReindexName(static_cast<size_t>(slot), name, hash, id - 1);
}

void TMemberList::SetMemberName(int id, const WideString& name) {
  CheckIndex(id);
  Entry& entry = entries_[id];
  if (SameName(entry.name, name)) {
    entry.name = name;  // only the letter case changes
    return;
  }
  const int slot = FindSlot(entry.name, entry.hash);
  if (slots_[slot].id == id) ReindexName(static_cast<size_t>(slot), entry.name, entry.hash, id - 1);
  entry.name = name;
  entry.hash = HashName(name);
  const int newSlot = FindSlot(entry.name, entry.hash);
  if (newSlot < 0 || slots_[newSlot].id < id) IndexEntry(id);
}

void TMemberList::Reorder(std::span<const int> order) {
  // Checked whole before anything moves, so a bad order leaves the list as it was.
  if (order.size() != entries_.size()) FailIndex(static_cast<int64_t>(order.size()));
  std::vector<bool> taken(entries_.size());
  for (int from : order) {
    CheckIndex(from);
    if (taken[from]) FailIndex(from);
    taken[from] = true;
  }
  std::vector<Entry> reordered;
  reordered.reserve(entries_.size());
  for (int from : order) reordered.push_back(std::move(entries_[from]));
  entries_.swap(reordered);
  RebuildIndex();
}

void TMemberList::Clear() {
  std::vector<Entry> old;
  old.swap(entries_);  // values are released after the list is empty
  slots_.clear();
  usedSlots_ = 0;
}

int TMemberList::FindSlot(std::u16string_view name, uint32_t hash) const {
  if (slots_.empty()) return -1;
  const size_t mask = slots_.size() - 1;
  for (size_t i = hash & mask;; i = (i + 1) & mask) {
    const Slot& s = slots_[i];
    if (s.id < 0) return -1;
    if (s.hash == hash && SameName(entries_[s.id].name, name)) return static_cast<int>(i);
  }
}

void TMemberList::IndexEntry(int id) {
  if ((usedSlots_ + 1) * 5 > slots_.size() * 4) GrowIndex();
  const Entry& entry = entries_[id];
  const size_t mask = slots_.size() - 1;
  size_t i = entry.hash & mask;
  for (; slots_[i].id >= 0; i = (i + 1) & mask) {
    if (slots_[i].hash == entry.hash && SameName(entries_[slots_[i].id].name, entry.name)) {
      slots_[i].id = id;
      return;
    }
  }
  slots_[i] = {entry.hash, id};
  ++usedSlots_;
}

void TMemberList::GrowIndex() {
  std::vector<Slot> old = std::exchange(slots_, std::vector<Slot>(std::max<size_t>(16, slots_.size() * 2)));
  const size_t mask = slots_.size() - 1;
  for (const Slot& s : old) {
    if (s.id < 0) continue;
    size_t i = s.hash & mask;
    while (slots_[i].id >= 0) i = (i + 1) & mask;
    slots_[i] = s;
  }
}

// Backward-shift deletion: later slots of the same probe run move up, so no tombstones remain.
void TMemberList::EraseSlot(size_t slot) {
  const size_t mask = slots_.size() - 1;
  size_t hole = slot;
  for (size_t j = (slot + 1) & mask; slots_[j].id >= 0; j = (j + 1) & mask) {
    const size_t home = slots_[j].hash & mask;
    const bool staysBehindHole = hole <= j ? (home > hole && home <= j) : (home > hole || home <= j);
    if (!staysBehindHole) {
      slots_[hole] = slots_[j];
      hole = j;
    }
  }
  slots_[hole] = Slot{};
  --usedSlots_;
}

void TMemberList::RebuildIndex() {
  slots_.clear();
  usedSlots_ = 0;
  for (int i = 0; i < Count(); ++i) IndexEntry(i);
}

void TMemberList::ReindexName(size_t slot, std::u16string_view name, uint32_t hash, int from) {
  for (int i = from; i >= 0; --i) {
    if (entries_[i].hash == hash && SameName(entries_[i].name, name)) {
      slots_[slot].id = i;
      return;
    }
  }
  EraseSlot(slot);
}

}  // namespace ulka
