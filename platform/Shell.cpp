#include "platform/Shell.h"

#include <gio/gio.h>

#include <cstdio>

#include "platform/GObjectPtr.h"

namespace ulka {
namespace {

std::string WithSlash(const char* folder) {
  if (!folder || !*folder) return {};
  std::string path(folder);
  if (path.back() != '/') path += '/';
  return path;
}

const char* UserDir(GUserDirectory which) {
  const char* dir = g_get_user_special_dir(which);
  return dir ? dir : g_get_home_dir();
}

}  // namespace

std::string SpecialFolderPath(int32_t folderId) {
  switch (folderId) {
    case 0x0000:  // desktop
    case 0x0010:
      return WithSlash(UserDir(G_USER_DIRECTORY_DESKTOP));
    case 0x0005:  // personal (documents)
      return WithSlash(UserDir(G_USER_DIRECTORY_DOCUMENTS));
    case 0x000D:  // music
      return WithSlash(UserDir(G_USER_DIRECTORY_MUSIC));
    case 0x000E:  // video
      return WithSlash(UserDir(G_USER_DIRECTORY_VIDEOS));
    case 0x0027:  // pictures
      return WithSlash(UserDir(G_USER_DIRECTORY_PICTURES));
    case 0x001A:  // application data
    case 0x0023:  // common application data
      return WithSlash(g_get_user_data_dir());
    case 0x001C:  // local application data
      return WithSlash(g_get_user_cache_dir());
    case 0x0028:  // profile
      return WithSlash(g_get_home_dir());
    case 0x0020:  // internet cache
      return WithSlash(g_get_user_cache_dir());
    case 0x0024:  // windows
    case 0x0025:  // system
      return "/usr/bin/";
    case 0x0026:  // program files
      return "/usr/";
    case 0x0015:  // templates
      return WithSlash(UserDir(G_USER_DIRECTORY_TEMPLATES));
    default:
      return {};
  }
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

}  // namespace ulka
