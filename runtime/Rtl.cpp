#include "runtime/Rtl.h"

#include <openssl/rand.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "automation/ByteConvert.h"
#include "automation/CodePages.h"
#include "automation/Dates.h"
#include "automation/Encodings.h"
#include "automation/Files.h"
#include "automation/Process.h"
#include "automation/ThreadQueue.h"
#include "automation/Unicode.h"
#include "automation/Urls.h"
#include "automation/VarRules.h"
#include "automation/VekObjectEx.h"
#include "archive/Zip.h"
#include "crypto/Cryptor.h"
#include "crypto/Signer.h"
#include "data/Bytes.h"
#include "data/Dictionary.h"
#include "data/FileList.h"
#include "data/Strings.h"
#include "data/Xml.h"
#include "desktop/DesktopObjects.h"
#include "desktop/FileSystemObject.h"
#include "desktop/WshShell.h"
#include "graphics/Bitmap.h"
#include "graphics/Rect.h"
#include "graphics/Screen.h"
#include "net/Http.h"
#include "net/Pop3.h"
#include "net/WhoIs.h"
#include "platform/Shell.h"
#include "runtime/AppHooks.h"
#include "runtime/Dialogs.h"
#include "runtime/ResourceMembers.h"
#include "script/CriticalSection.h"
#include "script/Script.h"
#include "script/Thread.h"

