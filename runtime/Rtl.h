// The root object of the runtime library: the factories of every object kind, the command line,
// files, conversions and process control. Scripts see it as `rtl`.
#pragma once

#include <optional>

#include "automation/VekObject.h"
#include "script/ScriptError.h"

namespace ulka {

class TRtl : public TVekObject {
 public:
  static const InterfaceInfo& Info();
  TRtl();

  // Where script errors of the engines made here go.
  ScriptErrorHandler FOnScriptError;

  // Factories and properties
  Ref<IDispatch> Object();
  Ref<IDispatch> Bytes(const Variant& Source);
  Ref<IDispatch> Dictionary();
  Ref<IDispatch> Strings(const WideString& Text);
  Ref<IDispatch> Xml(const WideString& Tag);
  Ref<IDispatch> Zip(const Variant& Source);
  Ref<IDispatch> FileList(const WideString& Mask, bool Subfolders);
  Ref<IDispatch> Script(const WideString& Code);
  Ref<IDispatch> Signer();
  Ref<IDispatch> Cryptor(const WideString& Cipher);
  WideString GetVersion();
  int32_t GetParamCount();
  WideString GetParams(int32_t Index);
  void ShiftParams(int32_t Shift);
  WideString GetBaseUrl() { return FBaseUrl; }
  void SetBaseUrl(const WideString& Value) { FBaseUrl = Value; }
  // An application from a package finds relative names only inside it, never in the current
  // directory, which belongs to whoever started the program.
  void ConfineToPackage(bool confined) { confinedToPackage_ = confined; }
  // A relative name: the application's source (through BaseUrl) first, then the current
  // directory unless the application came from a package. Nothing when neither has it.
  std::optional<ulka::Bytes> LoadRelative(const WideString& name);
  WideString GetModuleFileName();

  // Conversions
  WideString Str(const Variant& Bytes, uint16_t CodePage);
  Variant MBStr(const WideString& Str, uint16_t CodePage);
  WideString Base64(const Variant& Data);
  Variant DeBase64(const WideString& Str);
  WideString Hex(const Variant& Data);
  Variant DeHex(const WideString& Str);
  Variant Md5(const Variant& Data);
  WideString Encode(const Variant& Data, const WideString& Abc);
  Variant Decode(const WideString& Str, const WideString& Abc);
  Variant Guid();
  WideString StrTr(const WideString& Str, const WideString& FromChars, const WideString& ToChars);
  int32_t GetLength(const Variant& Value);
  bool IsEmpty(const Variant& Value);
  WideString IncludeTrailingChar(const WideString& Str, const WideString& Chr);
  WideString ExcludeTrailingChar(const WideString& Str, const WideString& Chr);
  WideString DateToStr(Date Date);
  Date StrToDate(const WideString& Str, Date Default);

  // Files and URLs
  Variant LoadFile(const WideString& FileName);
  void SaveFile(const WideString& FileName, const Variant& Data);
  Variant Load(const WideString& Url);
  bool DeleteFile(const WideString& FileName, bool ToRecycleBin);

  // Executable resources
  bool UpdateRes(const WideString& FileName, const Variant& ResType, const Variant& ResName,
                 const Variant& Data, int32_t Language);
  Variant LoadRes(const Variant& Module, const Variant& ResName, const Variant& ResType,
                  int32_t Language);

  // Script threads
  Ref<IDispatch> Thread(IDispatch* Host, IDispatch* Proc);
  Ref<IDispatch> CriticalSection();
  void StopThreads();
  void WaitThreads();

  // Process control
  void Sleep(uint32_t Ticks);
  void Quit(int32_t ExitCode);

  // Windows, schemes and the desktop (answered by the application's hooks)
  int32_t Alert(const WideString& Text, const WideString& Title, int32_t Flags);
  Ref<IDispatch> Protocol(const WideString& Name, IDispatch* Handler);
  Ref<IDispatch> Browser(const Variant& Source);
  Ref<IDispatch> Rect(int32_t Param1, int32_t Param2, int32_t Param3, int32_t Param4);
  void Run();
  void Idle(uint32_t Ticks);
  WideString GetSpecialFolderPath(int32_t FolderId);
  Ref<IDispatch> WindowRect(const Variant& Value);
  int32_t WindowState(const Variant& Value);
  bool GetShowOnTaskbar();
  void SetShowOnTaskbar(bool Value);

  // Network clients
  Ref<IDispatch> Http(const WideString& BaseUrl);
  Ref<IDispatch> Pop3();
  Ref<IDispatch> WhoIs();
  // Bitmaps and the screen
  Ref<IDispatch> Bitmap(const Variant& Param1, int32_t Param2);
  Ref<IDispatch> Screen();
  Ref<IDispatch> GetScreenRect();
  // Desktop: file dialogs, the shell, and the platform's objects (our stand-ins)
  WideString FolderDialog(const WideString& Text, const WideString& InitPath);
  Variant OpenDialog(const WideString& Filter, const WideString& InitPath, bool Multiselect, const WideString& Title);
  WideString SaveDialog(const WideString& Filter, const WideString& InitPath, const WideString& Title);
  uint32_t ShellExec(const WideString& FileName, const WideString& Command);
  Ref<IDispatch> CreateObject(const WideString& ClassName);
  Ref<IDispatch> Shell();
  Ref<IDispatch> FileSystem(const WideString& Path);

 private:
  int32_t FParamShift = 0;
  WideString FBaseUrl;
  bool confinedToPackage_ = false;
};

}  // namespace ulka
