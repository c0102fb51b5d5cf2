#include "runtime/ResourceTree.h"

#include <algorithm>
#include <cwctype>
#include <unordered_set>

#include "runtime/ByteOrder.h"

namespace ulka {

namespace {

constexpr uint32_t kHighBit = 0x80000000u;
constexpr size_t kDirectorySize = 16;
constexpr size_t kEntrySize = 8;
constexpr size_t kDataEntrySize = 16;
constexpr int kLanguageLevel = 2;
constexpr uint32_t kUsEnglish = 0x409;

char16_t FoldCase(char16_t c) {
  if (c < 0x80) return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
  return static_cast<char16_t>(std::towupper(static_cast<wint_t>(c)));
}

// PE order: named entries first, by name in code-unit order; then numeric ones ascending.
bool ComesBefore(const TResItem& a, const TResItem& b) {
  bool aNamed = !a.name.empty(), bNamed = !b.name.empty();
  if (aNamed != bNamed) return aNamed;
  return aNamed ? a.name < b.name : a.id < b.id;
}

class TreeReader {
 public:
  TreeReader(std::span<const uint8_t> section, const DataLocator& locate, uint64_t dataLimit)
      : section_(section), locate_(locate), dataLimit_(dataLimit) {}

  std::unique_ptr<TResItem> ReadDirectory(uint32_t offset, int level) {
    if (!InBounds(offset, kDirectorySize, section_.size()) || !visited_.insert(offset).second)
      return nullptr;
    const uint8_t* p = section_.data() + offset;
    auto dir = std::make_unique<TResItem>();
    dir->isDir = true;
    dir->attr = Load32(p);
    dir->time = Load32(p + 4);
    dir->majorVer = Load16(p + 8);
    dir->minorVer = Load16(p + 10);
    uint32_t count = uint32_t{Load16(p + 12)} + Load16(p + 14);
    uint64_t entries = uint64_t{offset} + kDirectorySize;
    if (!InBounds(entries, uint64_t{count} * kEntrySize, section_.size())) return nullptr;
    for (uint32_t i = 0; i < count; ++i) {
      auto child = ReadEntry(section_.data() + entries + i * kEntrySize, level);
      if (!child) return nullptr;
      dir->children.push_back(std::move(child));
    }
    std::stable_sort(dir->children.begin(), dir->children.end(),
                     [](const auto& a, const auto& b) { return ComesBefore(*a, *b); });
    return dir;
  }

 private:
  std::unique_ptr<TResItem> ReadEntry(const uint8_t* entry, int level) {
    uint32_t nameField = Load32(entry);
    uint32_t target = Load32(entry + 4);
    bool named = nameField & kHighBit;
    bool isDir = target & kHighBit;
    if (isDir != (level < kLanguageLevel) || (named && level == kLanguageLevel)) return nullptr;
    std::unique_ptr<TResItem> item =
        isDir ? ReadDirectory(target & ~kHighBit, level + 1) : ReadLeaf(target);
    if (!item) return nullptr;
    if (named) {
      if (!ReadName(nameField & ~kHighBit, item->name) || item->name.empty()) return nullptr;
    } else {
      if (level < kLanguageLevel && nameField > 0xFFFF) return nullptr;
      item->id = nameField;
    }
    return item;
  }

  bool ReadName(uint32_t offset, std::u16string& name) {
    if (!InBounds(offset, 2, section_.size())) return false;
    uint32_t length = Load16(section_.data() + offset);
    if (!InBounds(uint64_t{offset} + 2, uint64_t{length} * 2, section_.size())) return false;
    name.resize(length);
    for (uint32_t i = 0; i < length; ++i) name[i] = Load16(section_.data() + offset + 2 + 2 * i);
    return true;
  }

  std::unique_ptr<TResItem> ReadLeaf(uint32_t offset) {
    if (!InBounds(offset, kDataEntrySize, section_.size()) || !visited_.insert(offset).second)
      return nullptr;
    const uint8_t* p = section_.data() + offset;
    uint32_t size = Load32(p + 4);
    totalData_ += size;
    if (totalData_ > dataLimit_) return nullptr;
    auto bytes = locate_(Load32(p), size);
    if (!bytes) return nullptr;
    auto leaf = std::make_unique<TResItem>();
    leaf->data = *bytes;
    leaf->codePage = Load32(p + 8);
    leaf->reserved = Load32(p + 12);
    return leaf;
  }

