#include "platform/Shell.h"

#include <gio/gio.h>

#include <algorithm>
#include <cstdio>

#include "platform/GObjectPtr.h"

namespace ulka {
namespace {

std::string WithSlash(std::string path) {
  if (path.empty()) return path;
  if (path.back() != '/') path += '/';
  return path;
}

std::string UserDir(GUserDirectory which) {
  const char* dir = g_get_user_special_dir(which);
  return dir ? dir : g_get_home_dir();
}

std::string Under(const char* base, const char* child) {
  GCharPtr path(g_build_filename(base, child, nullptr));
  return path.get();
}

struct SpecialFolder {
  int32_t id;
  std::string (*path)();
};

// The platform's numbers for the folders scripts ask for, and where they are on this desktop.
constexpr SpecialFolder kSpecialFolders[] = {
    {0x00, [] { return UserDir(G_USER_DIRECTORY_DESKTOP); }},            // desktop
    {0x02, [] { return Under(g_get_user_data_dir(), "applications"); }},   // programs (menu)
    {0x05, [] { return UserDir(G_USER_DIRECTORY_DOCUMENTS); }},          // documents
    {0x07, [] { return Under(g_get_user_config_dir(), "autostart"); }},    // startup
    {0x0B, [] { return Under(g_get_user_data_dir(), "applications"); }},   // start menu
    {0x0D, [] { return UserDir(G_USER_DIRECTORY_MUSIC); }},              // music
    {0x0E, [] { return UserDir(G_USER_DIRECTORY_VIDEOS); }},             // videos
    {0x10, [] { return UserDir(G_USER_DIRECTORY_DESKTOP); }},            // desktop folder
    {0x14, [] { return Under(g_get_user_data_dir(), "fonts"); }},          // fonts
    {0x15, [] { return UserDir(G_USER_DIRECTORY_TEMPLATES); }},          // templates
    {0x16, [] { return std::string("/usr/share/applications"); }},       // common start menu
    {0x17, [] { return std::string("/usr/share/applications"); }},       // common programs
    {0x18, [] { return std::string("/etc/xdg/autostart"); }},            // common startup
    {0x1A, [] { return std::string(g_get_user_data_dir()); }},           // application data
    {0x1C, [] { return std::string(g_get_user_data_dir()); }},           // local application data
    {0x20, [] { return std::string(g_get_user_cache_dir()); }},          // internet cache
    {0x23, [] { return std::string(g_get_user_data_dir()); }},           // common application data
    {0x24, [] { return std::string("/usr/bin"); }},                      // system root
    {0x25, [] { return std::string("/usr/bin"); }},                      // system
    {0x26, [] { return std::string("/usr"); }},                          // program files
    {0x27, [] { return UserDir(G_USER_DIRECTORY_PICTURES); }},           // pictures
    {0x28, [] { return std::string(g_get_home_dir()); }},                // profile (home)
    {0x2E, [] { return UserDir(G_USER_DIRECTORY_PUBLIC_SHARE); }},       // common documents
    {kTemporaryFolderId, [] { return std::string(g_get_tmp_dir()); }},   // temporary files
};

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

// Whether the target is a URL rather than a name of the file system: a scheme before its first
// ":" and no file of that name here ("notes:1.txt" may well be a file).
bool IsUrlTarget(const std::string& target) {
  GCharPtr scheme(g_uri_parse_scheme(target.c_str()));
  return scheme && !g_file_test(target.c_str(), G_FILE_TEST_EXISTS);
}

uint32_t MissingTargetError(GFile* file) {
  GObjectPtr<GFile> parent(g_file_get_parent(file));
  if (!parent) return kLaunchFileNotFound;
  GCharPtr folder(g_file_get_path(parent.get()));
  return folder && g_file_test(folder.get(), G_FILE_TEST_IS_DIR) ? kLaunchFileNotFound : kLaunchPathNotFound;
}

// The application for a file of `contentType` under `verb`, or null.
GAppInfo* ApplicationFor(const std::string& verb, const char* contentType, bool folder) {
  if (verb == "open") return g_app_info_get_default_for_type(contentType, FALSE);
  if (verb == "explore") return folder ? g_app_info_get_default_for_type("inode/directory", FALSE) : nullptr;
  if (verb == "edit" && !folder) {
    if (g_content_type_is_a(contentType, "text/plain")) return g_app_info_get_default_for_type("text/plain", FALSE);
    return g_app_info_get_default_for_type(contentType, FALSE);
  }
  return nullptr;
}

uint32_t Launch(GAppInfo* app, GList* files, GList* uris) {
  GError* error = nullptr;
  gboolean ok = files ? g_app_info_launch(app, files, nullptr, &error) : g_app_info_launch_uris(app, uris, nullptr, &error);
  GErrorPtr owned(error);
  return ok ? kLaunchStarted : kLaunchFileNotFound;
}

uint32_t LaunchUrl(const std::string& url, const std::string& verb) {
  if (verb != "open") return kLaunchNoAssociation;
  GCharPtr scheme(g_uri_parse_scheme(url.c_str()));
  GObjectPtr<GAppInfo> app(g_app_info_get_default_for_uri_scheme(scheme.get()));
  if (!app) return kLaunchNoAssociation;
  GList uris{const_cast<char*>(url.c_str()), nullptr, nullptr};
  return Launch(app.get(), nullptr, &uris);
}

uint32_t LaunchFile(GFile* file, const std::string& verb) {
  GError* error = nullptr;
  GObjectPtr<GFileInfo> info(g_file_query_info(file, G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE "," G_FILE_ATTRIBUTE_STANDARD_TYPE,
                                               G_FILE_QUERY_INFO_NONE, nullptr, &error));
  GErrorPtr owned(error);
  if (!info) {
    if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_NOT_FOUND)) return MissingTargetError(file);
    if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_NOT_DIRECTORY)) return kLaunchPathNotFound;
    if (g_error_matches(error, G_IO_ERROR, G_IO_ERROR_PERMISSION_DENIED)) return kLaunchAccessDenied;
    return kLaunchFileNotFound;
  }
  const bool folder = g_file_info_get_file_type(info.get()) == G_FILE_TYPE_DIRECTORY;
  const char* contentType = g_file_info_get_content_type(info.get());
  if (!contentType) contentType = folder ? "inode/directory" : "application/octet-stream";
  GObjectPtr<GAppInfo> app(ApplicationFor(verb, contentType, folder));
  if (!app) return kLaunchNoAssociation;
  GList files{file, nullptr, nullptr};
  return Launch(app.get(), &files, nullptr);
}

}  // namespace

