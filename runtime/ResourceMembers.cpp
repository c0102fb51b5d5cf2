#include "runtime/ResourceMembers.h"

#include <link.h>

#include <cmath>

#include "automation/ByteConvert.h"
#include "automation/Unicode.h"
#include "runtime/FileIo.h"
#include "runtime/IconGroup.h"
#include "runtime/ResourceUpdater.h"

namespace ulka {

namespace {

constexpr const char* kOwnExecutable = "/proc/self/exe";

struct ModuleSearch {
  uint64_t handle = 0;  // wanted, or 0 for the first module (the program itself)
  std::string path;
  uint64_t found = 0;
};

uint64_t MappedBase(const dl_phdr_info* info) {
  uint64_t lowest = UINT64_MAX;
  for (int i = 0; i < info->dlpi_phnum; ++i)
    if (info->dlpi_phdr[i].p_type == PT_LOAD)
      lowest = std::min<uint64_t>(lowest, info->dlpi_phdr[i].p_vaddr);
  return lowest == UINT64_MAX ? 0 : info->dlpi_addr + lowest;
}

int VisitModule(dl_phdr_info* info, size_t, void* context) {
  auto* search = static_cast<ModuleSearch*>(context);
  uint64_t base = MappedBase(info);
  if (search->handle == 0) {  // the first module reported is the program
    search->found = base;
    return 1;
  }
  if (base != search->handle) return 0;
  search->found = base;
  search->path = info->dlpi_name ? info->dlpi_name : "";
  return 1;
}

// The file behind a module handle, or empty.
std::string ModuleFile(uint64_t handle) {
  if (handle == 0) return {};
  if (handle == HostModuleHandle()) return kOwnExecutable;
  ModuleSearch search{handle};
  dl_iterate_phdr(VisitModule, &search);
  return search.found ? search.path : std::string();
}

std::optional<uint64_t> VarToHandle(const Variant& value) {
  if (!value.IsNumber() && value.Type() != VT_BOOL) return std::nullopt;
  Variant number;
  if (Failed(ChangeType(value, VT_R8, number))) return std::nullopt;
  double d = number.Double();
  if (!(d >= 0) || d != std::floor(d) || d > 18446744073709551615.0) return std::nullopt;
  return static_cast<uint64_t>(d);
}

bool UpdateIconGroup(const std::string& fileName, const ResId& name,
                     const std::vector<uint8_t>& ico) {
  if (ico.empty()) return false;
  auto update = TResUpdateHandle::ResBeginUpdate(fileName, false);
  if (!update) return false;
  if (!update->ResSaveIconGroup(name, 0, ico)) {
    update->ResEndUpdate(true);
    return false;
  }
  return update->ResEndUpdate(false);
}

bool UpdateDataResource(const std::string& fileName, const ResId& type, const ResId& name,
                        const Variant& data, uint32_t language) {
  auto update = TResUpdateHandle::ResBeginUpdate(fileName, false);
  if (!update) return false;
  // A byte array is written from where it is; other arrays are converted first.
  Bytes converted;
  std::span<const uint8_t> bytes = data.ByteSpan();
  if (!data.IsByteArray()) {
    converted = VarToBytes(data);
    bytes = converted;
  }
  if (bytes.empty())
    update->ResUpdate(type, name, language, nullptr);
  else
    update->ResUpdateBorrowed(type, name, language, bytes);
  return update->ResEndUpdate(false);
}

}  // namespace

uint64_t HostModuleHandle() {
  static const uint64_t handle = [] {
    ModuleSearch search;
    dl_iterate_phdr(VisitModule, &search);
    return search.found;
  }();
  return handle;
}

std::optional<ResId> VarToResId(const Variant& value) {
  if (value.IsText()) {
    if (value.Text().empty()) return std::nullopt;
    return ResId::Text(value.Text());
  }
  VarType t = value.Type();
  bool integer = t == VT_I1 || t == VT_I2 || t == VT_I4 || t == VT_I8 || t == VT_UI1 ||
                 t == VT_UI2 || t == VT_UI4 || t == VT_UI8 || t == VT_BOOL;
  if (!integer) return std::nullopt;
  int64_t v = t == VT_UI8 ? static_cast<int64_t>(std::min<uint64_t>(value.UInt(), 1u << 16))
              : t == VT_BOOL ? (value.Bool() ? 0xFFFF : 0)
                             : value.Int();
  if (v < 0 || v > 0xFFFF) return std::nullopt;
  return ResId::Number(static_cast<uint16_t>(v));
}

bool UpdateResource(const std::string& fileName, const Variant& resType, const Variant& resName,
                    const Variant& data, int32_t language) {
  auto type = VarToResId(resType);
  auto name = VarToResId(resName);
  if (!type || !name || language < 0 || language > 0xFFFF) return false;
  if (!type->IsName() && (type->id == kIconGroupResource || type->id == kIconResource))
    return UpdateIconGroup(fileName, *name, VarToBytes(data));
  return UpdateDataResource(fileName, *type, *name, data, static_cast<uint32_t>(language));
}

std::optional<std::vector<uint8_t>> LoadResourceFromFile(const std::string& fileName,
                                                         const ResId& type, const ResId& name,
                                                         uint32_t language) {
  MappedFile file;
  if (!file.Open(fileName)) return std::nullopt;
  auto resources = ExecutableResources::Read(file.Bytes(), false);
  if (!resources) return std::nullopt;
  const TResItem* leaf = FindResourceForLoad(resources->Root(), type, name, language);
  if (!leaf) return std::nullopt;
  auto bytes = leaf->Data();
  return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

std::vector<uint8_t> LoadIconFileFromFile(const std::string& fileName, const ResId& name) {
  MappedFile file;
  if (!file.Open(fileName)) return {};
  auto resources = ExecutableResources::Read(file.Bytes(), false);
  if (!resources) return {};
  const TResItem* group = FindResourceForLoad(resources->Root(), ResId::Number(kIconGroupResource), name, 0);
  if (!group) return {};
  const TResItem& root = resources->Root();
  return BuildIconFile(group->Data(), [&root](uint16_t id) -> std::optional<std::span<const uint8_t>> {
    const TResItem* icon = FindResourceForLoad(root, ResId::Number(kIconResource), ResId::Number(id), 0);
    if (!icon) return std::nullopt;
    return icon->Data();
  });
}

bool HasResourceInFile(const std::string& fileName, const ResId& type, const ResId& name, uint32_t language) {
  MappedFile file;
  if (!file.Open(fileName)) return false;
  auto resources = ExecutableResources::Read(file.Bytes(), false);
  return resources && FindResourceForLoad(resources->Root(), type, name, language);
}

Variant LoadResource(const Variant& module, const Variant& resName, const Variant& resType,
                     int32_t language) {
  std::string fileName;
  if (module.IsText()) {
    fileName = Utf8(module.Text());
  } else if (auto handle = VarToHandle(module)) {
    fileName = ModuleFile(*handle);
  }
  auto type = VarToResId(resType);
  auto name = VarToResId(resName);
  if (fileName.empty() || !type || !name || language < 0) return Variant();
  auto bytes = LoadResourceFromFile(fileName, *type, *name, static_cast<uint32_t>(language));
  if (!bytes || bytes->empty()) return Variant();
  return Variant::FromBytes(std::move(*bytes));
}

}  // namespace ulka
