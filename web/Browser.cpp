#include "web/Browser.h"

#include <glib.h>

#include "automation/ByteConvert.h"
#include "automation/Messages.h"
#include "automation/Unicode.h"
#include "automation/Urls.h"
#include "graphics/Bitmap.h"
#include "graphics/Rect.h"
#include "platform/MainLoop.h"
#include "web/PageDocument.h"
#include "web/PageSnapshot.h"
#include "web/WebBrowserObject.h"

namespace ulka {

const InterfaceInfo& TBrowser::Info() {
  using T = TBrowser;
  static const InterfaceInfo info =
      InterfaceBuilder<T>("IBrowser", "{A849883A-9FB9-4257-873B-25C37FDBC673}", "Dispatch interface for View Object")
          .MainThreadOnly()
          .Method(201, "Open", &T::Open, {Arg("Url")})
          .Method(202, "Show", &T::Show)
          .Method(203, "ShowDialog", &T::ShowDialog, {Opt("Url")})
          .Getter(204, "Document", &T::GetDocument)
          .Property(205, "Bounds", &T::GetBounds, &T::SetBounds).Returns("IRectangle")
          .Method(206, "Wait", &T::Wait, {Opt("Timeout", uint32_t{0})})
          .Getter(207, "Browser", &T::GetBrowser).Returns("IWebBrowser2")
          .Property(208, "External", &T::GetExternal, &T::SetExternal)
          .Property(209, "Icon", &T::GetIcon, &T::SetIcon)
          .Property(210, "BaseUrl", &T::GetBaseUrl, &T::SetBaseUrl)
          .Property(211, "NoScroll", &T::GetNoScroll, &T::SetNoScroll)
          .Property(212, "NoSelection", &T::GetNoSelection, &T::SetNoSelection)
          .Method(213, "Close", &T::Close)
          .Property(214, "Border", &T::GetBorder, &T::SetBorder)
          .Property(215, "ClientRect", &T::GetClientRect, &T::SetClientRect).Returns("IRectangle")
          .Method(216, "Load", &T::Load, {Arg("Source")})
          .Property(217, "WindowState", &T::GetWindowState, &T::SetWindowState)
          .Method(218, "Screenshot", &T::Screenshot, {Opt("Rect")}).Returns("IBitmap")
          .Build();
  return info;
}

TBrowser::~TBrowser() {
  try {
    Close();
  } catch (...) {
  }
  FForm.reset();
}

TBrowserForm& TBrowser::Form() {
  if (!FForm) {
    if (!InitPlatform()) Fail("Cannot open a window: no display");
    FForm = std::make_unique<TBrowserForm>();
  }
  return *FForm;
}

TBrowserForm& TBrowser::ExistingForm() {
  if (!FForm) Fail(msg::kNoWindow);
  return *FForm;
}

std::string TBrowser::ResolveUrl(const WideString& url) const {
  if (!FBaseUrl.empty()) return Utf8(JoinUrl(FBaseUrl, url));
  if (HasScheme(url)) return Utf8(url);
  std::string path = Utf8(url);
  if (path.empty() || path[0] != '/') {
    GCharPtr cwd(g_get_current_dir());
    path = std::string(cwd.get()) + "/" + path;
  }
  GCharPtr uri(g_filename_to_uri(path.c_str(), nullptr, nullptr));
  return uri ? uri.get() : path;
}

void TBrowser::Open(const WideString& Url) {
  const std::string url = ResolveUrl(Url);
  TBrowserForm& form = Form();
  if (!form.Window().Visible()) form.Window().Prepare();
  form.View().Navigate(url);
}

void TBrowser::Show() { Form().Window().Show(); }

void TBrowser::ShowDialog(const WideString& Url) {
  if (!Url.empty()) Open(Url);
  Ref<TBrowser> keep(this);  // the dialog's page may drop the last script reference
  Form().Window().ShowModal();
}

Variant TBrowser::GetDocument() {
  if (!FForm || !FForm->View().HasView()) return Variant();
  return PageDocument(FForm->View());
}

Ref<IDispatch> TBrowser::GetBounds() { return TRectangle::Make(Form().Window().Bounds()); }

void TBrowser::SetBounds(IDispatch* Value) { Form().Window().SetBounds(TRectangle::Cast(Value).FRect); }

bool TBrowser::Wait(uint32_t Timeout) {
  Ref<TBrowser> keep(this);
  TBrowserForm& form = Form();
  return RunUntil([&form] { return form.NavigateComplete(); }, Timeout);
}

Ref<IDispatch> TBrowser::GetBrowser() { return MakeRef<TWebBrowserObject>(View()); }

Ref<IDispatch> TBrowser::GetExternal() { return View().External(); }

void TBrowser::SetExternal(IDispatch* Value) { View().SetExternal(Value); }

// A picture that cannot be read leaves the icon as it was.
void TBrowser::SetIcon(const WideString& Value) {
  std::optional<Bytes> bytes = LoadUrl(Wide(ResolveUrl(Value)));
  if (!bytes || !Form().SetIcon(*bytes, IconSource::Script)) return;
  FIcon = Value;
}

void TBrowser::SetOption(uint8_t option, bool on) {
  TVekWebBrowser& view = View();
  view.SetUIOptions(on ? (view.UIOptions() | option) : (view.UIOptions() & ~option));
}

bool TBrowser::GetNoScroll() { return View().UIOptions() & uiNoScroll; }
void TBrowser::SetNoScroll(bool Value) { SetOption(uiNoScroll, Value); }
bool TBrowser::GetNoSelection() { return View().UIOptions() & uiNoSelection; }
void TBrowser::SetNoSelection(bool Value) { SetOption(uiNoSelection, Value); }

void TBrowser::Close() {
  if (!FForm) return;
  FForm->View().SetExternal(nullptr);
  FForm->Window().Close();
}

int32_t TBrowser::GetBorder() { return static_cast<int32_t>(Form().Window().Border()); }

void TBrowser::SetBorder(int32_t Value) {
  int32_t style = Value & 0xFF;
  if (style > 5) style = 2;  // values past the six styles give the default, sizeable
  Form().Window().SetBorder(static_cast<BorderStyle>(style));
}

Ref<IDispatch> TBrowser::GetClientRect() {
  PlatformWindow& window = Form().Window();
  return TRectangle::Make({0, 0, window.ClientWidth(), window.ClientHeight()});
}

void TBrowser::SetClientRect(IDispatch* Value) {
  const TRect& r = TRectangle::Cast(Value).FRect;
  Form().Window().SetClientSize(r.Width(), r.Height());
}

bool TBrowser::Load(const Variant& Source) {
  Bytes bytes;
  if (Source.IsText()) {
    std::string text = Utf8(Source.Text());
    bytes.assign(text.begin(), text.end());
  } else if (Source.IsArray()) {
    bytes = VarToBytes(Source);
  } else {
    return false;
  }
  TBrowserForm& form = Form();
  if (!form.Window().Visible()) form.Window().Prepare();
  std::string base = FBaseUrl.empty() ? std::string() : Utf8(FBaseUrl);
  return form.View().LoadFromBytes(bytes, base);
}

int32_t TBrowser::GetWindowState() { return ExistingForm().Window().State(); }

void TBrowser::SetWindowState(int32_t Value) { ExistingForm().Window().SetState(Value); }

Ref<IDispatch> TBrowser::Screenshot(const Variant& Rect) {
  if (!FForm || !FForm->View().HasView()) Fail(msg::kNoDocument);
  Ref<TBrowser> keep(this);  // the wait serves events, which may drop the last script reference
  Ref<TBitmap> shot = MakeRef<TBitmap>();
  FForm->Window().LayOutHidden();
  SnapshotPage(FForm->View().View(), shot->Bitmap());
  if (VarToObject<TRectangle>(Rect)) return shot->Clone(Rect);
  return shot;
}

// --- side bars -----------------------------------------------------------------------------

const InterfaceInfo& THTMLView::Info() {
  using T = THTMLView;
  static const InterfaceInfo info =
      InterfaceBuilder<T>("IHTMLView", "{BC1CBEEA-E5DF-4203-9BA8-66AB8C3A6E25}", "Dispatch interface for HTML View")
          .MainThreadOnly()
          .Method(201, "Open", &T::Open, {Arg("Url")})
          .Getter(204, "Document", &T::GetDocument)
          .Getter(207, "Browser", &T::GetBrowser).Returns("IWebBrowser2")
          .Property(208, "External", &T::GetExternal, &T::SetExternal)
          .Property(211, "NoScroll", &T::GetNoScroll, &T::SetNoScroll)
          .Property(212, "NoSelection", &T::GetNoSelection, &T::SetNoSelection)
          .Build();
  return info;
}

THTMLView::~THTMLView() {
  if (!token_.expired()) FView->SetExternal(nullptr);
}

TVekWebBrowser& THTMLView::View() {
  if (token_.expired()) Fail(msg::kNoWindow);
  return *FView;
}

void THTMLView::Open(const WideString& Url) { View().Navigate(Utf8(Url)); }
Variant THTMLView::GetDocument() { return PageDocument(View()); }
Ref<IDispatch> THTMLView::GetBrowser() { return MakeRef<TWebBrowserObject>(View()); }
Ref<IDispatch> THTMLView::GetExternal() { return View().External(); }
void THTMLView::SetExternal(IDispatch* Value) { View().SetExternal(Value); }
bool THTMLView::GetNoScroll() { return View().UIOptions() & uiNoScroll; }
void THTMLView::SetNoScroll(bool Value) {
  View().SetUIOptions(Value ? (View().UIOptions() | uiNoScroll) : (View().UIOptions() & ~uiNoScroll));
}
bool THTMLView::GetNoSelection() { return View().UIOptions() & uiNoSelection; }
void THTMLView::SetNoSelection(bool Value) {
  View().SetUIOptions(Value ? (View().UIOptions() | uiNoSelection) : (View().UIOptions() & ~uiNoSelection));
}

}  // namespace ulka
