#include "apidoc/DeclarationWriter.h"

#include "apidoc/ApiText.h"
#include "apidoc/ExternalObject.h"
#include "automation/Unicode.h"

namespace ulka::apidoc {
namespace {

class Writer {
 public:
  std::string Take() { return std::move(out_); }

  void Line(const std::string& text = "", int depth = 0) {
    if (!text.empty()) {
      for (int i = 0; i < depth; ++i) out_ += "  ";
    }
    out_ += text + "\n";
  }

  // A doc comment; lines may be empty.
  void Doc(const std::vector<std::string>& lines, int depth) {
    if (lines.empty()) return;
    if (lines.size() == 1) return Line("/** " + lines[0] + " */", depth);
    Line("/**", depth);
    for (const std::string& l : lines) Line(l.empty() ? " *" : " * " + l, depth);
    Line(" */", depth);
  }

 private:
  std::string out_;
};

std::string ParamList(const std::vector<ScriptParam>& params) {
  std::string text;
  for (const ScriptParam& p : params) {
    if (!text.empty()) text += ", ";
    text += p.name + (p.optional ? "?: " : ": ") + p.type;
  }
  return text;
}

std::vector<std::string> ParamDocs(const std::vector<ScriptParam>& params) {
  std::vector<std::string> lines;
  for (const ScriptParam& p : params) {
    std::string line = "@param " + p.name;
    if (p.optional || p.type.ends_with("| undefined")) {
      line += " optional";
      if (!p.defaultText.empty()) line += ", default " + p.defaultText;
    }
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> MemberDoc(const InterfaceInfo& info, const MemberInfo& m) {
  const MemberForm form = FormOf(m);
  const std::string name = Utf8(m.name);
  std::string head = std::string(FormName(form)) + " `" + name + "`, dispatch id " + std::to_string(m.id);
  head[0] = static_cast<char>(head[0] - 'a' + 'A');
  if (m.id == 0) head += ", the default member: calling the object calls it";
  std::vector<std::string> lines{head + "."};
  if (form == MemberForm::IndexedProperty && m.put) {
    lines.push_back("Put it by calling it with the new value as one extra, last argument.");
  }
  if (m.onMainThread && !info.MainThreadOnly()) lines.push_back("Runs on the main thread.");
  const Accessor& read = ReadAccessor(m);
  if (read.resultBytes) lines.push_back("@returns a byte array, or undefined for no bytes");
  const std::vector<CallForm> forms = CallForms(m);
  if (!forms.empty()) {
    for (std::string& p : ParamDocs(forms.back().params)) lines.push_back(std::move(p));
  }
  return lines;
}

void WriteCallSignatures(Writer& w, const MemberInfo& m) {
  const std::string name = Utf8(m.name);
  std::vector<CallForm> forms = CallForms(m);
  if (forms.empty()) {
    // A plain property as the default member: calling reads it, or puts it with one argument.
    if (m.get) forms.push_back({{}, ResultType(m.get)});
    if (m.put) forms.push_back({{{"Value", ArgumentType(m.put.params.back().type), false, ""}}, "void"});
  }
  w.Doc({"Calls the default member `" + name + "`."}, 2);
  for (const CallForm& f : forms) w.Line("(" + ParamList(f.params) + "): " + f.result + ";", 2);
}

void WriteMember(Writer& w, const InterfaceInfo& info, const MemberInfo& m) {
  w.Doc(MemberDoc(info, m), 2);
  const std::string name = ScriptIdentifier(m.name);
  switch (FormOf(m)) {
    case MemberForm::Method:
    case MemberForm::IndexedProperty:
      for (const CallForm& f : CallForms(m)) w.Line(name + "(" + ParamList(f.params) + "): " + f.result + ";", 2);
      break;
    case MemberForm::ReadOnlyProperty:
      w.Line("readonly " + name + ": " + ResultType(m.get) + ";", 2);
      break;
    case MemberForm::WriteOnlyProperty:
      w.Line("set " + name + "(Value: " + ArgumentType(m.put.params.back().type) + ");", 2);
      break;
    case MemberForm::Property: {
      const std::string getType = ResultType(m.get);
      const std::string putType = ArgumentType(m.put.params.back().type);
      if (getType == putType) {
        w.Line(name + ": " + getType + ";", 2);
      } else {
        w.Line("get " + name + "(): " + getType + ";", 2);
        w.Line("set " + name + "(Value: " + putType + ");", 2);
      }
      break;
    }
  }
}

std::vector<std::string> InterfaceDoc(const InterfaceInfo& info) {
  std::vector<std::string> lines;
  if (!info.Help().empty()) lines.push_back(Utf8(info.Help()));
  if (!lines.empty()) lines.push_back("");
  lines.push_back("`" + Utf8(info.Name()) + "` " + Utf8(info.Iid()) + ".");
  if (const MemberInfo* d = DefaultMember(info)) {
    lines.push_back("Calling the object calls its default member `" + Utf8(d->name) + "`; `typeof` answers \"function\".");
  }
  if (info.Expando()) lines.push_back("An expando object: members added by assignment are read back by name.");
  if (info.MainThreadOnly()) lines.push_back("Belongs to the main thread: calls from script threads are run there.");
  return lines;
}

void WriteInterface(Writer& w, const InterfaceInfo& info) {
  w.Doc(InterfaceDoc(info), 1);
  w.Line("interface " + ScriptIdentifier(info.Name()) + " {", 1);
  if (const MemberInfo* d = DefaultMember(info)) WriteCallSignatures(w, *d);
  for (const MemberInfo& m : info.Members()) WriteMember(w, info, m);
  if (info.Expando()) w.Line("[member: string]: any;", 2);
  w.Line("}", 1);
}

void WriteHeader(Writer& w) {
  w.Line("// ulka.d.ts: the Ulka runtime as scripts see it. Generated by ulka-apidoc from the member");
  w.Line("// tables of type library " + Utf8(TypeLibrary::Version()) + "; rebuild instead of editing.");
  w.Line("//");
  w.Line("// Member names match without regard to case at run time; these declarations use the type");
  w.Line("// library's spelling. A property with parameters is read by calling it and put by calling it");
  w.Line("// with the new value as one extra, last argument. An object whose interface has a default");
  w.Line("// member (dispatch id 0) is callable. Omitted optional arguments take the listed default.");
  w.Line();
}

void WriteCommonTypes(Writer& w) {
  w.Doc({"Any value a member takes or answers as a Variant: text, a number, a boolean, a Date,",
         "a byte array (Uint8Array, or ArrayBuffer when passed), null, undefined, or an object."},
        1);
  w.Line("type Variant = any;", 1);
  w.Doc({"A host object whose interface the type library does not name: its members are reached by name."}, 1);
  w.Line("interface HostObject {", 1);
  w.Line("[member: string]: any;", 2);
  w.Line("}", 1);
}

}  // namespace

std::string WriteDeclarations(const std::vector<const InterfaceInfo*>& interfaces) {
  Writer w;
  WriteHeader(w);
  w.Line("declare namespace Ulka {");
  WriteCommonTypes(w);
  for (const InterfaceInfo* info : interfaces) {
    w.Line();
    WriteInterface(w, *info);
  }
  w.Line("}");
  w.Line();
  std::string text = w.Take();
  Writer globals;
  globals.Doc({"The root object of host scripts: the start-up script, script objects (`rtl.Script`),",
               "script threads and `ulka-script`. A page has it only when the application hands it",
               "over, for instance by adding it to `window.external` in the start-up script."},
              0);
  globals.Line("declare var rtl: Ulka.IRtl;");
  globals.Line();
  return text + globals.Take() + ExternalObjectDeclarations();
}

}  // namespace ulka::apidoc
