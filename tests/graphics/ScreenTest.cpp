// The screen object on a private X server with two monitors side by side (screen-test.sh sets
// them up): the primary on the right at root x 800, another on its left; both 800 x 600.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "automation/Unicode.h"
#include "graphics/Rect.h"
#include "graphics/Screen.h"
#include "platform/MainLoop.h"

namespace ulka {
namespace {

constexpr int kPrimaryLeft = 800;  // the primary monitor's left edge in root coordinates
constexpr uint32_t kWindowColour = 0xFF336699;

TRect RectOf(const Ref<IDispatch>& rect) { return static_cast<TRectangle*>(rect.get())->FRect; }
Variant Obj(IDispatch* object) { return Variant(object); }

// What xdotool says about the pointer, in root coordinates: "x:900 y:200 ...".
std::pair<int, int> XdotoolPointer() {
  FILE* out = popen("xdotool getmouselocation", "r");
  int x = -1, y = -1;
  if (out) {
    if (std::fscanf(out, "x:%d y:%d", &x, &y) != 2) x = y = -1;
    pclose(out);
  }
  return {x, y};
}

// A window of one colour at root (x, y) that records the buttons pressed and released over it.
class ClickWindow {
 public:
  ClickWindow(int x, int y, int width, int height) : window_(gtk_window_new(GTK_WINDOW_TOPLEVEL)) {
    gtk_window_set_decorated(GTK_WINDOW(window_), FALSE);
    gtk_window_set_default_size(GTK_WINDOW(window_), width, height);
    gtk_window_move(GTK_WINDOW(window_), x, y);
    gtk_widget_set_app_paintable(window_, TRUE);
    gtk_widget_add_events(window_, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK);
    g_signal_connect(window_, "draw", G_CALLBACK(+[](GtkWidget*, cairo_t* cr, gpointer self) -> gboolean {
                       cairo_set_source_rgb(cr, 0x33 / 255.0, 0x66 / 255.0, 0x99 / 255.0);
                       cairo_paint(cr);
                       static_cast<ClickWindow*>(self)->painted_ = true;
                       return TRUE;
                     }),
                     this);
    auto record = +[](GtkWidget*, GdkEventButton* event, gpointer self) -> gboolean {
      auto* me = static_cast<ClickWindow*>(self);
      me->events_.push_back((event->type == GDK_BUTTON_PRESS ? "down " : event->type == GDK_BUTTON_RELEASE ? "up " : "other ") +
                            std::to_string(event->button));
      return TRUE;
    };
    g_signal_connect(window_, "button-press-event", G_CALLBACK(record), this);
    g_signal_connect(window_, "button-release-event", G_CALLBACK(record), this);
    gtk_widget_show_all(window_);
    RunUntil([this] { return painted_; }, 5000);
    ProcessEventsFor(100);
  }
  ~ClickWindow() { gtk_widget_destroy(window_); }

  // The events seen once `count` have arrived (or after five seconds).
  std::vector<std::string> Events(size_t count) {
    RunUntil([&] { return events_.size() >= count; }, 5000);
    return std::exchange(events_, {});
  }

