#include "data/JsonWriter.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <string>

#include "automation/Messages.h"
#include "automation/VekError.h"
#include "data/Dictionary.h"

namespace ulka {

namespace {

constexpr int kSignificantDigits = 15;

void AppendAscii(WideString& out, std::string_view text) { out.append(text.begin(), text.end()); }

template <class Int>
void AppendInteger(WideString& out, Int value) {
  char buffer[24];
  auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
  AppendAscii(out, std::string_view(buffer, static_cast<size_t>(end - buffer)));
}

// Whether the double-quoted form holds the text: there, a backslash makes the character after it
// part of the string and only a backslash before a double quote is undone, so each double quote
// must follow an even run of backslashes (its own escape makes the run odd) and the text must not
// end in an odd run (which would take the closing quote).
bool FitsDoubleQuotes(std::u16string_view text) {
  size_t run = 0;  // backslashes just before the character at hand
  for (char16_t c : text) {
    if (c == u'\\') {
      ++run;
      continue;
    }
    if (c == u'"' && run % 2 != 0) return false;
    run = 0;
  }
  return run % 2 == 0;
}

}  // namespace

WideString TJsonWriter::Write(TDictionary& dictionary) {
  out_.clear();
  WriteObject(dictionary, 1);
  return std::move(out_);
}

void TJsonWriter::WriteObject(TDictionary& dictionary, int depth) {
  if (depth > kMaxDictionaryDepth) Fail(msg::kDictionaryTooDeep);
  TMemberList& list = dictionary.Members();
  out_ += u'{';
  for (int i = 0; i < list.Count(); ++i) {
    if (i > 0) out_ += u',';
    out_ += list.GetMemberName(i);
    out_ += u':';
    WriteValue(list.GetMember(i), depth);
  }
  out_ += u'}';
}

void TJsonWriter::WriteValue(const Variant& value, int depth) {
  switch (value.Type()) {
    case VT_BSTR: WriteString(value.Text()); break;
    case VT_BOOL: WriteAscii(value.Bool() ? "true" : "false"); break;
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_I8: AppendInteger(out_, value.Int()); break;
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UI8: AppendInteger(out_, value.UInt()); break;
    case VT_R4: AppendFloat(out_, value.Float()); break;
    case VT_R8: AppendFloat(out_, value.Double()); break;
    case VT_CY: AppendFloat(out_, static_cast<double>(value.Int()) / 10000.0); break;
    case VT_DISPATCH:
      if (TDictionary* nested = VarToObject<TDictionary>(value)) WriteObject(*nested, depth + 1);
      break;
    default: break;  // Empty, Null, dates, arrays and other objects have no text
  }
}

// The double-quoted form escapes double quotes only: backslashes, line breaks and every other
// character stand as they are, so a Windows path is written as it reads. Text that form cannot
// hold (a path ending in a backslash) is written between single quotes, where a single quote is
// doubled and nothing else is escaped.
void TJsonWriter::WriteString(std::u16string_view text) {
  const bool doubleQuotes = FitsDoubleQuotes(text);
  const char16_t quote = doubleQuotes ? u'"' : u'\'';
  out_ += quote;
  size_t run = 0;  // start of the characters not yet copied
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != quote) continue;
    out_.append(text.substr(run, i - run));
    out_ += doubleQuotes ? u'\\' : u'\'';
    run = i;
  }
  out_.append(text.substr(run));
  out_ += quote;
}

void TJsonWriter::WriteAscii(std::string_view text) { AppendAscii(out_, text); }

void TJsonWriter::AppendFloat(WideString& out, double value) {
  if (std::isnan(value)) return AppendAscii(out, "NAN");
  if (std::isinf(value)) return AppendAscii(out, value < 0 ? "-INF" : "INF");
  if (value == 0) return AppendAscii(out, "0");

  // d.dddddddddddddde±x: the 15 significant digits, rounded, and the decimal exponent.
  char buffer[40];
  auto end = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific,
                           kSignificantDigits - 1).ptr;
  std::string_view text(buffer, static_cast<size_t>(end - buffer));
  const bool negative = text.front() == '-';
  if (negative) text.remove_prefix(1);
  const size_t e = text.find('e');
  const int exponent = std::atoi(std::string(text.substr(e + 1)).c_str());
  std::string digits;
  digits += text[0];
  if (e > 2) digits.append(text.substr(2, e - 2));
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

  std::string result = negative ? "-" : "";
  if (exponent >= kSignificantDigits || exponent < -5) {
    result += digits[0];
    if (digits.size() > 1) result += '.' + digits.substr(1);
    result += 'E' + std::to_string(exponent);
  } else if (exponent >= 0) {
    const size_t integerDigits = static_cast<size_t>(exponent) + 1;
    if (digits.size() <= integerDigits) {
      result += digits + std::string(integerDigits - digits.size(), '0');
    } else {
      result += digits.substr(0, integerDigits) + '.' + digits.substr(integerDigits);
    }
  } else {
    result += "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
  }
  AppendAscii(out, result);
}

}  // namespace ulka
