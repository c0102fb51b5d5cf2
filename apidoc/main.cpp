// ulka-apidoc --declarations FILE --reference FOLDER: writes the TypeScript declarations and the
// HTML reference of every interface whose table is linked into this program (the build links
// every library whole, so every table the runtime has is here).
#include <clocale>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "apidoc/DeclarationWriter.h"
#include "apidoc/ReferenceWriter.h"
#include "automation/Files.h"
#include "automation/Unicode.h"

namespace ulka::apidoc {
namespace {

constexpr char kUsage[] =
    "usage: ulka-apidoc [--declarations FILE] [--reference FOLDER]\n"
    "Writes the TypeScript declarations and the HTML reference of Ulka's runtime from its member tables.\n";

// Every interface a table names as a result must be in the library: a misspelt name fails the build.
bool ResultNamesResolve(const std::vector<const InterfaceInfo*>& interfaces) {
  bool ok = true;
  for (const InterfaceInfo* info : interfaces) {
    for (const MemberInfo& m : info->Members()) {
      for (const Accessor* a : {&m.method, &m.get}) {
        if (*a && a->resultInterface && !a->ResultInterface()) {
          std::fprintf(stderr, "ulka-apidoc: %s.%s answers the unknown interface %s\n", Utf8(info->Name()).c_str(),
                       Utf8(m.name).c_str(), a->resultInterface);
          ok = false;
        }
      }
    }
  }
  return ok;
}

bool WriteText(const std::filesystem::path& file, const std::string& text) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
  if (WriteFileBytes(Wide(file.string()), std::span<const uint8_t>(bytes, text.size()))) return true;
  std::fprintf(stderr, "ulka-apidoc: cannot write %s\n", file.c_str());
  return false;
}

// Pages of interfaces that no longer exist go, so the folder holds exactly the reference.
void RemoveStalePages(const std::filesystem::path& folder, const std::map<std::string, std::string>& pages) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    const std::string name = entry.path().filename().string();
    if (entry.path().extension() == ".html" && !pages.count(name)) std::filesystem::remove(entry.path(), error);
  }
}

bool WriteReference(const std::filesystem::path& folder, const std::vector<const InterfaceInfo*>& interfaces) {
  const std::map<std::string, std::string> pages = ReferencePages(interfaces);
  for (const auto& [name, text] : pages) {
    if (!WriteText(folder / name, text)) return false;
  }
  RemoveStalePages(folder, pages);
  return true;
}

int Main(int argc, char** argv) {
  std::string declarations, reference;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if ((arg == "--declarations" || arg == "--reference") && i + 1 < argc) {
      (arg == "--declarations" ? declarations : reference) = argv[++i];
      continue;
    }
    std::fprintf(stderr, "ulka-apidoc: unknown argument %s\n%s", arg.c_str(), kUsage);
    return 2;
  }
  const std::vector<const InterfaceInfo*> interfaces = TypeLibrary::Interfaces();
  if (interfaces.empty()) {
    std::fputs("ulka-apidoc: no member tables are linked in\n", stderr);
    return 1;
  }
  if (!ResultNamesResolve(interfaces)) return 1;
  if (!declarations.empty() && !WriteText(declarations, WriteDeclarations(interfaces))) return 1;
  if (!reference.empty() && !WriteReference(reference, interfaces)) return 1;
  return 0;
}

}  // namespace
}  // namespace ulka::apidoc

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  return ulka::apidoc::Main(argc, argv);
}