  std::span<const uint8_t> section_;
  const DataLocator& locate_;
  uint64_t dataLimit_;
  uint64_t totalData_ = 0;
  std::unordered_set<uint32_t> visited_;
};

TResItem* FindChild(const TResItem& dir, const ResId& key) {
  for (auto& child : dir.children)
    if (child->Matches(key)) return child.get();
  return nullptr;
}

TResItem* FindChildIgnoringCase(const TResItem& dir, const ResId& key) {
  for (auto& child : dir.children)
    if (child->MatchesIgnoringCase(key)) return child.get();
  return nullptr;
}

TResItem* FindLanguage(const TResItem& dir, uint32_t language) {
  for (auto& child : dir.children)
    if (child->id == language) return child.get();
  return nullptr;
}

TResItem& InsertSorted(TResItem& dir, std::unique_ptr<TResItem> item) {
  auto at = std::upper_bound(dir.children.begin(), dir.children.end(), item,
                             [](const auto& a, const auto& b) { return ComesBefore(*a, *b); });
  return **dir.children.insert(at, std::move(item));
}

TResItem& AddDirectory(TResItem& parent, const ResId& key) {
  auto dir = std::make_unique<TResItem>();
  dir->isDir = true;
  dir->id = key.IsName() ? 0 : key.id;
  dir->name = key.name;
  return InsertSorted(parent, std::move(dir));
}

void Remove(TResItem& parent, const TResItem* child) {
  std::erase_if(parent.children, [child](const auto& c) { return c.get() == child; });
}

// Layout sizes of the serialised tree.
struct TreeSize {
  uint64_t directory = 0;
  uint64_t strings = 0;
  uint64_t data = 0;
};

void Measure(const TResItem& item, TreeSize& size) {
  if (!item.isDir) {
    size.directory += kDataEntrySize;
    size.data += AlignUp(item.Data().size(), 4);
    return;
  }
  size.directory += kDirectorySize + kEntrySize * item.children.size();
  bool anyNamed = std::any_of(item.children.begin(), item.children.end(),
                              [](const auto& c) { return !c->name.empty(); });
  for (auto& child : item.children) {
    if (anyNamed) size.strings += 2 * child->name.size() + 2;
    Measure(*child, size);
  }
}

constexpr uint8_t kZeros[4] = {};

class TreeWriter {
 public:
  TreeWriter(std::vector<uint8_t>& out, std::vector<std::span<const uint8_t>>& pieces,
             uint64_t stringStart, uint64_t dataStart, uint32_t sectionAddress)
      : out_(out), pieces_(pieces), strPos_(stringStart), dataPos_(dataStart),
        sectionAddress_(sectionAddress) {}

  void Write(const TResItem& item) {
    uint8_t* p = out_.data() + dirPos_;
    if (!item.isDir) {
      auto bytes = item.Data();
      Store32(p, static_cast<uint32_t>(sectionAddress_ + dataPos_));
      Store32(p + 4, static_cast<uint32_t>(bytes.size()));
      Store32(p + 8, item.codePage);
      Store32(p + 12, item.reserved);
      dirPos_ += kDataEntrySize;
      uint64_t padded = AlignUp(bytes.size(), 4);
      if (!bytes.empty()) pieces_.push_back(bytes);
      if (padded != bytes.size()) pieces_.push_back(std::span(kZeros, padded - bytes.size()));
      dataPos_ += padded;
      return;
    }
    WriteDirectoryTable(p, item);
    uint64_t entries = dirPos_ + kDirectorySize;
    dirPos_ = entries + kEntrySize * item.children.size();
    for (size_t k = 0; k < item.children.size(); ++k) {
      const TResItem& child = *item.children[k];
      uint8_t* entry = out_.data() + entries + k * kEntrySize;
      Store32(entry, child.name.empty() ? child.id : static_cast<uint32_t>(strPos_) | kHighBit);
      if (!child.name.empty()) WriteName(child.name);
      Store32(entry + 4, static_cast<uint32_t>(dirPos_) | (child.isDir ? kHighBit : 0));
      Write(child);
    }
  }

 private:
  void WriteDirectoryTable(uint8_t* p, const TResItem& dir) {
    size_t named = std::count_if(dir.children.begin(), dir.children.end(),
                                 [](const auto& c) { return !c->name.empty(); });
    Store32(p, dir.attr);
    Store32(p + 4, dir.time);
    Store16(p + 8, dir.majorVer);
    Store16(p + 10, dir.minorVer);
    Store16(p + 12, static_cast<uint16_t>(named));
    Store16(p + 14, static_cast<uint16_t>(dir.children.size() - named));
  }

  void WriteName(const std::u16string& name) {
    uint8_t* p = out_.data() + strPos_;
    Store16(p, static_cast<uint16_t>(name.size()));
    for (size_t i = 0; i < name.size(); ++i) Store16(p + 2 + 2 * i, name[i]);
    strPos_ += 2 * name.size() + 2;
  }

