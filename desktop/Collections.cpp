#include "desktop/Collections.h"

#include <memory>

#include "automation/Variant.h"

namespace ulka {

Variant VariantArray(std::vector<Variant> items) {
  auto array = std::make_shared<SafeArray>();
  array->elementType = VT_VARIANT;
  array->bounds.push_back({static_cast<uint32_t>(items.size()), 0});
  array->items = std::move(items);
  return Variant::FromArray(std::move(array));
}

const InterfaceInfo& TNamedCollection::Info() {
  static const InterfaceInfo info =
      InterfaceBuilder<TNamedCollection>("IFsCollection", "{3E310974-1402-418D-B139-D1CB3DC1532F}")
          .Getter(0, "Item", &TNamedCollection::GetItem, {Arg("Key")})
          .Getter(1, "Count", &TNamedCollection::GetCount)
          .Method(kNewEnumId, "_NewEnum", &TNamedCollection::NewEnum)
          .Build();
  return info;
}

TNamedCollection::TNamedCollection(std::vector<Entry> items, DesktopError whenMissing)
    : TVekObject(Info()), FItems(std::move(items)), FWhenMissing(whenMissing) {}

Ref<IDispatch> TNamedCollection::GetItem(const Variant& Key) {
  if (Key.IsNumber()) {
    Variant index;
    if (Failed(ChangeType(Key, VT_I4, index)) || index.Int() < 0 || index.Int() >= GetCount()) FailDesktop(FWhenMissing);
    return FItems[static_cast<size_t>(index.Int())].second;
  }
  Variant name;
  if (Failed(ChangeType(Key, VT_BSTR, name))) FailDesktop(DesktopError::InvalidCall);
  for (const Entry& entry : FItems) {
    if (entry.first == name.Text()) return entry.second;
  }
  FailDesktop(FWhenMissing);
}

Variant TNamedCollection::NewEnum() {
  std::vector<Variant> items;
  items.reserve(FItems.size());
  for (const Entry& entry : FItems) items.emplace_back(entry.second.get());
  return VariantArray(std::move(items));
}

}  // namespace ulka
