// A top-level window: its frame style, outer bounds and client size in screen pixels, window
// state, title, icon, and showing (also modally). One child widget fills the client area.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "automation/Rects.h"
#include "platform/GObjectPtr.h"

namespace ulka {

enum class BorderStyle { None = 0, Single = 1, Sizeable = 2, Dialog = 3, ToolWindow = 4, SizeToolWin = 5 };

// One picture of a window's icon: R, G, B, A bytes, alpha not premultiplied, rows without padding.
struct IconPicture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgba;
};

class PlatformWindow {
 public:
  // Client size of a new window.
  static constexpr int kDefaultClientWidth = 570;
  static constexpr int kDefaultClientHeight = 435;

  PlatformWindow();
  PlatformWindow(const PlatformWindow&) = delete;
  PlatformWindow& operator=(const PlatformWindow&) = delete;
  ~PlatformWindow();

  GtkWindow* Handle() const { return window_; }
  void SetContent(GtkWidget* child);

  // Called when the user (or Close) asks the window to close; the window is hidden first.
  std::function<void()> onClosed;
  // Called when the window's state or geometry changed.
  std::function<void()> onStateChanged;

  void SetTitle(const std::string& title);
  // The icon at several sizes; the desktop picks the size it shows.
  void SetIcon(const std::vector<IconPicture>& pictures);
  // The icon of every window that sets none of its own.
  static void SetDefaultIcon(const std::vector<IconPicture>& pictures);

  BorderStyle Border() const { return border_; }
  void SetBorder(BorderStyle style);

  TRect Bounds();
  void SetBounds(const TRect& outer);
  int ClientWidth() const { return clientWidth_; }
  int ClientHeight() const { return clientHeight_; }
  void SetClientSize(int width, int height);

  // 0 normal, 1 minimized, 2 maximized.
  int State() const;
  void SetState(int state);

  bool Visible() const;
  // A window that is not on the screen is laid out by the toolkit only when shown: this lays out
  // its content at the client size now (a picture of a hidden window's page is taken at it).
  void LayOutHidden();
  void Show();
  void Hide();
  // Shows the window modally and serves events until it is hidden again.
  void ShowModal();
  // Creates the native window without showing it, so that its content can start working.
  void Prepare();
  // Hides the window and reports it closed.
  void Close();

 private:
  static gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer self);
  static gboolean OnConfigure(GtkWidget*, GdkEventConfigure*, gpointer self);
  static gboolean OnStateEvent(GtkWidget*, GdkEventWindowState*, gpointer self);

  // Frame widths around the client area, from the window manager once the window is mapped.
  struct Frame {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool operator==(const Frame&) const = default;
  };
  // The frame now, or the last one seen while the window is not mapped; nothing before the
  // window was first mapped.
  std::optional<Frame> KnownFrame();
  void ApplyPendingBounds();
  std::optional<TRect> LiveBounds();
  void ApplyFixedSize();

  GtkWindow* window_;
  GtkWidget* content_ = nullptr;
  BorderStyle border_ = BorderStyle::Sizeable;
  int clientWidth_ = kDefaultClientWidth;
  int clientHeight_ = kDefaultClientHeight;
  std::optional<TRect> requested_;  // bounds asked for and not yet confirmed by the server
  // Bounds asked for before the frame was known: applied again once the window is mapped, so
  // that the outer size is the one asked for, not the client size.
  std::optional<TRect> pendingOuter_;
  gint64 pendingSince_ = 0;  // when the window was first seen mapped with bounds pending
  std::optional<Frame> lastFrame_;
  TRect known_{0, 0, kDefaultClientWidth, kDefaultClientHeight};  // the last bounds seen
  GdkWindowState state_ = GdkWindowState(0);
  int requestedState_ = -1;
  int resizeRetries_ = 0;
  int hiddenState_ = -1;  // the state when the window was last hidden
  bool modal_ = false;
  SignalConnection deleteSignal_, configureSignal_, stateSignal_;
};

}  // namespace ulka
