#include "web/BrowserForm.h"

#include "automation/Unicode.h"
#include "automation/Urls.h"
#include "platform/GObjectPtr.h"
#include "platform/MainLoop.h"
#include "web/bridge/PageBridge.h"

namespace ulka {
namespace {
TBrowserForm* mainForm = nullptr;
bool mainFormChosen = false;
std::vector<TBrowserForm*> forms;  // alive
}  // namespace

TBrowserForm::TBrowserForm()
    : view_(std::make_unique<TVekWebBrowser>()),
      outer_(gtk_box_new(GTK_ORIENTATION_VERTICAL, 0)),
      middle_(gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0)) {
  if (!mainFormChosen) {
    mainFormChosen = true;
    mainForm = this;
  }
  forms.push_back(this);
  view_->SetUIOptions(uiNoBorder);
  gtk_box_pack_start(GTK_BOX(middle_), view_->Widget(), TRUE, TRUE, 0);
  gtk_box_pack_start(GTK_BOX(outer_), middle_, TRUE, TRUE, 0);
  window_.SetContent(outer_);
  window_.onClosed = [this] { OnClosed(); };
  // The page's title is the window's; the desktop shows the main window's as the application's.
  view_->onTitleChange = [this](const std::string& title) { window_.SetTitle(title); };
  if (IsMainForm()) {
    ApplyIcon(ProgramIconPictures(), IconSource::Program);
    view_->onDocumentComplete = [this] { TakePageIcon(); };
  }
}

TBrowserForm::~TBrowserForm() {
  if (mainForm == this) mainForm = nullptr;
  std::erase(forms, this);
  window_.onClosed = nullptr;
  // The views go before the window that holds their widgets.
  gtk_container_remove(GTK_CONTAINER(window_.Handle()), outer_);
  bars_.clear();
  view_.reset();
}

TBrowserForm* TBrowserForm::MainForm() { return mainForm; }

TVekWebBrowser& TBrowserForm::AddSideBar(BarAlign align, int width, int height) {
  auto bar = std::make_unique<TVekWebBrowser>();
  GtkWidget* widget = bar->Widget();
  switch (align) {
    case BarAlign::Top:
      gtk_widget_set_size_request(widget, -1, height);
      gtk_box_pack_start(GTK_BOX(outer_), widget, FALSE, FALSE, 0);
      gtk_box_reorder_child(GTK_BOX(outer_), widget, topCount_++);
      break;
    case BarAlign::Bottom:
      gtk_widget_set_size_request(widget, -1, height);
      gtk_box_pack_end(GTK_BOX(outer_), widget, FALSE, FALSE, 0);
      break;
    case BarAlign::Left:
      gtk_widget_set_size_request(widget, width, -1);
      gtk_box_pack_start(GTK_BOX(middle_), widget, FALSE, FALSE, 0);
      gtk_box_reorder_child(GTK_BOX(middle_), widget, 0);
      break;
    case BarAlign::Right:
      gtk_widget_set_size_request(widget, width, -1);
      gtk_box_pack_end(GTK_BOX(middle_), widget, FALSE, FALSE, 0);
      break;
  }
  gtk_widget_show_all(widget);
  bars_.push_back(std::move(bar));
  return *bars_.back();
}

bool TBrowserForm::SetIcon(std::span<const uint8_t> image, IconSource source) {
  const std::vector<IconPicture> pictures = IconPicturesFrom(image);
  if (pictures.empty()) return false;
  ApplyIcon(pictures, source);
  return true;
}

bool TBrowserForm::ApplyIcon(const std::vector<IconPicture>& pictures, IconSource source) {
  if (pictures.empty() || source < iconSource_) return false;
  iconSource_ = source;
  window_.SetIcon(pictures);
  if (!IsMainForm()) return true;
  // Windows made later take the default; those already there that have none of their own are
  // given it here (the toolkit passes a new default only to windows that had one before).
  PlatformWindow::SetDefaultIcon(pictures);
  for (TBrowserForm* form : forms) {
    if (form != this && form->iconSource_ == IconSource::None) form->window_.SetIcon(pictures);
  }
  return true;
}

// Only the application's own pages name the icon, and only with a file of the application's.
void TBrowserForm::TakePageIcon() {
  if (iconSource_ > IconSource::Page || !view_->HasView()) return;
  WebKitWebView* view = view_->View();
  if (!PageBridge::Instance().ShowsTrustedDocument(view)) return;
  struct Pending {
    std::weak_ptr<void> token;
    TBrowserForm* form;
  };
  webkit_web_view_evaluate_javascript(
      view, kPageIconScript, -1, nullptr, nullptr, nullptr,
      [](GObject* source, GAsyncResult* result, gpointer data) {
        std::unique_ptr<Pending> pending(static_cast<Pending*>(data));
        WebKitWebView* view = WEBKIT_WEB_VIEW(source);
        GObjectPtr<JSCValue> value(webkit_web_view_evaluate_javascript_finish(view, result, nullptr));
        if (pending->token.expired() || !value || !jsc_value_is_string(value.get())) return;
        GCharPtr text(jsc_value_to_string(value.get()));
        const WideString url = Wide(text.get());
        if (url.empty() || !PageBridge::Instance().IsApplicationDocument(view, url)) return;
        if (std::optional<Bytes> image = LoadUrl(url)) pending->form->SetIcon(*image, IconSource::Page);
      },
      new Pending{view_->Token(), this});
}

void TBrowserForm::OnClosed() {
  if (IsMainForm()) TerminateApplication();
}

}  // namespace ulka