std::string SpecialFolderPath(int32_t folderId) {
  for (const SpecialFolder& folder : kSpecialFolders) {
    if (folder.id == folderId) return WithSlash(folder.path());
  }
  return {};
}

bool OpenWithDefaultHandler(const std::string& uriOrPath) {
  if (uriOrPath.empty()) return false;
  // Headless runs record what would be opened instead of starting a program.
  if (const char* log = g_getenv("ULKA_SHELL_OPEN_LOG")) {
    FILE* file = std::fopen(log, "a");
    if (!file) return false;
    std::fprintf(file, "%s\n", uriOrPath.c_str());
    std::fclose(file);
    return true;
  }
  std::string uri = uriOrPath;
  if (uriOrPath.front() == '/') {
    GCharPtr converted(g_filename_to_uri(uriOrPath.c_str(), nullptr, nullptr));
    if (!converted) return false;
    uri = converted.get();
  }
  GError* error = nullptr;
  gboolean ok = g_app_info_launch_default_for_uri(uri.c_str(), nullptr, &error);
  if (error) g_error_free(error);
  return ok;
}

uint32_t LaunchWithVerb(const std::string& target, const std::string& verb) {
  if (target.empty() || target.find('\0') != std::string::npos) return kLaunchFileNotFound;
  std::string action = Lower(verb);
  if (action.empty()) action = "open";
  if (IsUrlTarget(target)) {
    GCharPtr scheme(g_uri_parse_scheme(target.c_str()));
    if (Lower(scheme.get()) != "file") return LaunchUrl(target, action);
    GObjectPtr<GFile> file(g_file_new_for_uri(target.c_str()));
    return LaunchFile(file.get(), action);
  }
  GObjectPtr<GFile> file(g_file_new_for_path(target.c_str()));
  return LaunchFile(file.get(), action);
}

bool MoveToTrash(const std::string& path) {
  if (path.empty() || path.find('\0') != std::string::npos) return false;
  GObjectPtr<GFile> file(g_file_new_for_path(path.c_str()));
  GError* error = nullptr;
  gboolean ok = g_file_trash(file.get(), nullptr, &error);
  GErrorPtr owned(error);
  return ok;
}

std::string FileTypeDescription(const std::string& path) {
  if (path.empty() || path.find('\0') != std::string::npos) return {};
  GObjectPtr<GFile> file(g_file_new_for_path(path.c_str()));
  GObjectPtr<GFileInfo> info(g_file_query_info(file.get(), G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE,
                                               G_FILE_QUERY_INFO_NONE, nullptr, nullptr));
  if (!info) return {};
  const char* contentType = g_file_info_get_content_type(info.get());
  if (!contentType) return {};
  GCharPtr description(g_content_type_get_description(contentType));
  return description ? description.get() : std::string();
}

}  // namespace ulka
