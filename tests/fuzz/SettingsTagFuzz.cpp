// Fuzz entry for the settings tag scanner: any page bytes; every attribute the host reads is read
// the way it reads it. An attribute that is there has a value, and a number read back from its
// own decimal text is the same number.
#include <cstdlib>
#include <string>

#include "app/SettingsTag.h"
#include "automation/Unicode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace ulka;
  std::optional<TAttributeList> tag = ParseApplicationTag(std::span<const uint8_t>(data, size));
  if (!tag) return 0;
  static const char16_t* const kNames[] = {u"name", u"company", u"script", u"version", u"border",
                                           u"scroll", u"selection", u"width", u"height", u"icon",
                                           u"caption", u"maximizebutton", u"minimizebutton"};
  for (const char16_t* name : kNames) {
    const WideString value = tag->Value(name);
    if (tag->Has(name) == value.empty()) std::abort();
    if (tag->Lower(name).size() != value.size()) std::abort();
    if (std::optional<int32_t> number = tag->Integer(name)) {
      if (ParseTagInteger(Wide(std::to_string(*number))) != number) std::abort();
    }
  }
  TAttributeList copy = *tag;
  copy.Set(u"NAME", u"");
  if (copy.Has(u"name")) std::abort();  // names match in any case; an empty value removes
  return 0;
}