 private:
  GtkWidget* window_;
  bool painted_ = false;
  std::vector<std::string> events_;
};

class Screen : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { ASSERT_TRUE(InitPlatform()) << "no display"; }
  Ref<TScreen> screen = MakeRef<TScreen>();
};

TEST_F(Screen, BoundsArePrimaryAndDesktopSpansBothMonitors) {
  EXPECT_EQ(RectOf(screen->GetBounds()), (TRect{0, 0, 800, 600}));
  EXPECT_EQ(TScreen::PrimaryRect(), (TRect{0, 0, 800, 600}));
  // The other monitor is left of the primary one: negative coordinates.
  EXPECT_EQ(RectOf(screen->GetDesktopRect()), (TRect{-800, 0, 800, 600}));
}

TEST_F(Screen, MouseMoveMovesTheRealPointer) {
  screen->MouseMove(100, 200);
  EXPECT_EQ(screen->GetMouseX(), 100);
  EXPECT_EQ(screen->GetMouseY(), 200);
  EXPECT_EQ(XdotoolPointer(), std::make_pair(kPrimaryLeft + 100, 200));
  screen->MouseMove(-700, 10);  // onto the left monitor
  EXPECT_EQ(screen->GetMouseX(), -700);
  EXPECT_EQ(XdotoolPointer(), std::make_pair(100, 10));
}

TEST_F(Screen, ButtonsReachTheWindowUnderThePointer) {
  ClickWindow window(kPrimaryLeft + 50, 50, 200, 100);
  screen->MouseMove(100, 80);
  screen->MouseClick(0);
  EXPECT_EQ(window.Events(2), (std::vector<std::string>{"down 1", "up 1"}));
  screen->MouseClick(2);
  EXPECT_EQ(window.Events(2), (std::vector<std::string>{"down 3", "up 3"}));
  screen->MouseClick(1);
  EXPECT_EQ(window.Events(2), (std::vector<std::string>{"down 2", "up 2"}));
  screen->MouseDown(7);  // any other code is the left button
  EXPECT_EQ(window.Events(1), (std::vector<std::string>{"down 1"}));
  screen->MouseUp(7);
  EXPECT_EQ(window.Events(1), (std::vector<std::string>{"up 1"}));
}

TEST_F(Screen, ScreenshotsShowWhatIsOnTheScreen) {
  ClickWindow window(kPrimaryLeft + 50, 50, 200, 100);
  Ref<TBitmap> whole = screen->Screenshot(Variant::Missing());
  EXPECT_EQ(whole->GetWidth(), 800);
  EXPECT_EQ(whole->GetHeight(), 600);
  EXPECT_EQ(whole->GetPixels(60, 60), kWindowColour);
  EXPECT_EQ(whole->GetPixels(10, 10), 0xFF000000u);  // Xvfb's black root window, opaque

  Ref<TBitmap> part = screen->Screenshot(Obj(TRectangle::Make({40, 40, 140, 90}).get()));
  ASSERT_EQ(part->GetWidth(), 100);
  ASSERT_EQ(part->GetHeight(), 50);
  EXPECT_EQ(part->GetPixels(9, 9), 0xFF000000u);
  EXPECT_EQ(part->GetPixels(10, 10), kWindowColour);
  EXPECT_EQ(part->GetPixels(99, 49), kWindowColour);

  // Reaching past the desktop: what is off the screen stays transparent.
  Ref<TBitmap> edge = screen->Screenshot(Obj(TRectangle::Make({700, 500, 900, 700}).get()));
  EXPECT_EQ(edge->GetPixels(0, 0), 0xFF000000u);
  EXPECT_EQ(edge->GetPixels(150, 150), 0u);
  Ref<TBitmap> left = screen->Screenshot(Obj(TRectangle::Make({-800, 0, -790, 10}).get()));
  EXPECT_EQ(left->GetWidth(), 10);
  EXPECT_EQ(left->GetPixels(5, 5), 0xFF000000u);
  EXPECT_TRUE(screen->Screenshot(Obj(TRectangle::Make({INT32_MAX - 5, 0, INT32_MAX, 5}).get()))->GetPixels(1, 1) == 0);
}

TEST_F(Screen, ScreenshotWantsARectObject) {
  try {
    screen->Screenshot(Variant(int32_t{5}));
    FAIL() << "no failure";
  } catch (const EVekError& e) {
    EXPECT_EQ(Utf8(e.Message()), "Invalid class typecast");
  }
  try {
    screen->Screenshot(Obj(TRectangle::Make({0, 0, 100000, 100000}).get()));
    FAIL() << "no failure";
  } catch (const EVekError& e) {
    EXPECT_EQ(Utf8(e.Message()), "A bitmap of 100000 x 100000 pixels is too large");
  }
}

// A script thread's calls run on the main thread, which serves them while it waits.
TEST_F(Screen, WorkerThreadCallsAreServedByTheMainThread) {
  std::atomic<bool> done{false};
  int x = 0;
  TRect bounds;
  std::thread worker([&] {
    screen->MouseMove(321, 123);
    x = screen->GetMouseX();
    bounds = RectOf(screen->GetBounds());
    done = true;
  });
  RunUntil([&] { return done.load(); }, 10000);
  worker.join();
  EXPECT_EQ(x, 321);
  EXPECT_EQ(bounds, (TRect{0, 0, 800, 600}));
}

}  // namespace
}  // namespace ulka