namespace ulka {

AppHooks& Hooks() {
  static AppHooks hooks;
  return hooks;
}

const InterfaceInfo& TRtl::Info() {
  static const InterfaceInfo info =
      InterfaceBuilder<TRtl>("IRtl", "{2A116F6A-2C96-46D1-A456-505E85842F0A}", "Dispatch interface for RTL Object")
          .Method(206, "Str", &TRtl::Str, {Arg("Bytes"), Opt("CodePage", uint16_t{65001})})
          .Method(207, "MBStr", &TRtl::MBStr, {Arg("Str"), Opt("CodePage", uint16_t{65001})}).ReturnsBytes()
          .Method(209, "Base64", &TRtl::Base64, {Arg("Data")})
          .Method(210, "DeBase64", &TRtl::DeBase64, {Arg("Str")}).ReturnsBytes()
          .Method(216, "Script", &TRtl::Script, {Opt("Code")}).Returns("IScript")
          .Method(217, "Signer", &TRtl::Signer).Returns("ISigner")
          .Method(222, "Guid", &TRtl::Guid).ReturnsBytes()
          .Method(223, "LoadFile", &TRtl::LoadFile, {Arg("FileName")}).ReturnsBytes()
          .Method(224, "SaveFile", &TRtl::SaveFile, {Arg("FileName"), Arg("Data")})
          .Method(225, "Load", &TRtl::Load, {Arg("Url")}).ReturnsBytes()
          .Getter(226, "Version", &TRtl::GetVersion)
          .Getter(227, "ParamCount", &TRtl::GetParamCount)
          .Getter(228, "Params", &TRtl::GetParams, {Arg("Index")})
          .Method(229, "GetLength", &TRtl::GetLength, {Arg("Value")})
          .Method(230, "UpdateRes", &TRtl::UpdateRes,
                  {Arg("FileName"), Arg("ResType"), Arg("ResName"), Arg("Data"), Opt("Language", int32_t{0})})
          .Method(231, "LoadRes", &TRtl::LoadRes,
                  {Arg("Module"), Arg("ResName"), Opt("ResType", u"23"), Opt("Language", int32_t{0})}).ReturnsBytes()
          .Method(232, "Cryptor", &TRtl::Cryptor, {Opt("Cipher", u"xor")}).Returns("ICryptor")
          .Method(234, "Hex", &TRtl::Hex, {Arg("Data")})
          .Method(235, "DeHex", &TRtl::DeHex, {Arg("Str")}).ReturnsBytes()
          .Method(236, "StrTr", &TRtl::StrTr, {Arg("Str"), Arg("FromChars"), Arg("ToChars")})
          .Method(237, "Md5", &TRtl::Md5, {Arg("Data")}).ReturnsBytes()
          .Property(240, "BaseUrl", &TRtl::GetBaseUrl, &TRtl::SetBaseUrl)
          .Method(239, "Sleep", &TRtl::Sleep, {Arg("Ticks")})
          .Method(247, "Quit", &TRtl::Quit, {Opt("ExitCode", int32_t{0})}).OnMainThread()
          .Method(254, "IncludeTrailingChar", &TRtl::IncludeTrailingChar, {Arg("Str"), Arg("Chr")})
          .Method(255, "ExcludeTrailingChar", &TRtl::ExcludeTrailingChar, {Arg("Str"), Arg("Chr")})
          .Method(233, "IsEmpty", &TRtl::IsEmpty, {Arg("Value")})
          .Method(257, "ShiftParams", &TRtl::ShiftParams, {Opt("Shift", int32_t{1})})
          .Method(260, "DeleteFile", &TRtl::DeleteFile, {Arg("FileName"), Opt("ToRecycleBin", false)})
          .Getter(262, "ModuleFileName", &TRtl::GetModuleFileName)
          .Method(264, "DateToStr", &TRtl::DateToStr, {Arg("Date")})
          .Method(265, "StrToDate", &TRtl::StrToDate, {Arg("Str"), Arg("Default")})
          .Method(205, "Encode", &TRtl::Encode, {Arg("Data"), Arg("Abc")})
          .Method(266, "Decode", &TRtl::Decode, {Arg("Str"), Arg("Abc")}).ReturnsBytes()
          .Method(268, "Object", &TRtl::Object).Returns("IObject")
          .Method(211, "Bytes", &TRtl::Bytes, {Opt("Source")}).Returns("IBytes")
          .Method(212, "Dictionary", &TRtl::Dictionary).Returns("IDictionary")
          .Method(213, "Strings", &TRtl::Strings, {Opt("Text", u"")}).Returns("IStrings")
          .Method(214, "Xml", &TRtl::Xml, {Opt("Tag", u"")}).Returns("IXml")
          .Method(215, "Zip", &TRtl::Zip, {Opt("Source")}).Returns("IZip")
          .Method(238, "FileList", &TRtl::FileList, {Opt("Mask", u""), Opt("Subfolders", false)}).Returns("IFileList")
          .Method(201, "Alert", &TRtl::Alert, {Arg("Text"), Opt("Title", u""), Opt("Flags", int32_t{0})}).OnMainThread()
          .Method(218, "Protocol", &TRtl::Protocol, {Opt("Name", u""), Opt("Handler")})
          .Returns("IProtocol").OnMainThread()
          .Method(219, "Browser", &TRtl::Browser, {Opt("Source")}).Returns("IBrowser").OnMainThread()
          .Method(220, "Rect", &TRtl::Rect, {Opt("Param1"), Opt("Param2"), Opt("Param3"), Opt("Param4")})
          .Returns("IRectangle")
          .Method(246, "Run", &TRtl::Run).OnMainThread()
          .Method(252, "GetSpecialFolderPath", &TRtl::GetSpecialFolderPath, {Arg("FolderId")})
          .Method(253, "Idle", &TRtl::Idle, {Opt("Ticks", uint32_t{0})})
          .Property(258, "ShowOnTaskbar", &TRtl::GetShowOnTaskbar, &TRtl::SetShowOnTaskbar).OnMainThread()
          .Method(261, "WindowRect", &TRtl::WindowRect, {Opt("Value")}).Returns("IRectangle").OnMainThread()
          .Method(267, "WindowState", &TRtl::WindowState, {Opt("Value")}).OnMainThread()
          .Method(248, "Thread", &TRtl::Thread, {Arg("Host"), Arg("Proc")}).Returns("IThread")
          .Method(245, "CriticalSection", &TRtl::CriticalSection).Returns("ICriticalSection")
          .Method(249, "StopThreads", &TRtl::StopThreads)
          .Method(250, "WaitThreads", &TRtl::WaitThreads)
          // Network clients
          .Method(241, "Http", &TRtl::Http, {Opt("BaseUrl", u"")}).Returns("IHTTP")
          .Method(242, "Pop3", &TRtl::Pop3).Returns("IPop3")
          .Method(256, "WhoIs", &TRtl::WhoIs).Returns("IWhoIs")
          // Bitmaps and the screen
          .Method(221, "Bitmap", &TRtl::Bitmap, {Opt("Param1"), Opt("Param2", int32_t{0})}).Returns("IBitmap")
          .Method(259, "Screen", &TRtl::Screen).Returns("IScreen")
          .Method(251, "GetScreenRect", &TRtl::GetScreenRect).Returns("IRectangle")
          // Desktop: file dialogs, the shell, the platform's objects
          .Method(202, "FolderDialog", &TRtl::FolderDialog, {Arg("Text"), Opt("InitPath", u"")})
          .Method(203, "OpenDialog", &TRtl::OpenDialog,
                  {Arg("Filter"), Opt("InitPath", u""), Opt("Multiselect", false), Opt("Title", u"")})
          .Method(204, "SaveDialog", &TRtl::SaveDialog, {Arg("Filter"), Opt("InitPath", u""), Opt("Title", u"")})
          .Method(263, "ShellExec", &TRtl::ShellExec, {Arg("FileName"), Opt("Command", u"open")})
          .Method(208, "CreateObject", &TRtl::CreateObject, {Arg("ClassName")})
          .Method(243, "Shell", &TRtl::Shell).Returns("IWshShell3")
          .Method(244, "FileSystem", &TRtl::FileSystem, {Opt("Path", u"")})
          .Build();
  return info;
}

TRtl::TRtl() : TVekObject(Info()) {}

// --- factories and properties --------------------------------------------------------------

Ref<IDispatch> TRtl::Object() { return MakeRef<TRtlObject>(); }

Ref<IDispatch> TRtl::Bytes(const Variant& Source) {
  Ref<TBytes> bytes = MakeRef<TBytes>();
  if (!Source.IsMissing()) bytes->Load(Source);
  return bytes;
}

Ref<IDispatch> TRtl::Dictionary() { return MakeRef<TDictionary>(); }

Ref<IDispatch> TRtl::Strings(const WideString& Text) {
  Ref<TStrings> strings = MakeRef<TStrings>();
  if (!Text.empty()) strings->SetText(Text);
  return strings;
}

Ref<IDispatch> TRtl::Xml(const WideString& Tag) {
  Ref<TXml> xml = MakeRef<TXml>();
  if (!Tag.empty()) xml->CreateXML(Tag);
  return xml;
}

Ref<IDispatch> TRtl::Zip(const Variant& Source) {
  Ref<TZip> zip = MakeRef<TZip>();
  if (!Source.IsMissing()) zip->Load(Source);
  return zip;
}

Ref<IDispatch> TRtl::FileList(const WideString& Mask, bool Subfolders) {
  Ref<TFileList> list = MakeRef<TFileList>();
  if (!Mask.empty()) list->Add(Mask, Subfolders);
  return list;
}

Ref<IDispatch> TRtl::Script(const WideString& Code) {
  Ref<TScript> script = MakeRef<TScript>();
  if (FOnScriptError) script->Host().SetOnError(FOnScriptError);
  script->SetRelativeLoader([rtl = Ref<TRtl>(this)](const WideString& name) { return rtl->LoadRelative(name); });
  script->AddItem(u"rtl", this, false);
  if (!Code.empty()) script->AddCode(Code);
  return script;
}

Ref<IDispatch> TRtl::Signer() { return MakeRef<TSigner>(); }

Ref<IDispatch> TRtl::Cryptor(const WideString& Cipher) {
  Ref<TCryptor> cryptor = MakeRef<TCryptor>();
  cryptor->SetCipher(Cipher);
  return cryptor;
}

WideString TRtl::GetVersion() { return TypeLibrary::Version(); }

int32_t TRtl::GetParamCount() {
  int32_t count = static_cast<int32_t>(CommandLine().size()) - 1;
  return std::max(count, 0) - FParamShift;
}

WideString TRtl::GetParams(int32_t Index) {
  const auto& arguments = CommandLine();
  int64_t n = static_cast<int64_t>(Index) + FParamShift;
  if (n < 0 || n >= static_cast<int64_t>(arguments.size())) return {};
  if (n == 0) return GetModuleFile();
  return arguments[n];
}

void TRtl::ShiftParams(int32_t Shift) { FParamShift += Shift; }

WideString TRtl::GetModuleFileName() { return GetModuleFile(); }

// --- conversions -----------------------------------------------------------------------------

WideString TRtl::Str(const Variant& Bytes, uint16_t CodePage) {
  if (Bytes.IsArray()) return DecodeText(VarBytesView(Bytes), CodePage);
  if (Bytes.IsObject() && Bytes.Dispatch()) {
    Variant value;
    DispParams none;
    if (Failed(Bytes.Dispatch()->Invoke(DISPID_VALUE, DISPATCH_PROPERTYGET, none, &value, nullptr))) return {};
    Variant text;
    if (value.IsEmpty() || value.IsNull() || Failed(ChangeType(value, VT_BSTR, text))) return {};
    return text.Text();
  }
  return {};
}

Variant TRtl::MBStr(const WideString& Str, uint16_t CodePage) { return BytesToVar(EncodeText(Str, CodePage)); }

WideString TRtl::Base64(const Variant& Data) { return Base64Encode(VarBytesView(Data)); }

Variant TRtl::DeBase64(const WideString& Str) { return BytesToVar(Base64Decode(Str)); }

WideString TRtl::Hex(const Variant& Data) { return BytesToHex(VarBytesView(Data)); }

Variant TRtl::DeHex(const WideString& Str) { return BytesToVar(HexToBytes(Str)); }

Variant TRtl::Md5(const Variant& Data) { return BytesToVar(Md5Bytes(VarBytesView(Data))); }

WideString TRtl::Encode(const Variant& Data, const WideString& Abc) { return EncodeBits(VarBytesView(Data), Abc); }

Variant TRtl::Decode(const WideString& Str, const WideString& Abc) { return BytesToVar(DecodeBits(Str, Abc)); }

Variant TRtl::Guid() {
  ulka::Bytes guid(16);
  if (RAND_bytes(guid.data(), 16) != 1) Fail("Cannot create a GUID");
  guid[7] = static_cast<uint8_t>((guid[7] & 0x0F) | 0x40);  // version 4, in the identifier's layout
  guid[8] = static_cast<uint8_t>((guid[8] & 0x3F) | 0x80);
  return BytesToVar(std::move(guid));
}

WideString TRtl::StrTr(const WideString& Str, const WideString& FromChars, const WideString& ToChars) {
  WideString result = Str;
  for (char16_t& c : result) {
    if (c == 0) break;
    size_t at = FromChars.find(c);
    if (at != WideString::npos && at < ToChars.size()) c = ToChars[at];
  }
  return result;
}

int32_t TRtl::GetLength(const Variant& Value) { return static_cast<int32_t>(VarByteLength(Value)); }

bool TRtl::IsEmpty(const Variant& Value) { return VarIsEmptyValue(Value); }

WideString TRtl::IncludeTrailingChar(const WideString& Str, const WideString& Chr) {
  if (Chr.empty() || Str.ends_with(Chr)) return Str;
  return Str + Chr;
}

WideString TRtl::ExcludeTrailingChar(const WideString& Str, const WideString& Chr) {
  if (!Chr.empty() && Str.ends_with(Chr)) return Str.substr(0, Str.size() - Chr.size());
  return Str;
}

WideString TRtl::DateToStr(Date Date) { return DateToIso(Date); }

Date TRtl::StrToDate(const WideString& Str, Date Default) { return IsoToDate(Str, Default); }

// --- files and URLs --------------------------------------------------------------------------

Variant TRtl::LoadFile(const WideString& FileName) {
  ulka::Bytes bytes;
  if (!ReadFileBytes(FileName, bytes)) return Variant();
  return BytesToVar(std::move(bytes));
}

void TRtl::SaveFile(const WideString& FileName, const Variant& Data) {
  if (!Data.IsArray()) return;
  std::span<const uint8_t> bytes = VarBytesView(Data);
  if (bytes.empty()) return;
  WriteFileBytes(FileName, bytes);
}

Variant TRtl::Load(const WideString& Url) {
  std::optional<ulka::Bytes> bytes = HasScheme(Url) ? LoadUrl(Url) : LoadRelative(Url);
  if (!bytes) return Variant();
  return BytesToVar(std::move(*bytes));
}

std::optional<ulka::Bytes> TRtl::LoadRelative(const WideString& name) {
  if (name.empty()) return std::nullopt;
  // A file that exists but cannot be read (a pipe, a folder) fails, as LoadFile does.
  auto readFile = [](const WideString& path) -> std::optional<ulka::Bytes> {
    ulka::Bytes bytes;
    if (!ReadFileBytes(path, bytes)) return std::nullopt;
    return bytes;
  };
  const bool absolutePath = name[0] == u'/';
  if (!FBaseUrl.empty() && !absolutePath) {
    std::optional<ulka::Bytes> bytes = HasScheme(FBaseUrl) ? LoadUrl(JoinUrl(FBaseUrl, name)) : readFile(FBaseUrl + name);
    if (bytes) return bytes;
  }
  if (confinedToPackage_ && !absolutePath) return std::nullopt;
  return readFile(name);
}

bool TRtl::DeleteFile(const WideString& FileName, bool ToRecycleBin) {
  if (FileName.find(u'\0') != WideString::npos) return false;
  if (ToRecycleBin) return MoveToTrash(Utf8(FileName));
  return ::unlink(Utf8(FileName).c_str()) == 0;
}

// --- script threads ----------------------------------------------------------------------------

Ref<IDispatch> TRtl::Thread(IDispatch* Host, IDispatch* Proc) {
  Ref<TThread> thread = TThread::Create(Host, Proc);
  if (FOnScriptError) thread->Worker().Script().SetOnError(FOnScriptError);
  thread->AddItem(u"rtl", this, false);
  return thread;
}

Ref<IDispatch> TRtl::CriticalSection() { return MakeRef<TCriticalSection>(); }

void TRtl::StopThreads() { ulka::StopThreads(); }

void TRtl::WaitThreads() { ulka::WaitThreads(); }

// --- process control ---------------------------------------------------------------------------

void TRtl::Sleep(uint32_t Ticks) { std::this_thread::sleep_for(std::chrono::milliseconds(Ticks)); }

void TRtl::Quit(int32_t ExitCode) {
  if (Hooks().quit && !Hooks().quit()) return;
  SetExitCode(ExitCode);
}

// Executable resources

bool TRtl::UpdateRes(const WideString& FileName, const Variant& ResType, const Variant& ResName,
                     const Variant& Data, int32_t Language) {
  return UpdateResource(Utf8(FileName), ResType, ResName, Data, Language);
}

Variant TRtl::LoadRes(const Variant& Module, const Variant& ResName, const Variant& ResType,
                      int32_t Language) {
  return LoadResource(Module, ResName, ResType, Language);
}

// --- windows, schemes and the desktop ----------------------------------------------------------

int32_t TRtl::Alert(const WideString& Text, const WideString& Title, int32_t Flags) {
  return Hooks().alert ? Hooks().alert(Text, Title, Flags) : 0;
}

Ref<IDispatch> TRtl::Protocol(const WideString& Name, IDispatch* Handler) {
  return Hooks().protocol ? Hooks().protocol(Name, Handler) : nullptr;
}

Ref<IDispatch> TRtl::Browser(const Variant& Source) {
  return Hooks().browser ? Hooks().browser(Source, FBaseUrl) : nullptr;
}

Ref<IDispatch> TRtl::Rect(int32_t Param1, int32_t Param2, int32_t Param3, int32_t Param4) {
  TRect r;
  if (Param4 > 0) r = {Param1, Param2, Param1 + Param3, Param2 + Param4};
  else if (Param3 > 0) r = {Param1, Param2, Param1 + Param3, Param2 + Param3};
  else if (Param2 > 0) r = {0, 0, Param1, Param2};
  else if (Param1 > 0) r = {0, 0, Param1, Param1};
  return TRectangle::Make(r);
}

void TRtl::Run() {
  if (Hooks().run) Hooks().run();
}

void TRtl::Idle(uint32_t Ticks) {
  // A script thread has no window messages: it serves its call queue for the time.
  if (!IsMainThread()) {
    WaitServingQueue([] { return false; }, std::max<uint32_t>(Ticks, 1));
    return;
  }
  if (Hooks().idle) Hooks().idle(Ticks);
}

WideString TRtl::GetSpecialFolderPath(int32_t FolderId) { return Wide(SpecialFolderPath(FolderId)); }

Ref<IDispatch> TRtl::WindowRect(const Variant& Value) {
  if (Hooks().windowRect) return Hooks().windowRect(Value);
  if (auto* rect = VarToObject<TRectangle>(Value)) return rect;
  return TRectangle::Make({});
}

int32_t TRtl::WindowState(const Variant& Value) { return Hooks().windowState ? Hooks().windowState(Value) : 0; }

bool TRtl::GetShowOnTaskbar() { return Hooks().getShowOnTaskbar ? Hooks().getShowOnTaskbar() : false; }

void TRtl::SetShowOnTaskbar(bool Value) {
  if (Hooks().setShowOnTaskbar) Hooks().setShowOnTaskbar(Value);
}

// --- network clients ---------------------------------------------------------------------------

Ref<IDispatch> TRtl::Http(const WideString& BaseUrl) {
  Ref<THttp> http = MakeRef<THttp>();
  if (!BaseUrl.empty()) http->SetBaseUrl(BaseUrl);
  return http;
}

Ref<IDispatch> TRtl::Pop3() { return MakeRef<TPop3>(); }

Ref<IDispatch> TRtl::WhoIs() { return MakeRef<TWhoIs>(); }
// --- bitmaps and the screen --------------------------------------------------------------------

Ref<IDispatch> TRtl::Bitmap(const Variant& Param1, int32_t Param2) {
  Ref<TBitmap> bitmap = MakeRef<TBitmap>();
  if (Param1.IsNumber()) bitmap->SetSize(Param1, Param2);
  else bitmap->Open(Param1);
  return bitmap;
}

Ref<IDispatch> TRtl::Screen() { return MakeRef<TScreen>(); }

Ref<IDispatch> TRtl::GetScreenRect() { return TRectangle::Make(TScreen::PrimaryRect()); }

// --- desktop: file dialogs, the shell, the platform's objects -------------------------------------

WideString TRtl::FolderDialog(const WideString& Text, const WideString& InitPath) { return RunFolderDialog(Text, InitPath); }

Variant TRtl::OpenDialog(const WideString& Filter, const WideString& InitPath, bool Multiselect, const WideString& Title) {
  return RunOpenDialog(Filter, InitPath, Multiselect, Title);
}

WideString TRtl::SaveDialog(const WideString& Filter, const WideString& InitPath, const WideString& Title) {
  return RunSaveDialog(Filter, InitPath, Title);
}

uint32_t TRtl::ShellExec(const WideString& FileName, const WideString& Command) {
  if (FileName.find(u'\0') != WideString::npos) return kLaunchFileNotFound;
  return LaunchWithVerb(Utf8(FileName), Utf8(Command));
}

Ref<IDispatch> TRtl::CreateObject(const WideString& ClassName) { return CreateDesktopObject(ClassName); }

Ref<IDispatch> TRtl::Shell() { return MakeRef<TWshShell>(); }

Ref<IDispatch> TRtl::FileSystem(const WideString& Path) { return FileSystemFor(Path); }

}  // namespace ulka
