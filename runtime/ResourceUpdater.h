// An update of one executable's resources: opened, changed in memory, written back as a whole.
#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "runtime/ExecutableResources.h"
#include "runtime/FileIo.h"
#include "runtime/ResourceTree.h"

namespace ulka {

constexpr uint16_t kIconResource = 3;
constexpr uint16_t kIconGroupResource = 14;

class TResUpdateHandle {
 public:
  // Opens `fileName` for update: it must be writable, and is locked against other updates until
  // the update ends. Null when it cannot be opened or is not an executable the engine supports.
  static std::unique_ptr<TResUpdateHandle> ResBeginUpdate(const std::string& fileName,
                                                          bool deleteExisting);

  // With data: adds or replaces the resource. Without (null): deletes it, its name when the
  // language is 0 and it was the name's last, its type likewise.
  bool ResUpdate(const ResId& type, const ResId& name, uint32_t language,
                 std::shared_ptr<const std::vector<uint8_t>> data);
  // With data the caller keeps alive until the update ends.
  bool ResUpdateBorrowed(const ResId& type, const ResId& name, uint32_t language,
                         std::span<const uint8_t> data);
  std::optional<std::span<const uint8_t>> ResGet(const ResId& type, const ResId& name,
                                                 uint32_t language) const;

  // Writes the file unless `discard`; false when writing fails (the file is then unchanged).
  bool ResEndUpdate(bool discard);

  bool ResSaveIconGroup(const ResId& name, uint32_t language, std::span<const uint8_t> icoData);
  void ResDeleteIconGroup(const ResId& name, uint32_t language);

 private:
  TResUpdateHandle(MappedFile file, ExecutableResources resources)
      : file_(std::move(file)), resources_(std::move(resources)) {}
  bool IconIdInUse(uint16_t id) const;

  MappedFile file_;
  ExecutableResources resources_;
  bool ended_ = false;
};

}  // namespace ulka
