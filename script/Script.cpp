#include "script/Script.h"

#include "automation/CodePages.h"
#include "automation/Process.h"
#include "automation/Unicode.h"
#include "automation/Urls.h"

namespace ulka {

const InterfaceInfo& TScript::Info() {
  static const InterfaceInfo info =
      InterfaceBuilder<TScript>("IScript", "{0D601308-B4B9-4BF1-8D35-5571C9ECEA86}", "Dispatch interface for Script Object")
          .Method(201, "Init", &TScript::Init)
          .Method(202, "AddItem", &TScript::AddItem, {Arg("Name"), Arg("Member"), Opt("IsGlobalMember", false)})
          .Method(203, "AddCode", &TScript::AddCode, {Arg("Code")})
          .Method(204, "Run", &TScript::Run)
          .Method(205, "Eval", &TScript::Eval, {Arg("Code")})
          .Method(206, "Close", &TScript::Close)
          .Getter(207, "Code", &TScript::GetCode)
          .Property(208, "IncludePath", &TScript::GetIncludePath, &TScript::SetIncludePath)
          .Property(210, "Path", &TScript::GetPath, &TScript::SetPath)
          .Method(212, "PreprocessCode", &TScript::PreprocessCode, {Arg("Code")})
          .Getter(214, "Script", &TScript::GetScript)
          .Build();
  return info;
}

std::vector<WideString> SplitLines(const WideString& text) {
  std::vector<WideString> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find_first_of(u"\r\n", start);
    if (end == WideString::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + ((text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n') ? 2 : 1);
  }
  return lines;
}

namespace {

WideString WithoutBom(const WideString& code) {
  return !code.empty() && code[0] == u'\uFEFF' ? code.substr(1) : code;
}

WideString TrimControl(const WideString& text) {
  size_t b = 0, e = text.size();
  while (b < e && text[b] <= u' ') ++b;
  while (e > b && text[e - 1] <= u' ') --e;
  return text.substr(b, e - b);
}

bool IsIncludeDirective(const WideString& line) {
  return line.size() >= 8 && SameText(std::u16string_view(line).substr(0, 8), u"@include");
}

}  // namespace

TScript::TScript() : TVekObject(Info()), FScript(this) { Init(); }

TScript::~TScript() {
  FScript.Close();
  FScript.RemoveAllItems();
}

void TScript::Init() {
  SetExitCode(0);
  FScript.Close();
  FIncludes.clear();
  includedUpper_.clear();
  FCode.clear();
  FScript.InitNew(u"JavaScript");
}

void TScript::AddItem(const WideString& Name, IDispatch* Member, bool IsGlobalMember) {
  FScript.AddItem(Name, Member, IsGlobalMember);
}

void TScript::AddCode(const WideString& Code) {
  if (!FScript.Context()) return;
  WideString processed = Preprocess(WithoutBom(Code));
  for (WideString& line : SplitLines(processed)) FCode.push_back(std::move(line));
  FScript.AddCode(processed);
}

int32_t TScript::Run() {
  FScript.Run();
  return ExitCode();
}

Variant TScript::Eval(const WideString& Code) {
  Variant result;
  if (Failed(FScript.Evaluate(Code, result))) return Variant();
  return result;
}

void TScript::Close() { FScript.Close(); }

WideString TScript::GetCode() {
  WideString text;
  for (const WideString& line : FCode) {
    text += line;
    text += u"\r\n";
  }
  return text;
}

WideString TScript::GetIncludePath() {
  WideString text;
  for (const WideString& entry : FIncludePath) {
    text += entry;
    text += u';';
  }
  return text;
}

void TScript::SetIncludePath(const WideString& Value) {
  FIncludePath.clear();
  size_t start = 0;
  while (start < Value.size()) {
    size_t end = Value.find(u';', start);
    if (end == WideString::npos) end = Value.size();
    FIncludePath.push_back(Value.substr(start, end - start));
    start = end + 1;
  }
}

WideString TScript::PreprocessCode(const WideString& Code) { return Preprocess(WithoutBom(Code)); }

Ref<IDispatch> TScript::GetScript() {
  Ref<IDispatch> dispatch;
  FScript.GetScriptDispatch(nullptr, dispatch);
  return dispatch;
}

bool TScript::AlreadyIncluded(const WideString& name) { return includedUpper_.count(UpperCase(name)) > 0; }

bool TScript::LoadInclude(const WideString& name, WideString& text) {
  std::vector<WideString> candidates{FPath + name + u".js"};
  for (const WideString& entry : FIncludePath) candidates.push_back(entry + name + u".js");
  for (const WideString& candidate : candidates) {
    const bool relative = !HasScheme(candidate) && !candidate.starts_with(u"/");
    std::optional<Bytes> bytes = relative && relativeLoader_ ? relativeLoader_(candidate) : LoadUrl(candidate);
    if (!bytes) continue;
    text = WithoutBom(DecodeText(*bytes, 65001));
    return true;
  }
  return false;
}

// Every line becomes LF + line; an "@include name" line in the first column brings in the named
// file (preprocessed the same way), once per name until the next Init.
WideString TScript::Preprocess(const WideString& text) {
  WideString result;
  for (const WideString& line : SplitLines(text)) {
    if (!IsIncludeDirective(line)) {
      result += u'\n';
      result += line;
      continue;
    }
    WideString name = TrimControl(line.size() > 9 ? line.substr(9) : WideString());
    if (AlreadyIncluded(name)) continue;
    FIncludes.push_back(name);
    includedUpper_.insert(UpperCase(name));
    WideString included;
    if (LoadInclude(name, included)) {
      result += u'\n';
      result += Preprocess(included);
    }
  }
  return result;
}

}  // namespace ulka
