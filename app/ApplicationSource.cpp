#include "app/ApplicationSource.h"

#include <glib.h>

#include <cstdio>

#include "app/PackageSource.h"
#include "automation/Unicode.h"
#include "platform/GObjectPtr.h"
#include "runtime/ResourceMembers.h"

namespace ulka {
namespace {

WideString AbsolutePath(const WideString& path) {
  GCharPtr absolute(g_canonicalize_filename(Utf8(path).c_str(), nullptr));
  return Wide(absolute.get());
}

void ReportNoSource(const std::vector<WideString>& params) {
  if (params.empty()) {
    std::fputs("ulka: no application given (ulka --help tells how to start one)\n", stderr);
  } else {
    std::fprintf(stderr, "ulka: %s has no start page (a .ulka, index.html, index.htm, .html or .htm file)\n",
                 Utf8(params[0]).c_str());
  }
}

}  // namespace

std::optional<ApplicationSource> ChooseApplicationSource(TRtl& rtl) {
  SourceInputs inputs;
  inputs.Module = Variant(static_cast<uint64_t>(HostModuleHandle()));
  for (int32_t i = 1; i <= rtl.GetParamCount(); ++i) inputs.Params.push_back(rtl.GetParams(i));
  GCharPtr cwd(g_get_current_dir());
  inputs.CurrentDirectory = cwd.get();
  SourceChoice choice = ChooseSource(inputs);
  if (!choice) {
    ReportNoSource(inputs.Params);
    return std::nullopt;
  }
  if (choice.ConsumesParameter) rtl.ShiftParams(1);
  WideString key;
  if (choice.Storage) key = choice.Storage->GetPath();
  else if (choice.ConsumesParameter) key = AbsolutePath(inputs.Params[0]);
  else key = rtl.GetModuleFileName();
  ApplicationSource source{choice.Handler(), choice.StartFile, key, choice.Zip != nullptr, {}};
  if (choice.Storage) source.folder = choice.Storage->GetPath();
  return source;
}

void ReportMissingStartPage(const ApplicationSource& source) {
  if (source.fromPackage || source.folder.empty()) return;
  const std::string path = Utf8(source.folder + source.startFile);
  if (source.startFile.empty() || g_file_test(path.c_str(), G_FILE_TEST_IS_DIR)) {
    std::string folder = path;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    std::fprintf(stderr, "ulka: %s is a folder, not a start page: name the page in it (say %s/index.html)\n",
                 folder.c_str(), folder.c_str());
  } else if (!g_file_test(path.c_str(), G_FILE_TEST_EXISTS)) {
    std::fprintf(stderr, "ulka: cannot find %s\n", path.c_str());
  }
}

}  // namespace ulka
