// Fuzz entry for the settings file: any bytes as an application's ".settings". Loading always
// leaves a document with the root "settings" (a broken file counts as missing), and the window
// element is read the way the placement is restored.
#include <unistd.h>

#include <cstdlib>

#include "app/WindowSettings.h"
#include "automation/Unicode.h"
#include "tests/fuzz/FuzzFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace ulka;
  static fuzz::InputFile input;
  TWindowSettings settings;
  settings.Load(Wide(input.Write(data, size)));
  Ref<IDispatch> made = settings.Root();
  auto* root = static_cast<TXmlElement*>(made.get());
  if (!root || root->GetTag() != u"settings") std::abort();
  if (root->Exist(u"window")) {
    Ref<TXmlElement> window = root->GetItem(Variant(WideString(u"window")));
    for (const char16_t* name : {u"state", u"left", u"top", u"width", u"height"}) {
      Variant value = window->GetAttr(name), number;
      ChangeType(value, VT_I4, number);
    }
  }
  root->GetXml();
  return 0;
}
