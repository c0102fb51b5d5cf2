#include "automation/MemberList.h"

#include <utility>

#include "automation/Unicode.h"
#include "automation/VekError.h"

namespace ulka {

int TMemberList::AddMember(const WideString& name, const Variant& value) {
  int id = static_cast<int>(entries_.size());
  WideString upper = UpperCase(name);
  lastByName_[upper] = id;  // the entry added last wins
  entries_.push_back({name, std::move(upper), value});
  return id;
}

int TMemberList::GetMemberId(std::u16string_view name) const {
  auto it = lastByName_.find(UpperCase(name));
  return it == lastByName_.end() ? -1 : it->second;
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
  Variant released = std::move(entries_[id].value);  // released after the list is consistent
  const WideString upper = std::move(entries_[id].upperName);
  const bool foundByName = lastByName_.at(upper) == id;
  entries_.erase(entries_.begin() + id);
  // The index moves with the entries instead of being rebuilt: deleting stays one pass.
  for (auto& [name, last] : lastByName_) {
    if (last > id) --last;
  }
  if (foundByName) ReindexName(upper, id - 1);
}

void TMemberList::SetMemberName(int id, const WideString& name) {
  CheckIndex(id);
  WideString upper = UpperCase(name);
  Entry& entry = entries_[id];
  const WideString oldUpper = std::exchange(entry.upperName, upper);
  entry.name = name;
  if (oldUpper != upper && lastByName_.at(oldUpper) == id) ReindexName(oldUpper, id - 1);
  auto [it, added] = lastByName_.try_emplace(std::move(upper), id);
  if (!added && it->second < id) it->second = id;
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

// Points `upper` at the last entry of that name at or before `from`, or drops it.
void TMemberList::ReindexName(const WideString& upper, int from) {
  for (int i = from; i >= 0; --i) {
    if (entries_[i].upperName == upper) {
      lastByName_[upper] = i;
      return;
    }
  }
  lastByName_.erase(upper);
}

void TMemberList::RebuildIndex() {
  lastByName_.clear();
  for (int i = 0; i < Count(); ++i) lastByName_[entries_[i].upperName] = i;
}

void TMemberList::Clear() {
  std::vector<Entry> old;
  old.swap(entries_);  // values are released after the list is empty
  lastByName_.clear();
}

}  // namespace ulka
