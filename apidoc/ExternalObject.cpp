#include "apidoc/ExternalObject.h"

namespace ulka::apidoc {
namespace {

constexpr ExternalMember kMembers[] = {
    {"browser", "IBrowser", true, "The main window."},
    {"settings", "IXmlElement", true,
     "The document element of the settings file, saved at the end of a run when the settings tag has a \"name\"."},
    {"version", nullptr, false, "The settings tag's \"version\"."},
    {"header", "IHTMLView", false, "The side bar the settings tag's \"header\" asks for."},
    {"footer", "IHTMLView", false, "The side bar the settings tag's \"footer\" asks for."},
    {"leftbar", "IHTMLView", false, "The side bar the settings tag's \"leftbar\" asks for."},
    {"rightbar", "IHTMLView", false, "The side bar the settings tag's \"rightbar\" asks for."},
};

}  // namespace

std::span<const ExternalMember> ExternalMembers() { return kMembers; }

std::string ExternalObjectDeclarations() {
  std::string out =
      "/**\n"
      " * `window.external` of an application's pages (served by its own schemes), and the item\n"
      " * \"external\" of its start-up script: an expando object. Members the start-up script adds\n"
      " * are read back by name.\n"
      " */\n"
      "interface External {\n";
  for (const ExternalMember& m : kMembers) {
    const std::string type = m.interfaceName ? std::string("Ulka.") + m.interfaceName : "string";
    out += std::string("  /** ") + m.help + " */\n";
    out += std::string("  ") + m.name + (m.always ? ": " : "?: ") + type + ";\n";
  }
  out +=
      "  [member: string]: any;\n"
      "}\n"
      "\n"
      "/** The start-up script's view of `window.external`. */\n"
      "declare var external: External;\n"
      "\n"
      "/** What `ulka-script` prints with: log and info to standard output, warn and error to standard error. */\n"
      "interface Console {\n"
      "  log(...data: any[]): void;\n"
      "  info(...data: any[]): void;\n"
      "  warn(...data: any[]): void;\n"
      "  error(...data: any[]): void;\n"
      "}\n"
      "declare var console: Console;\n";
  return out;
}

}  // namespace ulka::apidoc
