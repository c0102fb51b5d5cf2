// Fuzz entry for the Xml loader: any bytes as a file (in the encoding they declare) and as a
// script's text. Whatever loads is read the way scripts read it, and what it saves loads again.
// Nothing may crash, hang or expand past the loader's bounds.
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "automation/Unicode.h"
#include "data/Xml.h"
#include "tests/fuzz/FuzzFile.h"

namespace {

using namespace ulka;

constexpr int kElementsRead = 32;

// The first elements in document order: tag, attributes, text and markup, as scripts read them.
void ReadElements(TXmlElement& root) {
  int budget = kElementsRead;
  std::vector<Ref<TXmlElement>> pending{Ref<TXmlElement>(&root)};
  while (!pending.empty() && budget-- > 0) {
    Ref<TXmlElement> element = pending.back();
    pending.pop_back();
    element->GetTag();
    element->GetText();
    element->GetXml();
    element->GetAttr(u"id");
    element->IndexOf(u"a");
    for (int i = element->GetLength() - 1; i >= 0; --i) {
      try {
        Variant child = element->GetMember(i);
        pending.emplace_back(static_cast<TXmlElement*>(child.Dispatch()));
      } catch (const EVekError&) {  // a child that is no element
      }
    }
  }
  try {
    root.Select(u"//*[@id]");
  } catch (const EVekError&) {
  }
}

void Check(TXml& xml, const WideString& saved) {
  Ref<TXmlElement> root = xml.GetRoot();
  if (!root->Node()) return;
  ReadElements(*root);
  xml.GetXml();
  try {
    xml.Save(saved);
  } catch (const EVekError&) {
    return;  // an encoding that cannot be written
  }
  Ref<TXml> again = MakeRef<TXml>();
  if (!again->Load(saved, u"")) std::abort();  // what was saved loads again
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static fuzz::InputFile input;
  static const WideString saved = Wide(input.Path() + ".saved");
  Ref<TXml> fromFile = MakeRef<TXml>();
  if (fromFile->Load(Wide(input.Write(data, size)), u"")) Check(*fromFile, saved);
  Ref<TXml> fromText = MakeRef<TXml>();
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (fromText->LoadXML(Wide(text))) Check(*fromText, saved);
  ::unlink((input.Path() + ".saved").c_str());
  return 0;
}
