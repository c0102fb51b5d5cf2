#include "app/ApplicationSource.h"

#include <glib.h>

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

}  // namespace

std::optional<ApplicationSource> ChooseApplicationSource(TRtl& rtl) {
  SourceInputs inputs;
  inputs.Module = Variant(static_cast<uint64_t>(HostModuleHandle()));
  for (int32_t i = 1; i <= rtl.GetParamCount(); ++i) inputs.Params.push_back(rtl.GetParams(i));
  GCharPtr cwd(g_get_current_dir());
  inputs.CurrentDirectory = cwd.get();
  SourceChoice choice = ChooseSource(inputs);
  if (!choice) return std::nullopt;
  if (choice.ConsumesParameter) rtl.ShiftParams(1);
  WideString key;
  if (choice.Storage) key = choice.Storage->GetPath();
  else if (choice.ConsumesParameter) key = AbsolutePath(inputs.Params[0]);
  else key = rtl.GetModuleFileName();
  return ApplicationSource{choice.Handler(), choice.StartFile, key, choice.Zip != nullptr};
}

}  // namespace ulka
