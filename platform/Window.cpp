#include "platform/Window.h"

#include "platform/MainLoop.h"

namespace ulka {

PlatformWindow::PlatformWindow() : window_(GTK_WINDOW(gtk_window_new(GTK_WINDOW_TOPLEVEL))) {
  g_object_ref_sink(window_);
  gtk_window_set_default_size(window_, clientWidth_, clientHeight_);
  deleteSignal_ = SignalConnection(window_, "delete-event", G_CALLBACK(OnDelete), this);
  configureSignal_ = SignalConnection(window_, "configure-event", G_CALLBACK(OnConfigure), this);
  stateSignal_ = SignalConnection(window_, "window-state-event", G_CALLBACK(OnStateEvent), this);
}

PlatformWindow::~PlatformWindow() {
  deleteSignal_.Disconnect();
  configureSignal_.Disconnect();
  stateSignal_.Disconnect();
  gtk_widget_destroy(GTK_WIDGET(window_));
  g_object_unref(window_);
}

void PlatformWindow::SetContent(GtkWidget* child) {
  content_ = child;
  gtk_container_add(GTK_CONTAINER(window_), child);
  gtk_widget_show_all(child);
}

void PlatformWindow::SetTitle(const std::string& title) { gtk_window_set_title(window_, title.c_str()); }

namespace {

// The pictures as pixbufs, which own copies of their pixels; the caller frees the list.
GList* PixbufList(const std::vector<IconPicture>& pictures) {
  GList* icons = nullptr;
  for (const IconPicture& picture : pictures) {
    if (picture.width <= 0 || picture.height <= 0 ||
        picture.rgba.size() != static_cast<size_t>(picture.width) * picture.height * 4)
      continue;
    GBytes* pixels = g_bytes_new(picture.rgba.data(), picture.rgba.size());
    GdkPixbuf* pixbuf = gdk_pixbuf_new_from_bytes(pixels, GDK_COLORSPACE_RGB, TRUE, 8, picture.width,
                                                  picture.height, picture.width * 4);
    g_bytes_unref(pixels);
    if (pixbuf) icons = g_list_append(icons, pixbuf);
  }
  return icons;
}

void FreePixbufList(GList* icons) { g_list_free_full(icons, g_object_unref); }

}  // namespace

void PlatformWindow::SetIcon(const std::vector<IconPicture>& pictures) {
  GList* icons = PixbufList(pictures);
  gtk_window_set_icon_list(window_, icons);
  FreePixbufList(icons);
}

void PlatformWindow::SetDefaultIcon(const std::vector<IconPicture>& pictures) {
  GList* icons = PixbufList(pictures);
  gtk_window_set_default_icon_list(icons);
  FreePixbufList(icons);
}

void PlatformWindow::SetBorder(BorderStyle style) {
  border_ = style;
  const bool resizable = style == BorderStyle::Sizeable || style == BorderStyle::SizeToolWin;
  gtk_window_set_decorated(window_, style != BorderStyle::None);
  GdkWindowTypeHint hint = GDK_WINDOW_TYPE_HINT_NORMAL;
  if (style == BorderStyle::Dialog) hint = GDK_WINDOW_TYPE_HINT_DIALOG;
  if (style == BorderStyle::ToolWindow || style == BorderStyle::SizeToolWin) hint = GDK_WINDOW_TYPE_HINT_UTILITY;
  if (!gtk_widget_get_mapped(GTK_WIDGET(window_))) gtk_window_set_type_hint(window_, hint);
  gtk_window_set_resizable(window_, resizable);
  ApplyFixedSize();
}

// A window the user cannot size takes the size its content asks for, so the content asks for
// the client size; a sizeable one must be free to shrink below it.
void PlatformWindow::ApplyFixedSize() {
  const bool resizable = gtk_window_get_resizable(window_);
  if (content_) {
    if (resizable) gtk_widget_set_size_request(content_, -1, -1);
    else gtk_widget_set_size_request(content_, clientWidth_, clientHeight_);
  }
  gtk_window_set_default_size(window_, clientWidth_, clientHeight_);
  gtk_window_resize(window_, std::max(clientWidth_, 1), std::max(clientHeight_, 1));
}

std::optional<PlatformWindow::Frame> PlatformWindow::KnownFrame() {
  Frame frame;
  GdkWindow* gdk = gtk_widget_get_window(GTK_WIDGET(window_));
  if (!gdk || !gtk_widget_get_mapped(GTK_WIDGET(window_))) return lastFrame_;
  GdkRectangle outer;
  gdk_window_get_frame_extents(gdk, &outer);
  int x, y;
  gdk_window_get_origin(gdk, &x, &y);
  frame.left = x - outer.x;
  frame.top = y - outer.y;
  frame.right = outer.width - clientWidth_ - frame.left;
  frame.bottom = outer.height - clientHeight_ - frame.top;
  if (frame.right < 0 || frame.bottom < 0) frame = Frame{};
  lastFrame_ = frame;
  return frame;
}

void PlatformWindow::ApplyPendingBounds() {
  if (!pendingOuter_ || !gtk_widget_get_mapped(GTK_WIDGET(window_))) return;
  // The window manager may tell the frame a moment after mapping; a window it never frames
  // (no decorations, no manager) keeps the bounds it got.
  constexpr gint64 kFrameWaitUs = 2 * G_USEC_PER_SEC;
  const gint64 now = g_get_monotonic_time();
  if (!pendingSince_) pendingSince_ = now;
  if (KnownFrame().value_or(Frame{}) == Frame{}) {
    if (now - pendingSince_ > kFrameWaitUs) pendingOuter_.reset();
    return;
  }
  const TRect outer = *pendingOuter_;
  pendingOuter_.reset();
  SetBounds(outer);
}

std::optional<TRect> PlatformWindow::LiveBounds() {
  GdkWindow* gdk = gtk_widget_get_window(GTK_WIDGET(window_));
  if (!gdk || !gtk_widget_get_mapped(GTK_WIDGET(window_))) return std::nullopt;
  GdkRectangle outer;
  gdk_window_get_frame_extents(gdk, &outer);
  return TRect{outer.x, outer.y, outer.x + outer.width, outer.y + outer.height};
}

TRect PlatformWindow::Bounds() {
  if (requested_) return *requested_;
  if (auto live = LiveBounds()) known_ = *live;
  return known_;
}

void PlatformWindow::SetBounds(const TRect& outer) {
  const std::optional<Frame> known = KnownFrame();
  const Frame frame = known.value_or(Frame{});
  if (!known) {
    pendingOuter_ = outer;
    pendingSince_ = 0;
  }
  requested_ = outer;
  known_ = outer;
  resizeRetries_ = 3;
  clientWidth_ = std::max(outer.Width() - frame.left - frame.right, 0);
  clientHeight_ = std::max(outer.Height() - frame.top - frame.bottom, 0);
  gtk_window_move(window_, outer.Left, outer.Top);
  ApplyFixedSize();
}

void PlatformWindow::SetClientSize(int width, int height) {
  const Frame frame = KnownFrame().value_or(Frame{});
  pendingOuter_.reset();  // the client size asked for now wins over earlier bounds
  TRect outer = Bounds();
  clientWidth_ = std::max(width, 0);
  clientHeight_ = std::max(height, 0);
  outer.Right = outer.Left + clientWidth_ + frame.left + frame.right;
  outer.Bottom = outer.Top + clientHeight_ + frame.top + frame.bottom;
  if (requested_) requested_ = outer;
  known_ = outer;
  ApplyFixedSize();
}

int PlatformWindow::State() const {
  if (requestedState_ >= 0) return requestedState_;
  if (hiddenState_ >= 0) return hiddenState_;
  if (state_ & GDK_WINDOW_STATE_ICONIFIED) return 1;
  if (state_ & GDK_WINDOW_STATE_MAXIMIZED) return 2;
  return 0;
}

void PlatformWindow::SetState(int state) {
  hiddenState_ = -1;
  requestedState_ = state;
  switch (state) {
    case 1:
      gtk_window_iconify(window_);
      break;
    case 2:
      gtk_window_deiconify(window_);
      gtk_window_maximize(window_);
      break;
    default:
      requestedState_ = 0;
      gtk_window_deiconify(window_);
      gtk_window_unmaximize(window_);
      break;
  }
}

bool PlatformWindow::Visible() const { return gtk_widget_get_visible(GTK_WIDGET(window_)); }

void PlatformWindow::LayOutHidden() {
  if (!content_ || gtk_widget_get_mapped(GTK_WIDGET(window_))) return;
  GtkRequisition minimum;
  gtk_widget_get_preferred_size(content_, &minimum, nullptr);
  GtkAllocation area{0, 0, std::max(clientWidth_, minimum.width), std::max(clientHeight_, minimum.height)};
  gtk_widget_size_allocate(content_, &area);
}

void PlatformWindow::Show() {
  hiddenState_ = -1;
  gtk_widget_show(GTK_WIDGET(window_));
  gtk_window_present(window_);
}

void PlatformWindow::Hide() {
  // Remember where and how the window was: hiding changes what the server reports.
  Bounds();
  if (Visible()) hiddenState_ = State();
  gtk_widget_hide(GTK_WIDGET(window_));
}

void PlatformWindow::ShowModal() {
  gtk_window_set_modal(window_, TRUE);
  modal_ = true;
  Show();
  RunUntil([this] { return !Visible(); });
  modal_ = false;
  gtk_window_set_modal(window_, FALSE);
}

void PlatformWindow::Prepare() { gtk_widget_realize(GTK_WIDGET(window_)); }

void PlatformWindow::Close() {
  Hide();
  if (onClosed) onClosed();
}

gboolean PlatformWindow::OnDelete(GtkWidget*, GdkEvent*, gpointer self) {
  static_cast<PlatformWindow*>(self)->Close();
  return TRUE;  // the window stays, hidden, until its owner frees it
}

gboolean PlatformWindow::OnConfigure(GtkWidget*, GdkEventConfigure* event, gpointer self) {
  auto* w = static_cast<PlatformWindow*>(self);
  // Events from before a requested change say nothing about it; the one that carries the
  // requested size confirms it.
  if (w->requested_) {
    if (event->width != w->clientWidth_ || event->height != w->clientHeight_) {
      // The window manager may answer a request made while it was still placing the window with
      // the old size; ask again a few times.
      if (w->resizeRetries_-- > 0) gtk_window_resize(w->window_, std::max(w->clientWidth_, 1), std::max(w->clientHeight_, 1));
      return FALSE;
    }
    w->requested_.reset();
  }
  w->clientWidth_ = event->width;
  w->clientHeight_ = event->height;
  w->ApplyPendingBounds();
  if (w->onStateChanged) w->onStateChanged();
  return FALSE;
}

gboolean PlatformWindow::OnStateEvent(GtkWidget*, GdkEventWindowState* event, gpointer self) {
  auto* w = static_cast<PlatformWindow*>(self);
  w->state_ = event->new_window_state;
  if (event->changed_mask & (GDK_WINDOW_STATE_ICONIFIED | GDK_WINDOW_STATE_MAXIMIZED)) w->requestedState_ = -1;
  if (w->onStateChanged) w->onStateChanged();
  return FALSE;
}

}  // namespace ulka
