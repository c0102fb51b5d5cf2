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

// The escape of a character that would end or break a string, or nothing.
std::string_view ShortEscape(char16_t c) {
  switch (c) {
    case u'"': return "\\\"";
    case u'\\': return "\\\\";
    case u'\b': return "\\b";
    case u'\t': return "\\t";
    case u'\n': return "\\n";
    case u'\f': return "\\f";
    case u'\r': return "\\r";
    default: return {};
  }
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

void TJsonWriter::WriteString(std::u16string_view text) {
  out_ += u'"';
  size_t run = 0;  // start of the characters not yet copied
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c >= 0x20 && c != u'"' && c != u'\\') continue;
    out_.append(text.substr(run, i - run));
    run = i + 1;
    std::string_view escape = ShortEscape(c);
    if (!escape.empty()) {
      WriteAscii(escape);
    } else {
      static constexpr char kHex[] = "0123456789abcdef";
      const char unit[] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 15]};
      WriteAscii(std::string_view(unit, sizeof unit));
    }
  }
  out_.append(text.substr(run));
  out_ += u'"';
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
