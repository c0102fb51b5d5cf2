// What the stand-ins' collections share: the enumeration member that `for...of` uses, and a
// collection of named objects (the files, subfolders and drives of the file-system object).
#pragma once

#include <utility>
#include <vector>

#include "automation/VekObject.h"
#include "desktop/DesktopErrors.h"

namespace ulka {

// The dispatch id of the member that answers a collection's items for enumeration.
constexpr DISPID kNewEnumId = -4;

// A one-dimensional array of Variants (lower bound 0): how `_NewEnum` answers the items.
Variant VariantArray(std::vector<Variant> items);

// Count, Item(name or 0-based position) and _NewEnum over a list of named objects, as the list
// was when the collection was made. An unknown name fails with the collection's own error.
class TNamedCollection : public TVekObject {
 public:
  static const InterfaceInfo& Info();
  using Entry = std::pair<WideString, Ref<IDispatch>>;
  TNamedCollection(std::vector<Entry> items, DesktopError whenMissing);

  int32_t GetCount() { return static_cast<int32_t>(FItems.size()); }
  Ref<IDispatch> GetItem(const Variant& Key);
  Variant NewEnum();

 private:
  std::vector<Entry> FItems;
  DesktopError FWhenMissing;
};

}  // namespace ulka
