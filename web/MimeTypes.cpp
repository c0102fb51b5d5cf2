#include "web/MimeTypes.h"

#include <gio/gio.h>

#include <algorithm>
#include <map>

#include "automation/TextUtils.h"
#include "platform/GObjectPtr.h"

namespace ulka {
namespace {

// The types pages depend on (module scripts and style sheets are refused under a wrong type),
// fixed here rather than left to the desktop's database.
const std::map<std::string, std::string>& KnownTypes() {
  static const std::map<std::string, std::string> types = {
      {"html", "text/html"}, {"htm", "text/html"}, {"ulka", "text/html"}, {"xhtml", "application/xhtml+xml"},
      {"js", "text/javascript"}, {"mjs", "text/javascript"}, {"css", "text/css"}, {"json", "application/json"},
      {"txt", "text/plain"}, {"xml", "text/xml"}, {"svg", "image/svg+xml"}, {"png", "image/png"},
      {"jpg", "image/jpeg"}, {"jpeg", "image/jpeg"}, {"gif", "image/gif"}, {"webp", "image/webp"},
      {"ico", "image/x-icon"}, {"bmp", "image/bmp"}, {"wasm", "application/wasm"}, {"woff", "font/woff"},
      {"woff2", "font/woff2"}, {"ttf", "font/ttf"}, {"otf", "font/otf"}, {"mp3", "audio/mpeg"},
      {"ogg", "audio/ogg"}, {"wav", "audio/wav"}, {"mp4", "video/mp4"}, {"webm", "video/webm"},
      {"pdf", "application/pdf"}, {"zip", "application/zip"},
  };
  return types;
}

std::string PathOf(const std::string& url) {
  std::string path = url.substr(0, url.find_first_of("?#"));
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

std::string GuessMimeType(const std::string& url, const Bytes& bytes) {
  const std::string file = PathOf(url);
  size_t dot = file.find_last_of('.');
  if (dot != std::string::npos) {
    const std::string extension = AsciiLower(file.substr(dot + 1));
    auto found = KnownTypes().find(extension);
    if (found != KnownTypes().end()) return found->second;
  }
  gboolean uncertain = FALSE;
  GCharPtr type(g_content_type_guess(file.c_str(), bytes.data(), std::min<size_t>(bytes.size(), 4096), &uncertain));
  GCharPtr mime(type ? g_content_type_get_mime_type(type.get()) : nullptr);
  if (!mime) return "application/octet-stream";
  return mime.get();
}

}  // namespace ulka
