#include "desktop/KeyStore.h"

#include <fcntl.h>
#include <glib.h>
#include <sys/file.h>

#include <cinttypes>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>

#include "automation/ByteConvert.h"
#include "automation/Encodings.h"
#include "automation/Files.h"
#include "automation/Messages.h"
#include "automation/Unicode.h"
#include "automation/VekError.h"
#include "desktop/Collections.h"
#include "desktop/DesktopErrors.h"
#include "desktop/Environment.h"
#include "desktop/UniqueFd.h"
#include "platform/GObjectPtr.h"

namespace ulka {
namespace {

struct KeyFileDeleter {
  void operator()(GKeyFile* file) const { g_key_file_free(file); }
};
using KeyFilePtr = std::unique_ptr<GKeyFile, KeyFileDeleter>;

struct Root {
  std::u16string_view shortName;
  std::u16string_view longName;
};
constexpr Root kRoots[] = {
    {u"HKCU", u"HKEY_CURRENT_USER"}, {u"HKLM", u"HKEY_LOCAL_MACHINE"}, {u"HKCR", u"HKEY_CLASSES_ROOT"},
    {u"HKU", u"HKEY_USERS"},         {u"HKCC", u"HKEY_CURRENT_CONFIG"},
};

constexpr char kDefaultValue[] = "@";

// A name split into its key (root in its long form) and value name ("" for the key's default).
struct RegistryName {
  WideString key;
  WideString value;
  bool isKey = false;
};

RegistryName ParseName(const WideString& name) {
  const size_t slash = name.find(u'\\');
  if (name.find(u'\0') != WideString::npos || slash == WideString::npos) FailRegistry(RegistryError::InvalidRoot, name);
  const std::u16string_view root = std::u16string_view(name).substr(0, slash);
  const Root* found = nullptr;
  for (const Root& r : kRoots) {
    if (SameText(root, r.shortName) || SameText(root, r.longName)) found = &r;
  }
  if (!found) FailRegistry(RegistryError::InvalidRoot, name);
  const WideString rest = name.substr(slash + 1);
  RegistryName parsed;
  parsed.isKey = rest.empty() || rest.back() == u'\\';
  WideString keyPart;
  if (parsed.isKey) {
    keyPart = rest.empty() ? rest : rest.substr(0, rest.size() - 1);
  } else {
    const size_t last = rest.rfind(u'\\');
    keyPart = last == WideString::npos ? WideString() : rest.substr(0, last);
    parsed.value = last == WideString::npos ? rest : rest.substr(last + 1);
  }
  parsed.key = WideString(found->longName) + (keyPart.empty() ? WideString() : u"\\" + keyPart);
  return parsed;
}

// Key file names: value names keep letters, digits, "_" and "-" and write everything else as
// "%XX" per byte; key paths also keep "\", spaces and dots (a group name only has to avoid
// brackets and control characters).
std::string Escape(std::u16string_view text, bool group) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string escaped;
  for (unsigned char c : Utf8(text)) {
    const bool plain = g_ascii_isalnum(c) || c == '_' || c == '-' || c >= 0x80 ||
                       (group && (c == '\\' || c == ' ' || c == '.'));
    if (plain) {
      escaped += static_cast<char>(c);
    } else {
      escaped += '%';
      escaped += kHex[c >> 4];
      escaped += kHex[c & 15];
    }
  }
  return escaped;
}

WideString Unescape(const char* text) {
  GCharPtr plain(g_uri_unescape_string(text, nullptr));
  return plain ? Wide(plain.get()) : Wide(text);
}

std::string ValueKey(const WideString& value) { return value.empty() ? kDefaultValue : Escape(value, false); }

class KeyFileStore {
 public:
  KeyFileStore() {
    GCharPtr folder(g_build_filename(g_get_user_config_dir(), "ulka", nullptr));
    g_mkdir_with_parents(folder.get(), 0700);
    GCharPtr path(g_build_filename(folder.get(), "registry.conf", nullptr));
    GCharPtr lockPath(g_build_filename(folder.get(), "registry.lock", nullptr));
    path_ = path.get();
    processLock_ = std::unique_lock(ThreadLock());
    lockFile_ = UniqueFd(::open(lockPath.get(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (lockFile_) ::flock(lockFile_.get(), LOCK_EX);
    file_.reset(g_key_file_new());
    g_key_file_load_from_file(file_.get(), path_.c_str(), G_KEY_FILE_KEEP_COMMENTS, nullptr);
  }
  KeyFileStore(const KeyFileStore&) = delete;
  KeyFileStore& operator=(const KeyFileStore&) = delete;
  ~KeyFileStore() {
    if (lockFile_) ::flock(lockFile_.get(), LOCK_UN);
  }

  GKeyFile* File() { return file_.get(); }

  // The stored group of a key, compared without regard to case.
  std::optional<std::string> FindGroup(const WideString& key) {
    std::optional<std::string> found;
    ForEachGroup([&](const char* group) {
      if (!found && SameText(Unescape(group), key)) found = group;
    });
    return found;
  }
  bool HasSubkeys(const WideString& key) {
    bool any = false;
    const WideString prefix = UpperCase(key + u"\\");
    ForEachGroup([&](const char* group) { any = any || UpperCase(Unescape(group)).starts_with(prefix); });
    return any;
  }
  std::optional<std::string> FindValue(const std::string& group, const WideString& value) {
    if (value.empty()) {
      if (g_key_file_has_key(file_.get(), group.c_str(), kDefaultValue, nullptr)) return std::string(kDefaultValue);
      return std::nullopt;
    }
    std::optional<std::string> found;
    gchar** keys = g_key_file_get_keys(file_.get(), group.c_str(), nullptr, nullptr);
    for (gchar** k = keys; k && *k && !found; ++k) {
      if (std::string_view(*k) != kDefaultValue && SameText(Unescape(*k), value)) found = *k;
    }
    g_strfreev(keys);
    return found;
  }
  // The key's group, made (with its missing parents) when absent.
  std::string EnsureGroup(const WideString& key) {
    for (size_t slash = key.find(u'\\'); slash != WideString::npos; slash = key.find(u'\\', slash + 1))
      MakeGroup(key.substr(0, slash));
    return MakeGroup(key);
  }
  void Save() {
    gsize length = 0;
    GCharPtr text(g_key_file_to_data(file_.get(), &length, nullptr));
    if (!WriteFileBytes(Wide(path_), std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(text.get()), length)))
      FailDesktop(DesktopError::PermissionDenied);
  }

 private:
  static std::mutex& ThreadLock() {
    static std::mutex lock;
    return lock;
  }
  template <class F>
  void ForEachGroup(F&& visit) {
    gchar** groups = g_key_file_get_groups(file_.get(), nullptr);
    for (gchar** g = groups; g && *g; ++g) visit(*g);
    g_strfreev(groups);
  }
  std::string MakeGroup(const WideString& key) {
    if (std::optional<std::string> existing = FindGroup(key)) return *existing;
    const std::string group = Escape(key, true);
    g_key_file_set_string(file_.get(), group.c_str(), "@", "");  // a key file has no empty groups of its own making
    g_key_file_remove_key(file_.get(), group.c_str(), "@", nullptr);
    return group;
  }

  std::string path_;
  std::unique_lock<std::mutex> processLock_;
  UniqueFd lockFile_;
  KeyFilePtr file_;
};

Variant BinaryValue(std::string_view hex) {
  std::vector<Variant> bytes;
  for (uint8_t b : HexToBytes(Wide(hex))) bytes.emplace_back(b);
  return VariantArray(std::move(bytes));
}

Variant StoredToVariant(const std::string& stored) {
  const size_t colon = stored.find(':');
  const std::string_view type = std::string_view(stored).substr(0, colon);
  const std::string_view data = colon == std::string::npos ? std::string_view() : std::string_view(stored).substr(colon + 1);
  if (type == "dword") return Variant(static_cast<int32_t>(std::strtoul(std::string(data).c_str(), nullptr, 10)));
  if (type == "binary") return BinaryValue(data);
  if (type == "expand_sz") return Variant(ExpandVariables(Wide(data), false));
  return Variant(Wide(data));
}

[[noreturn]] void FailTypeMismatch() { FailCode(DISP_E_TYPEMISMATCH, msg::kTypeMismatch); }

uint32_t DwordOf(const Variant& value) {
  Variant number;
  if (Failed(ChangeType(value, VT_I8, number))) FailTypeMismatch();
  const int64_t n = number.Int();
  if (n < INT32_MIN || n > UINT32_MAX) FailTypeMismatch();
  return static_cast<uint32_t>(n);
}

std::string VariantToStored(const Variant& value, const WideString& type) {
  const WideString upper = UpperCase(type.empty() ? WideString(u"REG_SZ") : type);
  if (upper == u"REG_SZ" || upper == u"REG_EXPAND_SZ") {
    Variant text;
    if (Failed(ChangeType(value, VT_BSTR, text))) FailTypeMismatch();
    return (upper == u"REG_SZ" ? "sz:" : "expand_sz:") + Utf8(text.Text());
  }
  if (upper == u"REG_DWORD") return "dword:" + std::to_string(DwordOf(value));
  if (upper == u"REG_BINARY") {
    Bytes bytes;
    if (value.IsArray()) {
      bytes = VarToBytes(value);
    } else {
      const uint32_t n = DwordOf(value);
      bytes = {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n >> 16), static_cast<uint8_t>(n >> 24)};
    }
    return "binary:" + Utf8(BytesToHex(bytes));
  }
  FailDesktop(DesktopError::InvalidCall);
}

}  // namespace

Variant RegistryRead(const WideString& name) {
  const RegistryName parsed = ParseName(name);
  KeyFileStore store;
  std::optional<std::string> group = store.FindGroup(parsed.key);
  if (!group) {
    if (parsed.isKey && store.HasSubkeys(parsed.key)) return Variant(WideString());
    FailRegistry(RegistryError::Read, name);
  }
  std::optional<std::string> key = store.FindValue(*group, parsed.value);
  if (!key) {
    if (parsed.isKey) return Variant(WideString());  // a key without a default value
    FailRegistry(RegistryError::Read, name);
  }
  GCharPtr stored(g_key_file_get_string(store.File(), group->c_str(), key->c_str(), nullptr));
  return StoredToVariant(stored ? stored.get() : "");
}

void RegistryWrite(const WideString& name, const Variant& value, const WideString& type) {
  const RegistryName parsed = ParseName(name);
  const std::string stored = VariantToStored(value, type);
  KeyFileStore store;
  const std::string group = store.EnsureGroup(parsed.key);
  std::optional<std::string> existing = store.FindValue(group, parsed.value);
  const std::string key = existing ? *existing : ValueKey(parsed.value);
  g_key_file_set_string(store.File(), group.c_str(), key.c_str(), stored.c_str());
  store.Save();
}

void RegistryDelete(const WideString& name) {
  const RegistryName parsed = ParseName(name);
  KeyFileStore store;
  std::optional<std::string> group = store.FindGroup(parsed.key);
  if (parsed.isKey) {
    if (!group || store.HasSubkeys(parsed.key) || parsed.key.find(u'\\') == WideString::npos)
      FailRegistry(RegistryError::Remove, name);
    g_key_file_remove_group(store.File(), group->c_str(), nullptr);
  } else {
    std::optional<std::string> key = group ? store.FindValue(*group, parsed.value) : std::nullopt;
    if (!key) FailRegistry(RegistryError::Remove, name);
    g_key_file_remove_key(store.File(), group->c_str(), key->c_str(), nullptr);
  }
  store.Save();
}

}  // namespace ulka
