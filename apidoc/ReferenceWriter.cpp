#include "apidoc/ReferenceWriter.h"

#include "apidoc/ApiText.h"
#include "apidoc/ExternalObject.h"
#include "automation/Unicode.h"

namespace ulka::apidoc {
namespace {

constexpr char kStyle[] =
    "body{font:15px/1.5 sans-serif;max-width:60em;margin:2em auto;padding:0 1em;color:#222}"
    "code,pre{font:13px monospace;background:#f4f4f4;padding:1px 3px}"
    "table{border-collapse:collapse;width:100%}td,th{border-bottom:1px solid #ddd;padding:4px 8px;"
    "text-align:left;vertical-align:top}h2{margin-top:2em;border-bottom:1px solid #ccc}"
    ".note{color:#555}";

constexpr const char* kConventions[] = {
    "Member names match without regard to case: <code>rtl.loadfile</code> is <code>rtl.LoadFile</code>.",
    "Reading a property without parameters gives its value; a method, or a property with parameters, "
    "is called: <code>rtl.Params(1)</code>, <code>zip.Names(0)</code>.",
    "A property with parameters is put by calling it with the new value as one extra, last argument: "
    "<code>zip.Names(0, \"b.txt\")</code>.",
    "Calling an object calls its default member (dispatch id 0): <code>zip(\"a.txt\")</code> is "
    "<code>zip.Extract(\"a.txt\")</code>. Only such objects answer <code>typeof</code> with \"function\".",
    "Byte arrays arrive as fresh <code>Uint8Array</code>s; <code>Uint8Array</code> and "
    "<code>ArrayBuffer</code> go to the host as byte arrays. No bytes arrive as <code>undefined</code>.",
    "Omitted optional arguments, and trailing <code>undefined</code> ones, take the listed default.",
    "A failing member throws an <code>Error</code> whose <code>message</code> is the failure's text and "
    "whose <code>number</code> is the status code.",
    "One host object is one wrapper while it lives: <code>b.WriteByte(1) === b</code>.",
};

std::string Escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

std::string PageStart(const std::string& title) {
  return "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + Escape(title) +
         "</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n";
}

const char kPageEnd[] = "</body>\n</html>\n";

std::string PageName(const InterfaceInfo& info) { return Utf8(info.Name()) + ".html"; }

// A TypeScript type, with interface names linked to their pages.
std::string LinkedType(const std::string& type) {
  if (const InterfaceInfo* info = TypeLibrary::Find(Wide(type))) {
    return "<a href=\"" + Escape(PageName(*info)) + "\"><code>" + Escape(type) + "</code></a>";
  }
  return "<code>" + Escape(type) + "</code>";
}

// How scripts name an object of the interface in examples: IZip gives zip.
std::string ObjectName(const InterfaceInfo& info) {
  std::string name = Utf8(info.Name());
  if (name.size() > 1 && name[0] == 'I' && name[1] >= 'A' && name[1] <= 'Z') name.erase(0, 1);
  size_t upper = 0;
  while (upper < name.size() && name[upper] >= 'A' && name[upper] <= 'Z') ++upper;
  const size_t lower = (upper > 1 && upper < name.size()) ? upper - 1 : upper;
  for (size_t i = 0; i < lower; ++i) name[i] = static_cast<char>(name[i] - 'A' + 'a');
  return name;
}

std::string ArgumentNames(const std::vector<ScriptParam>& params) {
  std::string text;
  for (const ScriptParam& p : params) text += (text.empty() ? "" : ", ") + p.name;
  return text;
}

// The lines a script writes to use the member.
std::vector<std::string> Uses(const InterfaceInfo& info, const MemberInfo& m) {
  const std::string object = ObjectName(info);
  const std::string member = object + "." + Utf8(m.name);
  std::vector<std::string> uses;
  switch (FormOf(m)) {
    case MemberForm::Method:
    case MemberForm::IndexedProperty:
      for (const CallForm& f : CallForms(m)) uses.push_back(member + "(" + ArgumentNames(f.params) + ")");
      break;
    case MemberForm::ReadOnlyProperty: uses.push_back(member); break;
    case MemberForm::Property: uses.push_back(member); uses.push_back(member + " = Value"); break;
    case MemberForm::WriteOnlyProperty: uses.push_back(member + " = Value"); break;
  }
  if (m.id == 0) {
    for (const CallForm& f : CallForms(m)) uses.push_back(object + "(" + ArgumentNames(f.params) + ")");
    if (CallForms(m).empty()) uses.push_back(object + "()");
  }
  return uses;
}

std::string ParamRows(const std::vector<ScriptParam>& params) {
  std::string rows;
  for (const ScriptParam& p : params) {
    std::string note = p.optional || p.type.ends_with("| undefined") ? "optional" : "";
    if (!p.defaultText.empty()) note += ", default <code>" + Escape(p.defaultText) + "</code>";
    rows += "<tr><td><code>" + Escape(p.name) + "</code></td><td>" + LinkedType(p.type) + "</td><td>" + note +
            "</td></tr>\n";
  }
  return rows;
}

std::string MemberSection(const InterfaceInfo& info, const MemberInfo& m) {
  const std::string name = Utf8(m.name);
  std::string form = FormName(FormOf(m));
  form[0] = static_cast<char>(form[0] - 'a' + 'A');
  std::string html = "<h3 id=\"" + Escape(name) + "\">" + Escape(name) + "</h3>\n<p>" + form +
                     ", dispatch id " + std::to_string(m.id);
  if (m.id == 0) html += ", the default member";
  html += ".";
  if (m.onMainThread && !info.MainThreadOnly()) html += " Runs on the main thread.";
  html += "</p>\n<pre>";
  for (const std::string& use : Uses(info, m)) html += Escape(use) + "\n";
  html += "</pre>\n";
  const std::vector<CallForm> forms = CallForms(m);
  const std::vector<ScriptParam> params = forms.empty() ? std::vector<ScriptParam>{} : forms.back().params;
  if (!params.empty()) {
    html += "<table><tr><th>Parameter</th><th>Type</th><th></th></tr>\n" + ParamRows(params) + "</table>\n";
  }
  const Accessor& read = ReadAccessor(m);
  if (m.kind == MemberKind::Method || m.get) {
    html += "<p>Result: " + LinkedType(ResultType(read));
    if (read.resultBytes) html += " (a byte array; <code>undefined</code> for no bytes)";
    html += "</p>\n";
  }
  if (m.put && m.kind == MemberKind::Property) {
    html += "<p>Value put: " + LinkedType(ArgumentType(m.put.params.back().type)) + "</p>\n";
  }
  return html;
}

std::string InterfacePage(const InterfaceInfo& info) {
  const std::string name = Utf8(info.Name());
  std::string html = PageStart(name + " - Ulka reference");
  html += "<p><a href=\"index.html\">Ulka reference</a></p>\n<h1>" + Escape(name) + "</h1>\n";
  if (!info.Help().empty()) html += "<p>" + Escape(Utf8(info.Help())) + "</p>\n";
  html += "<p class=\"note\">Interface identifier " + Escape(Utf8(info.Iid())) + ".";
  if (const MemberInfo* d = DefaultMember(info)) {
    html += " Calling the object calls its default member <a href=\"#" + Escape(Utf8(d->name)) + "\"><code>" +
            Escape(Utf8(d->name)) + "</code></a>.";
  }
  if (info.MainThreadOnly()) html += " The object belongs to the main thread: calls from script threads are run there.";
  if (info.Expando()) html += " An expando object: members added by assignment are read back by name.";
  html += "</p>\n";
  if (!info.Members().empty()) {
    html += "<h2>Members</h2>\n<table><tr><th>Member</th><th>Form</th><th>Result</th></tr>\n";
    for (const MemberInfo& m : info.Members()) {
      const std::string member = Utf8(m.name);
      const std::string result = (m.kind == MemberKind::Method || m.get) ? LinkedType(ResultType(ReadAccessor(m))) : "";
      html += "<tr><td><a href=\"#" + Escape(member) + "\"><code>" + Escape(member) + "</code></a></td><td>" +
              FormName(FormOf(m)) + "</td><td>" + result + "</td></tr>\n";
    }
    html += "</table>\n<h2>Details</h2>\n";
    for (const MemberInfo& m : info.Members()) html += MemberSection(info, m);
  }
  return html + kPageEnd;
}

std::string IndexPage(const std::vector<const InterfaceInfo*>& interfaces) {
  std::string html = PageStart("Ulka reference");
  html += "<h1>Ulka runtime reference</h1>\n<p>Type library " + Escape(Utf8(TypeLibrary::Version())) +
          ". Generated from the member tables that serve scripts; the TypeScript declarations in "
          "<code>ulka.d.ts</code> come from the same tables.</p>\n";
  html += "<h2>How scripts see host objects</h2>\n<ul>\n";
  for (const char* rule : kConventions) html += std::string("<li>") + rule + "</li>\n";
  html += "</ul>\n";
  html += "<h2>Globals</h2>\n<p>Host scripts (the start-up script, script objects, threads, "
          "<code>ulka-script</code>) have <code>rtl</code>, an " + LinkedType("IRtl") +
          ". Application pages have <code>window.external</code>, which the start-up script also sees as "
          "<code>external</code>:</p>\n<table><tr><th>Member</th><th>Type</th><th></th></tr>\n";
  for (const ExternalMember& m : ExternalMembers()) {
    html += std::string("<tr><td><code>") + m.name + "</code></td><td>" +
            LinkedType(m.interfaceName ? m.interfaceName : "string") + "</td><td>" + Escape(m.help) +
            (m.always ? "" : " Present only when the tag asks for it.") + "</td></tr>\n";
  }
  html += "</table>\n<h2>Interfaces</h2>\n<table><tr><th>Interface</th><th>Members</th><th></th></tr>\n";
  for (const InterfaceInfo* info : interfaces) {
    html += "<tr><td>" + LinkedType(Utf8(info->Name())) + "</td><td>" + std::to_string(info->Members().size()) +
            "</td><td>" + Escape(Utf8(info->Help())) + "</td></tr>\n";
  }
  return html + "</table>\n" + kPageEnd;
}

}  // namespace

std::map<std::string, std::string> ReferencePages(const std::vector<const InterfaceInfo*>& interfaces) {
  std::map<std::string, std::string> pages;
  pages["index.html"] = IndexPage(interfaces);
  for (const InterfaceInfo* info : interfaces) pages[PageName(*info)] = InterfacePage(*info);
  return pages;
}

}  // namespace ulka::apidoc
