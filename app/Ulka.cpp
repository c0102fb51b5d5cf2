#include "app/Ulka.h"

#include <unistd.h>

#include <cstdio>

#include "app/ApplicationSource.h"
#include "app/SettingsTag.h"
#include "app/WindowSettings.h"
#include "automation/ByteConvert.h"
#include "automation/Messages.h"
#include "automation/Unicode.h"
#include "automation/Urls.h"
#include "automation/Process.h"
#include "automation/VekObjectEx.h"
#include "platform/MainLoop.h"
#include "platform/MessageBox.h"
#include "platform/Shell.h"
#include "script/Script.h"
#include "script/Thread.h"
#include "web/Browser.h"
#include "web/Protocol.h"
#include "web/WebContext.h"
#include "web/WebHooks.h"

namespace ulka {
namespace {

constexpr int kDefaultBarHeight = 64;
constexpr int kDefaultBarWidth = 200;

struct SideBarKind {
  const char16_t* name;
  BarAlign align;
};
constexpr SideBarKind kSideBars[] = {
    {u"header", BarAlign::Top}, {u"footer", BarAlign::Bottom}, {u"leftbar", BarAlign::Left}, {u"rightbar", BarAlign::Right}};

struct BorderName {
  const char16_t* name;
  int32_t style;
};
constexpr BorderName kBorders[] = {{u"none", 0},       {u"single", 1},     {u"sizeable", 2},
                                   {u"dialog", 3},     {u"toolwindow", 4}, {u"sizetoolwin", 5}};

// What one run holds until the loop ends.
struct RunState {
  TRtl& rtl;
  Ref<TProtocol> protocol;
  Ref<TBrowser> browser;
  Ref<TExternalObject> external;
  TWindowSettings settings;
  std::optional<TAttributeList> tag;
  // The start-up script stays alive for the whole run, so that the functions it hands out (scheme
  // handlers, callbacks on the external object) keep working.
  Ref<IDispatch> script;
};

void ApplyBorder(RunState& run) {
  const WideString border = run.tag->Lower(u"border");
  for (const BorderName& b : kBorders) {
    if (border == b.name) run.browser->SetBorder(b.style);
  }
}

void AddSideBar(RunState& run, const SideBarKind& kind) {
  const TAttributeList& tag = *run.tag;
  const WideString name = kind.name;
  if (!tag.Has(name)) return;
  WideString url = tag.Value(name);
  if (!HasScheme(url)) url = run.rtl.GetBaseUrl() + url;
  if (tag.Has(name + u"Url")) url = tag.Value(name + u"Url");
  const int height = tag.Integer(name + u"Height").value_or(kDefaultBarHeight);
  const int width = tag.Integer(name + u"Width").value_or(kDefaultBarWidth);
  TVekWebBrowser& bar = run.browser->Form().AddSideBar(kind.align, width, height);
  bar.SetExternal(run.external.get());
  bar.cancelNavigationErrors = true;
  bar.SetUIOptions(uiNoScroll | uiNoBorder | uiNoSelection);
  bar.Navigate(Utf8(url));
  run.external->AddMember(name, Variant(static_cast<IDispatch*>(MakeRef<THTMLView>(bar).get())));
}

void RunStartupScript(RunState& run) {
  const WideString source = run.tag->Value(u"script");
  if (source.empty()) return;
  const WideString text = run.rtl.Str(run.rtl.Load(source), 65001);
  if (text.empty()) return;
  run.script = run.rtl.Script(text);
  auto* script = static_cast<TScript*>(run.script.get());
  script->AddItem(u"external", run.external.get(), false);
  script->Run();
}

void ApplyTag(RunState& run, const WideString& sourceKey) {
  const TAttributeList& tag = *run.tag;
  run.browser->SetNoScroll(tag.Lower(u"scroll") == u"no");
  run.browser->SetNoSelection(tag.Lower(u"selection") == u"no");
  const WideString name = tag.Value(u"name");
  const WideString company = tag.Value(u"company");
  SetWebsiteDataKey(Utf8(name.empty() ? sourceKey : company.empty() ? name : company + u"-" + name));
  // The engine must start before any script engine of ours runs in this process: a JavaScript
  // engine started first leaves the views unable to load anything.
  SharedWebContext();
  run.settings.Load(SettingsPath(Wide(SpecialFolderPath(5)), tag.Value(u"company"), name));
  run.external->AddMember(u"settings", Variant(run.settings.Root().get()));
  ApplyBorder(run);
  if (tag.Has(u"version")) run.external->AddMember(u"version", Variant(tag.Value(u"version")));
  for (const SideBarKind& kind : kSideBars) AddSideBar(run, kind);
  RunStartupScript(run);
}

void ApplyClientSize(RunState& run) {
  if (!run.tag) return;
  auto width = run.tag->Integer(u"width");
  auto height = run.tag->Integer(u"height");
  PlatformWindow& window = run.browser->Form().Window();
  if (width || height) window.SetClientSize(width.value_or(window.ClientWidth()), height.value_or(window.ClientHeight()));
}

}  // namespace

TUlka::TUlka() : FRtl(MakeRef<TRtl>()) {
  InitPlatform();
  InstallWebHooks();
  FRtl->FOnScriptError = ShowScriptError;
}

TUlka::~TUlka() {
  constexpr uint32_t kGraceMs = 5000;
  if (const size_t left = FinishScriptThreads(kGraceMs)) {
    std::fprintf(stderr, "ulka: %zu script thread(s) did not stop within %u s; exiting anyway\n", left, kGraceMs / 1000);
    std::fflush(stderr);
    _exit(ExitCode());
  }
  FRtl = nullptr;
}

void TUlka::ShowScriptError(const ScriptError& error) {
  const std::string description = Utf8(error.description);
  const int size = std::snprintf(nullptr, 0, msg::kScriptErrorFormat, description.c_str(), error.line, error.character);
  if (size < 0) return;
  std::string text(static_cast<size_t>(size) + 1, '\0');
  std::snprintf(text.data(), text.size(), msg::kScriptErrorFormat, description.c_str(), error.line, error.character);
  text.resize(static_cast<size_t>(size));
  ShowMessageBox(text, msg::kScriptErrorCaption, kMessageBoxError);
}

void TUlka::Run() {
  try {
    RunSequence();
  } catch (...) {
    // A failing step ends the run without a message.
  }
}

void TUlka::RunSequence() {
  std::optional<ApplicationSource> source = ChooseApplicationSource(*FRtl);
  if (!source) return;
  ReportMissingStartPage(*source);
  if (!PlatformReady()) {
    std::fputs("ulka: cannot open the display\n", stderr);
    return;
  }

  RunState run{*FRtl, MakeRef<TProtocol>(), nullptr, nullptr, {}, std::nullopt, nullptr};
  run.protocol->Register(u"ulka", source->handler.get());
  FRtl->SetBaseUrl(u"ulka:");
  FRtl->ConfineToPackage(source->fromPackage);
  // The tag is read before the first window exists, so that the windows' class (which the desktop
  // matches to the application's entry) is the application's name.
  run.tag = ParseApplicationTag(VarToBytes(run.protocol->Read(source->startFile)));
  if (run.tag) SetProgramClass(Utf8(run.tag->Value(u"name")));
  run.browser = MakeRef<TBrowser>();
  run.external = MakeRef<TExternalObject>();
  run.browser->SetExternal(run.external.get());
  const WideString startUrl = FRtl->GetBaseUrl() + source->startFile;
  // The start-up script finds "browser" and "settings" on the external object already.
  run.external->AddMember(u"browser", Variant(static_cast<IDispatch*>(run.browser.get())));

  if (run.tag) ApplyTag(run, source->key);
  else SetWebsiteDataKey(Utf8(source->key));
  SharedWebContext();
  if (run.external->GetMemberId(u"settings") < 0) {
    run.external->AddMember(u"settings", Variant(run.settings.Root().get()));
  }

  run.settings.Restore(*run.browser);
  ApplyClientSize(run);
  run.browser->Open(startUrl);
  if (!ApplicationTerminated()) run.browser->Show();
  RunMainLoop();

  run.settings.Save(*run.browser);
  run.external->Members().Clear();
}

}  // namespace ulka
