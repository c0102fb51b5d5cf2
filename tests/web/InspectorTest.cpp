// The inspector switch in a real web view: developer extras, the context menu rule (menus only
// in edit fields without the switch, every menu with "Inspect Element" with it), and the pages'
// console messages with their source and line.
#include <gtest/gtest.h>

#include <gtk/gtk.h>

#include <string>
#include <vector>

#include "automation/VekObject.h"
#include "platform/MainLoop.h"
#include "platform/ScreenDevice.h"
#include "web/Inspector.h"
#include "web/Protocol.h"
#include "web/VekWebBrowser.h"

namespace ulka {
namespace {

constexpr char kPage[] =
    "<!DOCTYPE html>\n"                                                                 // 1
    "<html><body style='margin:0'>\n"                                                  // 2
    "<p id='text' style='position:absolute;left:0;top:0;width:300px;height:100px;margin:0'>Plain text</p>\n"
    "<input id='field' style='position:absolute;left:0;top:150px;width:300px;height:40px'>\n"  // 4
    "<script>\n"                                                                       // 5
    "console.log('hello from the page', 42);\n"                                        // 6
    "console.warn({a: 1});\n"                                                          // 7
    "document.title = 'ready';\n"                                                      // 8
    "setTimeout(function () { undefinedFunction(); }, 0);\n"                           // 9
    "</script></body></html>\n";

// Serves the page under every name.
class TPageHandler : public TVekObject {
 public:
  static const InterfaceInfo& Info() {
    static const InterfaceInfo info =
        InterfaceBuilder<TPageHandler>("IPageHandler", "{00000000-0000-0000-0000-00000000AB11}")
            .Method(0, "Read", &TPageHandler::Read, {Arg("Name")})
            .Build();
    return info;
  }
  TPageHandler() : TVekObject(Info()) {}
  Variant Read(const WideString&) { return Variant::FromBytes(Bytes(kPage, kPage + sizeof kPage - 1)); }
};

// What the context-menu signal brought, when the view's own handler let it through.
struct MenuSeen {
  bool shown = false;
  bool inspectElement = false;
};

gboolean RecordMenu(WebKitWebView*, WebKitContextMenu* menu, GdkEvent*, WebKitHitTestResult*, gpointer data) {
  auto* seen = static_cast<MenuSeen*>(data);
  seen->shown = true;
  for (GList* item = webkit_context_menu_get_items(menu); item; item = item->next) {
    auto* menuItem = static_cast<WebKitContextMenuItem*>(item->data);
    if (webkit_context_menu_item_get_stock_action(menuItem) == WEBKIT_CONTEXT_MENU_ACTION_INSPECT_ELEMENT)
      seen->inspectElement = true;
  }
  return TRUE;  // no popup in a test
}

class InspectorTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    g_setenv("WEBKIT_DISABLE_DMABUF_RENDERER", "1", FALSE);
    if (!InitPlatform()) return;
    static auto* protocol = new Ref<TProtocol>(MakeRef<TProtocol>());  // lives as long as the process
    (*protocol)->Register(u"inspecttest", MakeRef<TPageHandler>().get());
  }

  void SetUp() override {
    if (!PlatformReady()) GTEST_SKIP() << "no display";
  }

  // A window with a view of the test page, made after the switch is set (as the launcher does).
  void Open() {
    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_default_size(GTK_WINDOW(window_), 400, 300);
    gtk_window_move(GTK_WINDOW(window_), 0, 0);
    browser_ = std::make_unique<TVekWebBrowser>();
    gtk_container_add(GTK_CONTAINER(window_), browser_->Widget());
    gtk_widget_show_all(window_);
    browser_->Navigate("inspecttest:///index.html");
    ASSERT_TRUE(RunUntil([&] { return browser_->NavigateComplete() && browser_->Title() == "ready"; }, 20000));
    g_signal_connect(browser_->View(), "context-menu", G_CALLBACK(RecordMenu), &seen_);
  }

  void TearDown() override {
    browser_.reset();
    if (window_) gtk_widget_destroy(window_);
  }

  // A right click with the real pointer at (x, y) of the view; answers what reached the menu.
  MenuSeen RightClick(int x, int y) {
    seen_ = {};
    int left = 0, top = 0;
    gdk_window_get_origin(gtk_widget_get_window(GTK_WIDGET(browser_->View())), &left, &top);
    MovePointer(left + x, top + y);
    ProcessEventsFor(100);
    SendMouseButton(MouseButton::Right, true);
    SendMouseButton(MouseButton::Right, false);
    RunUntil([&] { return seen_.shown; }, 3000);
    return seen_;
  }

  bool DeveloperExtras() {
    return webkit_settings_get_enable_developer_extras(webkit_web_view_get_settings(browser_->View()));
  }

  GtkWidget* window_ = nullptr;
  std::unique_ptr<TVekWebBrowser> browser_;
  MenuSeen seen_;
};

TEST_F(InspectorTest, WithoutTheSwitchOnlyEditFieldsHaveAMenu) {
  g_unsetenv("ULKA_INSPECT");
  ASSERT_FALSE(InspectorEnabled());
  Open();
  EXPECT_FALSE(DeveloperExtras());
  EXPECT_FALSE(RightClick(50, 50).shown);
  const MenuSeen field = RightClick(50, 170);
  EXPECT_TRUE(field.shown);
  EXPECT_FALSE(field.inspectElement);
}

TEST_F(InspectorTest, WithTheSwitchEveryMenuOffersInspectElement) {
  EnableInspector();
  Open();
  EXPECT_TRUE(DeveloperExtras());
  const MenuSeen text = RightClick(50, 50);
  EXPECT_TRUE(text.shown);
  EXPECT_TRUE(text.inspectElement);
  EXPECT_TRUE(RightClick(50, 170).inspectElement);
}

TEST_F(InspectorTest, ConsoleMessagesComeWithSourceAndLine) {
  EnableInspector();
  std::vector<ConsoleMessage> messages;
  SetConsoleSink([&](const ConsoleMessage& m) { messages.push_back(m); });
  Open();
  ASSERT_TRUE(RunUntil([&] { return messages.size() >= 3; }, 20000));
  SetConsoleSink(nullptr);
  EXPECT_EQ(FormatConsoleMessage(messages[0]), "inspecttest:index.html:6: console.log: hello from the page 42");
  EXPECT_EQ(FormatConsoleMessage(messages[1]), "inspecttest:index.html:7: console.warn: {\"a\":1}");
  // An uncaught error: its details stay with the inspector; standard error learns of it and where.
  EXPECT_EQ(messages[2].level, "error");
  EXPECT_EQ(messages[2].text.rfind("Uncaught ", 0), 0u) << FormatConsoleMessage(messages[2]);
  EXPECT_EQ(messages[2].source, "inspecttest:index.html");
}

}  // namespace
}  // namespace ulka
