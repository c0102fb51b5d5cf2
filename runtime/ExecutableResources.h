// The resources of one executable file, PE or ELF, as a tree, and the file rewritten with a
// changed tree.
#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string>

#include "runtime/ElfResources.h"
#include "runtime/PeImage.h"
#include "runtime/ResourceTree.h"

namespace ulka {

class ExecutableResources {
 public:
  // Reads the resources of `file` (which must outlive the object). With `startEmpty` the
  // existing resources are dropped. Empty optional for a file that is neither a supported PE image
  // nor an ELF executable, or whose resources are malformed.
  static std::optional<ExecutableResources> Read(std::span<const uint8_t> file, bool startEmpty);

  TResItem& Root() { return *root_; }
  const TResItem& Root() const { return *root_; }

  // Writes the file, with the tree as its resources, over `path` (through a temporary file).
  bool WriteTo(const std::string& path) const;

 private:
  bool ReadPe(bool startEmpty);
  bool ReadElf(bool startEmpty);
  bool WritePe(const std::string& path) const;
  bool WriteElf(const std::string& path) const;

  std::span<const uint8_t> file_;
  bool elf_ = false;
  std::optional<PeImage> pe_;
  ElfResourceBlock block_;
  std::unique_ptr<TResItem> root_;
};

}  // namespace ulka
