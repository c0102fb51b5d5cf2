// A list of text lines for scripts: loading and saving in a code page, sorting, de-duplicating
// and reading lines of the form name=value.
#pragma once

#include <vector>

#include "automation/VekObject.h"

namespace ulka {

class TStrings : public TVekObject {
 public:
  static const InterfaceInfo& Info();
  TStrings() : TVekObject(Info()) {}

  bool Load(const Variant& Source, uint16_t CodePage);
  void Save(const WideString& FileName, uint16_t CodePage);
  Ref<TStrings> Add(const WideString& Text);
  void RemoveAt(int32_t Index);
  void RemoveAll();
  void Sort();
  void RemoveDuplicates(bool RemoveEmpty);
  WideString GetText();
  void SetText(const WideString& Value);
  WideString GetLines(int32_t Index);
  void SetLines(int32_t Index, const WideString& Value);
  int32_t GetLength();
  WideString GetValues(const WideString& Name);
  void SetValues(const WideString& Name, const WideString& Value);
  int32_t IndexOf(const WideString& Text);
  WideString GetValue(const WideString& Name, const WideString& Default);

  // Replaces all lines by those of another list.
  void CopyFrom(const std::vector<WideString>& ASource);
  const std::vector<WideString>& Lines() const { return FLines; }

 private:
  void CheckIndex(int32_t index) const;
  int IndexOfName(std::u16string_view name) const;

  std::vector<WideString> FLines;
};

// Splits text into lines: CR LF, a lone CR and a lone LF each end a line; a NUL ends the text;
// a final line break makes no empty last line.
std::vector<WideString> SplitLines(std::u16string_view text);

}  // namespace ulka
