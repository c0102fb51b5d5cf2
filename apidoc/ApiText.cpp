#include "apidoc/ApiText.h"

#include <array>
#include <cstdio>
#include <string_view>

#include "automation/Unicode.h"

namespace ulka::apidoc {
namespace {

constexpr std::array<std::string_view, 43> kReservedWords = {
    "break",  "case",    "catch",  "class",   "const",      "continue",  "debugger", "default", "delete",
    "do",     "else",    "enum",   "export",  "extends",    "false",     "finally",  "for",     "function",
    "if",     "import",  "in",     "instanceof", "new",     "null",      "return",   "super",   "switch",
    "this",   "throw",   "true",   "try",     "typeof",     "var",       "void",     "while",   "with",
    "as",     "implements", "interface", "let", "package",  "yield",     "await"};

bool IsIdentifierChar(char c, bool first) {
  const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '$';
  return letter || (!first && c >= '0' && c <= '9');
}

std::string QuotedScriptString(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') quoted += '\\';
    if (c == '\n') {
      quoted += "\\n";
      continue;
    }
    quoted += c;
  }
  return quoted + "\"";
}

// Optional parameters followed by a required one cannot be left out in a call; they take
// `undefined` instead, which the binding treats as omitted.
void MarkOmittable(std::vector<ScriptParam>& params) {
  bool requiredAfter = false;
  for (auto it = params.rbegin(); it != params.rend(); ++it) {
    if (!it->optional) {
      requiredAfter = true;
    } else if (requiredAfter) {
      it->optional = false;
      it->type += " | undefined";
    }
  }
}

std::vector<ScriptParam> ScriptParams(const std::vector<ParamInfo>& params) {
  std::vector<ScriptParam> out;
  for (const ParamInfo& p : params) {
    ScriptParam sp;
    sp.name = ScriptIdentifier(p.name);
    sp.type = ArgumentType(p.type);
    sp.optional = p.optional;
    if (p.defaultValue) sp.defaultText = DefaultText(*p.defaultValue);
    out.push_back(std::move(sp));
  }
  MarkOmittable(out);
  return out;
}

}  // namespace

MemberForm FormOf(const MemberInfo& member) {
  if (member.kind == MemberKind::Method) return MemberForm::Method;
  if (member.IndexCount() > 0) return MemberForm::IndexedProperty;
  if (member.get && member.put) return MemberForm::Property;
  return member.get ? MemberForm::ReadOnlyProperty : MemberForm::WriteOnlyProperty;
}

const char* FormName(MemberForm form) {
  switch (form) {
    case MemberForm::Method: return "method";
    case MemberForm::ReadOnlyProperty: return "read-only property";
    case MemberForm::Property: return "read-write property";
    case MemberForm::WriteOnlyProperty: return "write-only property";
    case MemberForm::IndexedProperty: return "indexed property";
  }
  return "";
}

const Accessor& ReadAccessor(const MemberInfo& member) {
  if (member.kind == MemberKind::Method) return member.method;
  return member.get ? member.get : member.put;
}

std::string ArgumentType(VarType type) {
  switch (type) {
    case VT_BSTR: return "string";
    case VT_I1: case VT_I2: case VT_I4: case VT_I8:
    case VT_UI1: case VT_UI2: case VT_UI4: case VT_UI8:
    case VT_R4: case VT_R8: case VT_CY: return "number";
    case VT_BOOL: return "boolean";
    case VT_DATE: return "Date";
    case VT_DISPATCH: return "object | null";
    default: return "Variant";
  }
}

const InterfaceInfo* ResultInterface(const Accessor& accessor) {
  return accessor.result == VT_DISPATCH ? accessor.ResultInterface() : nullptr;
}

std::string ResultType(const Accessor& accessor) {
  switch (accessor.result) {
    case VT_EMPTY: return "void";
    case VT_DISPATCH: {
      const InterfaceInfo* info = ResultInterface(accessor);
      return info ? Utf8(info->Name()) : "HostObject";
    }
    case VT_VARIANT: return accessor.resultBytes ? "Uint8Array | undefined" : "Variant";
    default: return ArgumentType(accessor.result);
  }
}

std::vector<CallForm> CallForms(const MemberInfo& member) {
  std::vector<CallForm> forms;
  const MemberForm form = FormOf(member);
  if (form == MemberForm::Method) {
    forms.push_back({ScriptParams(member.method.params), ResultType(member.method)});
  } else if (form == MemberForm::IndexedProperty) {
    if (member.get) forms.push_back({ScriptParams(member.get.params), ResultType(member.get)});
    if (member.put) forms.push_back({ScriptParams(member.put.params), "void"});
  }
  return forms;
}

std::string DefaultText(const Variant& value) {
  char number[64];
  switch (value.Type()) {
    case VT_BSTR: return QuotedScriptString(Utf8(value.Text()));
    case VT_BOOL: return value.Bool() ? "true" : "false";
    case VT_I1: case VT_I2: case VT_I4: case VT_I8:
      std::snprintf(number, sizeof number, "%lld", static_cast<long long>(value.Int()));
      return number;
    case VT_UI1: case VT_UI2: case VT_UI4: case VT_UI8:
      std::snprintf(number, sizeof number, "%llu", static_cast<unsigned long long>(value.UInt()));
      return number;
    case VT_R4: std::snprintf(number, sizeof number, "%g", static_cast<double>(value.Float())); return number;
    case VT_R8: std::snprintf(number, sizeof number, "%g", value.Double()); return number;
    case VT_NULL: return "null";
    default: return "";
  }
}

std::string ScriptIdentifier(const WideString& name) {
  std::string id;
  for (char c : Utf8(name)) id += IsIdentifierChar(c, id.empty()) ? c : '_';
  if (id.empty()) return "_";
  for (std::string_view word : kReservedWords) {
    if (id == word) return id + "_";
  }
  return id;
}

const MemberInfo* DefaultMember(const InterfaceInfo& info) { return info.FindById(0); }

}  // namespace ulka::apidoc
