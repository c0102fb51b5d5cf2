#include "runtime/ResourceUpdater.h"

#include <algorithm>

#include "runtime/IconGroup.h"

namespace ulka {

namespace {

constexpr uint16_t kFirstIconId = 50;

}  // namespace

std::unique_ptr<TResUpdateHandle> TResUpdateHandle::ResBeginUpdate(const std::string& fileName,
                                                                   bool deleteExisting) {
  MappedFile file;
  if (!file.Open(fileName, true)) return nullptr;
  auto resources = ExecutableResources::Read(file.Bytes(), deleteExisting);
  if (!resources) return nullptr;
  return std::unique_ptr<TResUpdateHandle>(
      new TResUpdateHandle(std::move(file), std::move(*resources)));
}

bool TResUpdateHandle::ResUpdate(const ResId& type, const ResId& name, uint32_t language,
                                 std::shared_ptr<const std::vector<uint8_t>> data) {
  if (ended_) return false;
  UpdateResourceTree(resources_.Root(), type, name, language, std::move(data));
  return true;
}

bool TResUpdateHandle::ResUpdateBorrowed(const ResId& type, const ResId& name, uint32_t language,
                                         std::span<const uint8_t> data) {
  if (ended_) return false;
  UpdateResourceTreeBorrowed(resources_.Root(), type, name, language, data);
  return true;
}

std::optional<std::span<const uint8_t>> TResUpdateHandle::ResGet(const ResId& type,
                                                                 const ResId& name,
                                                                 uint32_t language) const {
  const TResItem* leaf = FindResource(resources_.Root(), type, name, language);
  if (!leaf) return std::nullopt;
  return leaf->Data();
}

bool TResUpdateHandle::ResEndUpdate(bool discard) {
  if (ended_) return false;
  ended_ = true;
  bool ok = discard || resources_.WriteTo(file_.Path());
  file_.Close();
  return ok;
}

void TResUpdateHandle::ResDeleteIconGroup(const ResId& name, uint32_t language) {
  auto group = ResGet(ResId::Number(kIconGroupResource), name, language);
  if (!group) return;
  std::vector<uint16_t> ids = IconGroupIds(*group);
  ResUpdate(ResId::Number(kIconGroupResource), name, language, nullptr);
  for (uint16_t id : ids) ResUpdate(ResId::Number(kIconResource), ResId::Number(id), language, nullptr);
}

bool TResUpdateHandle::IconIdInUse(uint16_t id) const {
  for (const auto& type : resources_.Root().children)
    if (type->Matches(ResId::Number(kIconResource)))
      return std::any_of(type->children.begin(), type->children.end(),
                         [id](const auto& n) { return n->Matches(ResId::Number(id)); });
  return false;
}

bool TResUpdateHandle::ResSaveIconGroup(const ResId& name, uint32_t language,
                                        std::span<const uint8_t> icoData) {
  auto icon = ParseIconFile(icoData);
  if (!icon) return false;
  std::vector<uint16_t> reused;
  if (auto group = ResGet(ResId::Number(kIconGroupResource), name, language))
    reused = IconGroupIds(*group);
  uint16_t candidate = reused.empty() ? kFirstIconId : *std::min_element(reused.begin(), reused.end());
  ResDeleteIconGroup(name, language);

  std::vector<uint16_t> ids;
  for (size_t i = 0; i < icon->entries.size(); ++i) {
    uint16_t id;
    if (i < reused.size()) {
      id = reused[i];
    } else {
      while (IconIdInUse(candidate)) {
        if (candidate == 0xFFFF) return false;
        ++candidate;
      }
      id = candidate;
    }
    auto image = std::make_shared<const std::vector<uint8_t>>(icon->entries[i].image.begin(),
                                                              icon->entries[i].image.end());
    if (!ResUpdate(ResId::Number(kIconResource), ResId::Number(id), language, image)) return false;
    ids.push_back(id);
  }
  auto group = std::make_shared<const std::vector<uint8_t>>(BuildIconGroup(*icon, ids));
  return ResUpdate(ResId::Number(kIconGroupResource), name, language, group);
}

}  // namespace ulka