  std::vector<uint8_t>& out_;
  std::vector<std::span<const uint8_t>>& pieces_;
  uint64_t dirPos_ = 0;
  uint64_t strPos_;
  uint64_t dataPos_;
  uint32_t sectionAddress_;
};

bool FitsTheFormat(const TResItem& item) {
  if (!item.isDir) return item.Data().size() <= 0xFFFFFFFFu;
  if (item.children.size() > 0xFFFF || item.name.size() > 0xFFFF) return false;
  return std::all_of(item.children.begin(), item.children.end(),
                     [](const auto& c) { return c->name.size() <= 0xFFFF && FitsTheFormat(*c); });
}

}  // namespace

bool TResItem::Matches(const ResId& key) const {
  return key.IsName() ? name == key.name : name.empty() && id == key.id;
}

bool TResItem::MatchesIgnoringCase(const ResId& key) const {
  if (!key.IsName()) return name.empty() && id == key.id;
  if (name.size() != key.name.size()) return false;
  for (size_t i = 0; i < name.size(); ++i)
    if (FoldCase(name[i]) != FoldCase(key.name[i])) return false;
  return true;
}

std::unique_ptr<TResItem> ReadResourceTree(std::span<const uint8_t> section,
                                           const DataLocator& locate, uint64_t dataLimit) {
  return TreeReader(section, locate, dataLimit).ReadDirectory(0, 0);
}

std::unique_ptr<TResItem> NewResourceRoot() {
  auto root = std::make_unique<TResItem>();
  root->isDir = true;
  return root;
}

const TResItem* FindResource(const TResItem& root, const ResId& type, const ResId& name,
                             uint32_t language) {
  const TResItem* t = FindChild(root, type);
  const TResItem* n = t ? FindChild(*t, name) : nullptr;
  return n ? FindLanguage(*n, language) : nullptr;
}

const TResItem* FindResourceForLoad(const TResItem& root, const ResId& type, const ResId& name,
                                    uint32_t language) {
  const TResItem* t = FindChildIgnoringCase(root, type);
  const TResItem* n = t ? FindChildIgnoringCase(*t, name) : nullptr;
  if (!n) return nullptr;
  if (const TResItem* leaf = FindLanguage(*n, language)) return leaf;
  if (language != 0) return nullptr;
  if (const TResItem* leaf = FindLanguage(*n, kUsEnglish)) return leaf;
  return n->children.empty() ? nullptr : n->children.front().get();
}

// The leaf for type, name and language, made with its directories when missing.
TResItem& LeafFor(TResItem& root, const ResId& type, const ResId& name, uint32_t language) {
  TResItem* t = FindChild(root, type);
  if (!t) t = &AddDirectory(root, type);
  TResItem* n = FindChild(*t, name);
  if (!n) n = &AddDirectory(*t, name);
  if (TResItem* l = FindLanguage(*n, language)) return *l;
  auto leaf = std::make_unique<TResItem>();
  leaf->id = language;
  return InsertSorted(*n, std::move(leaf));
}

void UpdateResourceTreeBorrowed(TResItem& root, const ResId& type, const ResId& name,
                                uint32_t language, std::span<const uint8_t> data) {
  TResItem& l = LeafFor(root, type, name, language);
  l.codePage = 0;
  l.data = data;
  l.strBuf = nullptr;
}

void UpdateResourceTree(TResItem& root, const ResId& type, const ResId& name, uint32_t language,
                        std::shared_ptr<const std::vector<uint8_t>> data) {
  if (data) {
    TResItem& l = LeafFor(root, type, name, language);
    l.codePage = 0;
    l.data = {};
    l.strBuf = std::move(data);
    return;
  }
  TResItem* t = FindChild(root, type);
  TResItem* n = t ? FindChild(*t, name) : nullptr;
  TResItem* l = n ? FindLanguage(*n, language) : nullptr;
  if (l) {
    Remove(*n, l);
    if (n->children.empty()) Remove(*t, n);
    if (t->children.empty()) Remove(root, t);
  } else if (n && language == 0) {
    Remove(*t, n);
    if (t->children.empty()) Remove(root, t);
  } else if (t && !n && !name.IsName() && name.id == 0 && language == 0) {
    Remove(root, t);
  }
}

std::optional<SerializedTree> SerializeResourceTreePieces(const TResItem& root,
                                                          uint32_t sectionAddress) {
  if (!FitsTheFormat(root)) return std::nullopt;
  TreeSize size;
  Measure(root, size);
  uint64_t head = AlignUp(size.directory + size.strings, 4);
  uint64_t total = head + size.data;
  if (total > 0x7FFFFFFFu || uint64_t{sectionAddress} + total > 0xFFFFFFFFu) return std::nullopt;
  SerializedTree tree;
  tree.head.resize(head);
  tree.pieces.push_back({});  // the head, once it is written
  TreeWriter(tree.head, tree.pieces, size.directory, head, sectionAddress).Write(root);
  tree.pieces.front() = tree.head;
  tree.size = total;
  return tree;
}

std::optional<std::vector<uint8_t>> SerializeResourceTree(const TResItem& root,
                                                          uint32_t sectionAddress) {
  auto tree = SerializeResourceTreePieces(root, sectionAddress);
  if (!tree) return std::nullopt;
  std::vector<uint8_t> out;
  out.reserve(tree->size);
  for (auto piece : tree->pieces) out.insert(out.end(), piece.begin(), piece.end());
  return out;
}

}  // namespace ulka
