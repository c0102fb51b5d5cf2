#include "runtime/Dialogs.h"

#include <sys/stat.h>

#include "automation/TextUtils.h"
#include "automation/Unicode.h"
#include "data/Strings.h"
#include "desktop/FsPaths.h"
#include "platform/FileDialogs.h"

namespace ulka {
namespace {

std::u16string_view Trimmed(std::u16string_view text) {
  while (!text.empty() && text.front() <= u' ') text.remove_prefix(1);
  while (!text.empty() && text.back() <= u' ') text.remove_suffix(1);
  return text;
}

// The text from the pattern's last "." in lower case; "" when it has none.
WideString PatternExtension(std::u16string_view pattern) {
  size_t dot = pattern.rfind(u'.');
  return dot == std::u16string_view::npos ? WideString() : LowerCase(pattern.substr(dot));
}

bool HasWildcard(std::u16string_view text) { return text.find_first_of(u"*?") != std::u16string_view::npos; }

bool FilterTakes(const DialogFilter& filter, std::u16string_view extension) {
  if (extension.empty()) return false;
  for (const WideString& pattern : filter.patterns) {
    if (PatternExtension(pattern) == extension) return true;
  }
  return false;
}

bool IsFolder(const WideString& path) {
  struct stat info {};
  return ::stat(Utf8(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::vector<FileTypeFilter> ToolkitFilters(const std::vector<DialogFilter>& filters) {
  std::vector<FileTypeFilter> result;
  for (const DialogFilter& filter : filters) {
    FileTypeFilter& added = result.emplace_back();
    added.name = Utf8(filter.description);
    for (const WideString& pattern : filter.patterns) added.globs.push_back(PatternGlob(pattern));
  }
  return result;
}

// The request of an open or save dialog; an unreadable start path opens where the toolkit likes.
FileDialogRequest FileRequest(FileDialogKind kind, const std::vector<DialogFilter>& filters,
                              const WideString& initPath, const WideString& title) {
  FileDialogRequest request;
  request.kind = kind;
  request.title = Utf8(title);
  request.filters = ToolkitFilters(filters);
  DialogStart start = SplitDialogStart(initPath);
  request.folder = Utf8(start.folder);
  request.name = Utf8(start.name);
  request.selectedFilter = kind == FileDialogKind::Save ? SaveDialogFilterIndex(filters, start.extension)
                                                        : OpenDialogFilterIndex(filters, start.extension);
  return request;
}

}  // namespace

std::vector<DialogFilter> ParseDialogFilter(std::u16string_view filter) {
  std::vector<WideString> pieces = SplitText(filter, u'|');
  std::vector<DialogFilter> filters;
  for (size_t i = 0; i + 1 < pieces.size(); i += 2) {
    DialogFilter& added = filters.emplace_back();
    added.description = pieces[i];
    for (const WideString& pattern : SplitText(pieces[i + 1], u';')) {
      std::u16string_view trimmed = Trimmed(pattern);
      if (!trimmed.empty()) added.patterns.emplace_back(trimmed);
    }
  }
  return filters;
}

DialogStart SplitDialogStart(const WideString& initPath) {
  DialogStart start;
  if (initPath.empty() || initPath.find(u'\0') != WideString::npos) return start;
  const WideString path = ScriptPath(initPath);
  const WideString absolute = AbsolutePathOf(path);
  if (path.back() == u'/' || IsFolder(absolute)) {
    start.folder = absolute;
    return start;
  }
  start.folder = ParentOf(absolute);
  start.name = FileNameOf(absolute);
  const WideString extension = ExtensionOf(start.name);
  if (!extension.empty()) start.extension = u"." + LowerCase(extension);
  return start;
}

int OpenDialogFilterIndex(const std::vector<DialogFilter>& filters, std::u16string_view extension) {
  for (size_t i = 0; i < filters.size(); ++i) {
    if (FilterTakes(filters[i], extension)) return static_cast<int>(i);
  }
  return static_cast<int>(filters.size()) - 1;
}

int SaveDialogFilterIndex(const std::vector<DialogFilter>& filters, std::u16string_view extension) {
  if (filters.empty()) return -1;
  for (size_t i = filters.size(); i-- > 0;) {
    if (FilterTakes(filters[i], extension)) return static_cast<int>(i);
  }
  return 0;
}

WideString AppendFilterExtension(const WideString& path, const DialogFilter& filter) {
  WideString own = ExtensionOf(path);
  own = own.empty() ? WideString() : u"." + LowerCase(own);
  WideString appended;
  for (const WideString& pattern : filter.patterns) {
    size_t dot = pattern.rfind(u'.');
    if (dot == WideString::npos || HasWildcard(std::u16string_view(pattern).substr(dot))) return path;
    if (!own.empty() && LowerCase(std::u16string_view(pattern).substr(dot)) == own) return path;
    if (appended.empty()) appended = pattern.substr(dot);
  }
  return path + appended;
}

std::string PatternGlob(std::u16string_view pattern) {
  if (pattern == u"*.*") return "*";
  WideString glob;
  for (char16_t c : pattern) {
    const char16_t upper = UpperChar(c);
    const char16_t lower = LowerCase(std::u16string_view(&c, 1))[0];
    if (c == u'[' || c == u']') {
      glob.append(u"[").push_back(c);
      glob.push_back(u']');
    } else if (upper != lower) {
      glob.push_back(u'[');
      glob.push_back(lower);
      glob.push_back(upper);
      glob.push_back(u']');
    } else {
      glob.push_back(c);
    }
  }
  return Utf8(glob);
}

WideString RunFolderDialog(const WideString& text, const WideString& initPath) {
  FileDialogRequest request;
  request.kind = FileDialogKind::Folder;
  request.title = Utf8(text);
  if (!initPath.empty() && initPath.find(u'\0') == WideString::npos) {
    const WideString folder = AbsolutePathOf(initPath);
    request.folder = Utf8(ParentOf(folder).empty() ? folder : ParentOf(folder));
    request.name = Utf8(FileNameOf(folder));
  }
  FileDialogAnswer answer = RunFileDialog(request);
  return answer.accepted ? Wide(answer.paths.front()) : WideString();
}

Variant RunOpenDialog(const WideString& filter, const WideString& initPath, bool multiselect,
                      const WideString& title) {
  FileDialogRequest request = FileRequest(FileDialogKind::Open, ParseDialogFilter(filter), initPath, title);
  request.multiple = multiselect;
  FileDialogAnswer answer = RunFileDialog(request);
  if (!answer.accepted) return Variant();
  if (!multiselect) return Variant(Wide(answer.paths.front()));
  std::vector<WideString> paths;
  for (const std::string& path : answer.paths) paths.push_back(Wide(path));
  Ref<TStrings> list = MakeRef<TStrings>();
  list->CopyFrom(paths);
  return Variant(static_cast<IDispatch*>(list.get()));
}

WideString RunSaveDialog(const WideString& filter, const WideString& initPath, const WideString& title) {
  const std::vector<DialogFilter> filters = ParseDialogFilter(filter);
  FileDialogAnswer answer = RunFileDialog(FileRequest(FileDialogKind::Save, filters, initPath, title));
  if (!answer.accepted) return {};
  WideString path = Wide(answer.paths.front());
  if (answer.filter >= 0 && answer.filter < static_cast<int>(filters.size()))
    path = AppendFilterExtension(path, filters[answer.filter]);
  return path;
}

}  // namespace ulka
