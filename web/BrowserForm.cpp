#include "web/BrowserForm.h"

#include "platform/MainLoop.h"

namespace ulka {
namespace {
TBrowserForm* mainForm = nullptr;
bool mainFormChosen = false;
}  // namespace

TBrowserForm::TBrowserForm()
    : view_(std::make_unique<TVekWebBrowser>()),
      outer_(gtk_box_new(GTK_ORIENTATION_VERTICAL, 0)),
      middle_(gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 0)) {
  if (!mainFormChosen) {
    mainFormChosen = true;
    mainForm = this;
  }
  view_->SetUIOptions(uiNoBorder);
  gtk_box_pack_start(GTK_BOX(middle_), view_->Widget(), TRUE, TRUE, 0);
  gtk_box_pack_start(GTK_BOX(outer_), middle_, TRUE, TRUE, 0);
  window_.SetContent(outer_);
  window_.onClosed = [this] { OnClosed(); };
  // The page's title is the window's; the desktop shows the main window's as the application's.
  view_->onTitleChange = [this](const std::string& title) { window_.SetTitle(title); };
}

TBrowserForm::~TBrowserForm() {
  if (mainForm == this) mainForm = nullptr;
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

void TBrowserForm::OnClosed() {
  if (IsMainForm()) TerminateApplication();
}

}  // namespace ulka
