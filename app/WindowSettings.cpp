#include "app/WindowSettings.h"

#include "automation/ByteConvert.h"
#include "graphics/Rect.h"
#include "web/Browser.h"

namespace ulka {
namespace {

constexpr char16_t kRootTag[] = u"settings";
constexpr char16_t kWindowTag[] = u"window";
constexpr int kMaximized = 2;

std::optional<int32_t> AttrInt(TXmlElement& element, const char16_t* name) {
  Variant value = element.GetAttr(name);
  Variant number;
  if (value.IsEmpty() || value.IsNull() || Failed(ChangeType(value, VT_I4, number))) return std::nullopt;
  return static_cast<int32_t>(number.Int());
}

Ref<TXmlElement> FirstWindowElement(TXml& document) {
  Ref<TXmlElement> root = document.GetRoot();
  if (!root || !root->Exist(kWindowTag)) return nullptr;
  return root->GetItem(Variant(WideString(kWindowTag)));
}

}  // namespace

WideString SettingsPath(const WideString& documents, const WideString& company, const WideString& name) {
  if (name.empty()) return {};
  WideString path = documents;
  if (!path.empty() && path.back() != u'/') path += u'/';
  if (!company.empty()) path += company + u'/';
  return path + name + u"/.settings";
}

TWindowSettings::TWindowSettings() : document_(MakeRef<TXml>()) { document_->CreateXML(kRootTag); }

void TWindowSettings::Load(const WideString& path) {
  path_ = path;
  if (path.empty()) return;
  bool ok = document_->Load(path, kRootTag);
  Ref<TXmlElement> root = document_->GetRoot();
  if (!ok || !root || root->GetTag() != kRootTag) document_->CreateXML(kRootTag);
}

Ref<IDispatch> TWindowSettings::Root() { return document_->GetRoot(); }

void TWindowSettings::Restore(TBrowser& browser) {
  Ref<TXmlElement> window = FirstWindowElement(*document_);
  if (!window) return;
  if (AttrInt(*window, u"state") == kMaximized) {
    browser.SetWindowState(kMaximized);
    return;
  }
  // A hand-made element without all four numbers is left alone.
  auto left = AttrInt(*window, u"left"), top = AttrInt(*window, u"top");
  auto width = AttrInt(*window, u"width"), height = AttrInt(*window, u"height");
  if (!left || !top || !width || !height || *width <= 0 || *height <= 0) return;
  Ref<TRectangle> bounds = MakeRef<TRectangle>();
  bounds->SetRect(*left, *top, *width, *height);
  browser.SetBounds(bounds.get());
}

void TWindowSettings::Save(TBrowser& browser) {
  if (path_.empty()) return;
  Ref<TXmlElement> root = document_->GetRoot();
  Ref<TXmlElement> window = root->GetItem(Variant(WideString(kWindowTag)));
  if (browser.GetWindowState() == kMaximized) {
    window->SetAttr(u"state", Variant(int32_t{kMaximized}));
  } else {
    window->SetAttr(u"state", Variant(int32_t{0}));
    Ref<IDispatch> made = browser.GetBounds();
    const TRect& r = static_cast<TRectangle*>(made.get())->FRect;
    window->SetAttr(u"left", Variant(r.Left));
    window->SetAttr(u"top", Variant(r.Top));
    window->SetAttr(u"width", Variant(r.Width()));
    window->SetAttr(u"height", Variant(r.Height()));
  }
  document_->Save(path_);
}

}  // namespace ulka
