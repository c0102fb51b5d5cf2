// The window of a browser object: a top-level window whose client area holds the main view and,
// around it, the side bars (header and footer across the full width, left and right bars along
// the height left between them).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Window.h"
#include "web/VekWebBrowser.h"
#include "web/WindowIcon.h"

namespace ulka {

enum class BarAlign { Top, Bottom, Left, Right };

class TBrowserForm {
 public:
  TBrowserForm();
  TBrowserForm(const TBrowserForm&) = delete;
  TBrowserForm& operator=(const TBrowserForm&) = delete;
  ~TBrowserForm();

  PlatformWindow& Window() { return window_; }
  TVekWebBrowser& View() { return *view_; }
  bool NavigateComplete() const { return view_->NavigateComplete(); }

  // Places a new side bar and answers it; it lives as long as the form.
  TVekWebBrowser& AddSideBar(BarAlign align, int width, int height);

  // Gives the window the icon of `image` (any picture the bitmap object reads) unless a source
  // that counts more gave it one; the main window's icon is every other window's too. False for
  // bytes that are no picture.
  bool SetIcon(std::span<const uint8_t> image, IconSource source);

  // The first form made in the process; closing it ends the application.
  static TBrowserForm* MainForm();
  bool IsMainForm() const { return MainForm() == this; }

 private:
  void OnClosed();
  bool ApplyIcon(const std::vector<IconPicture>& pictures, IconSource source);
  // The icon of the page the main window shows, when no other source gave one.
  void TakePageIcon();

  PlatformWindow window_;
  std::unique_ptr<TVekWebBrowser> view_;
  std::vector<std::unique_ptr<TVekWebBrowser>> bars_;
  GtkWidget* outer_;   // header, middle row, footer
  GtkWidget* middle_;  // left bar, view, right bar
  int topCount_ = 0;
  IconSource iconSource_ = IconSource::None;
};

}  // namespace ulka
