// The browser window object: a top-level window with one view that scripts open URLs or HTML
// in, show normally or modally, wait for, move, size and style.
#pragma once

#include <memory>

#include "automation/VekObject.h"
#include "web/BrowserForm.h"

namespace ulka {

class TBrowser : public TVekObject {
 public:
  static const InterfaceInfo& Info();
  TBrowser() : TVekObject(Info()) {}
  ~TBrowser() override;

  // The window, made on first need; the first window made in the process is the main window.
  TBrowserForm& Form();
  bool HasForm() const { return FForm != nullptr; }
  TVekWebBrowser& View() { return Form().View(); }

  void Open(const WideString& Url);
  void Show();
  void ShowDialog(const WideString& Url);
  Variant GetDocument();
  Ref<IDispatch> GetBounds();
  void SetBounds(IDispatch* Value);
  bool Wait(uint32_t Timeout);
  Ref<IDispatch> GetBrowser();
  Ref<IDispatch> GetExternal();
  void SetExternal(IDispatch* Value);
  WideString GetIcon() { return FIcon; }
  void SetIcon(const WideString& Value);
  WideString GetBaseUrl() { return FBaseUrl; }
  void SetBaseUrl(const WideString& Value) { FBaseUrl = Value; }
  bool GetNoScroll();
  void SetNoScroll(bool Value);
  bool GetNoSelection();
  void SetNoSelection(bool Value);
  void Close();
  int32_t GetBorder();
  void SetBorder(int32_t Value);
  Ref<IDispatch> GetClientRect();
  void SetClientRect(IDispatch* Value);
  bool Load(const Variant& Source);
  int32_t GetWindowState();
  void SetWindowState(int32_t Value);
  Ref<IDispatch> Screenshot(const Variant& Rect);

  // The URL `Open` navigates to for `url`: joined to the base URL, or taken as it stands when it
  // has a scheme, or a file in the current directory.
  std::string ResolveUrl(const WideString& url) const;

 private:
  TBrowserForm& ExistingForm();
  void SetOption(uint8_t option, bool on);

  std::unique_ptr<TBrowserForm> FForm;
  WideString FBaseUrl;
  WideString FIcon;
};

// A side bar of the main window.
class THTMLView : public TVekObject {
 public:
  static const InterfaceInfo& Info();
  explicit THTMLView(TVekWebBrowser& view) : TVekObject(Info()), FView(&view), token_(view.Token()) {}
  ~THTMLView() override;

  void Open(const WideString& Url);
  Variant GetDocument();
  Ref<IDispatch> GetBrowser();
  Ref<IDispatch> GetExternal();
  void SetExternal(IDispatch* Value);
  bool GetNoScroll();
  void SetNoScroll(bool Value);
  bool GetNoSelection();
  void SetNoSelection(bool Value);

 private:
  TVekWebBrowser& View();

  TVekWebBrowser* FView;
  std::weak_ptr<void> token_;
};

}  // namespace ulka
