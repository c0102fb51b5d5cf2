// The script object: a separate JavaScript engine that pages and scripts drive, with "@include"
// preprocessing of the code they add.
#pragma once

#include <functional>
#include <optional>
#include <unordered_set>

#include "automation/VekObject.h"
#include "script/ActiveScript.h"

namespace ulka {

class TScript : public TVekObject {
 public:
  static const InterfaceInfo& Info();
  TScript();
  ~TScript() override;

  void Init();
  void AddItem(const WideString& Name, IDispatch* Member, bool IsGlobalMember);
  void AddCode(const WideString& Code);
  int32_t Run();
  Variant Eval(const WideString& Code);
  void Close();
  WideString GetCode();
  WideString GetIncludePath();
  void SetIncludePath(const WideString& Value);
  WideString GetPath() { return FPath; }
  void SetPath(const WideString& Value) { FPath = Value; }
  WideString PreprocessCode(const WideString& Code);
  Ref<IDispatch> GetScript();

  TActiveScript& Host() { return FScript; }
  // The engine stays on the thread that made the object: calls from other threads run there.
  std::thread::id OwnerThread() override { return owner_; }
  // How include names without a scheme are read (by default, as files from the current
  // directory): the root object reads them from the application's source.
  using RelativeLoader = std::function<std::optional<Bytes>(const WideString& name)>;
  void SetRelativeLoader(RelativeLoader loader) { relativeLoader_ = std::move(loader); }

 private:
  WideString Preprocess(const WideString& text);
  bool LoadInclude(const WideString& name, WideString& text);
  bool AlreadyIncluded(const WideString& name);

  WideString FPath;
  std::vector<WideString> FCode;         // lines
  std::vector<WideString> FIncludePath;  // entries
  std::vector<WideString> FIncludes;     // names met since Init
  std::unordered_set<WideString> includedUpper_;
  RelativeLoader relativeLoader_;
  const std::thread::id owner_ = std::this_thread::get_id();
  TActiveScript FScript;
};

// Splits text into lines at CR, LF or CR LF; a final separator gives no empty last line.
std::vector<WideString> SplitLines(const WideString& text);

}  // namespace ulka
