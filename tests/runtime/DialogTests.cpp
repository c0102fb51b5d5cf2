// The root object's file dialogs: the rules that turn filters and start paths into a dialog and
// a chosen name into the answer, and the real GTK chooser answered in-process (from the main
// thread and from others, one at a time).
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "automation/Unicode.h"
#include "automation/VekError.h"
#include "data/Strings.h"
#include "platform/MainLoop.h"
#include "runtime/Dialogs.h"

namespace ulka {
namespace {

namespace fs = std::filesystem;

std::string Joined(const std::vector<WideString>& items) {
  std::string out;
  for (const WideString& item : items) out += (out.empty() ? "" : ";") + Utf8(item);
  return out;
}

TEST(DialogRules, FiltersSplitIntoPairs) {
  struct Case {
    const char* filter;
    const char* pairs;
  } cases[] = {
      {"Text|*.txt|All|*.*", "Text=*.txt,All=*.*"},
      {"Pictures|*.png; *.JPG;*.jpeg", "Pictures=*.png;*.JPG;*.jpeg"},
      {"Text||*.txt", "Text=*.txt"},  // empty pieces are dropped first
      {"Text|*.txt|Odd", "Text=*.txt"},
      {"", ""},
      {"|||", ""},
      {"Only a description", ""},
  };
  for (const Case& c : cases) {
    std::string pairs;
    for (const DialogFilter& f : ParseDialogFilter(Wide(c.filter)))
      pairs += (pairs.empty() ? "" : ",") + Utf8(f.description) + "=" + Joined(f.patterns);
    EXPECT_EQ(pairs, c.pairs) << c.filter;
  }
}

TEST(DialogRules, StartPathGivesFolderNameAndExtension) {
  const fs::path folder = fs::temp_directory_path() / "ulka-dialog-rules";
  fs::create_directories(folder / "Sub.Dir");
  const std::string base = folder.string();
  struct Case {
    std::string path, folder, name, extension;
  } cases[] = {
      {base + "/report.TXT", base, "report.TXT", ".txt"},
      {base + "/archive.tar.gz", base, "archive.tar.gz", ".gz"},
      {base + "/noext", base, "noext", ""},
      {base + "/Sub.Dir", base + "/Sub.Dir", "", ""},  // an existing folder is the folder itself
      {base + "/missing/", base + "/missing", "", ""},
      {base + "\\x\\y.log", base + "/x", "y.log", ".log"},
      {"", "", "", ""},
  };
  for (const Case& c : cases) {
    DialogStart start = SplitDialogStart(Wide(c.path));
    EXPECT_EQ(Utf8(start.folder), c.folder) << c.path;
    EXPECT_EQ(Utf8(start.name), c.name) << c.path;
    EXPECT_EQ(Utf8(start.extension), c.extension) << c.path;
  }
  EXPECT_EQ(Utf8(SplitDialogStart(u"rel/a.txt").folder), fs::current_path().string() + "/rel");
}

TEST(DialogRules, InitialFilterOfOpenAndSaveDialogs) {
  const auto filters = ParseDialogFilter(u"Text|*.txt|Logs|*.log;*.TXT|All|*.*");
  EXPECT_EQ(OpenDialogFilterIndex(filters, u".txt"), 0);  // the first that takes it
  EXPECT_EQ(SaveDialogFilterIndex(filters, u".txt"), 1);  // the last that takes it
  EXPECT_EQ(OpenDialogFilterIndex(filters, u".log"), 1);
  EXPECT_EQ(OpenDialogFilterIndex(filters, u".png"), 2);  // none: the last
  EXPECT_EQ(SaveDialogFilterIndex(filters, u".png"), 0);  // none: the first
  EXPECT_EQ(OpenDialogFilterIndex(filters, u""), 2);
  EXPECT_EQ(OpenDialogFilterIndex({}, u".txt"), -1);
  EXPECT_EQ(SaveDialogFilterIndex({}, u".txt"), -1);
}

TEST(DialogRules, SaveAppendsTheFilterExtension) {
  struct Case {
    const char* patterns;
    const char* chosen;
    const char* answer;
  } cases[] = {
      {"Text|*.txt", "/d/notes", "/d/notes.txt"},
      {"Text|*.txt", "/d/notes.log", "/d/notes.log.txt"},
      {"Text|*.txt", "/d/notes.TXT", "/d/notes.TXT"},
      {"Text|*.TXT", "/d/notes", "/d/notes.TXT"},
      {"Pictures|*.jpg;*.jpeg", "/d/a", "/d/a.jpg"},
      {"Pictures|*.jpg;*.jpeg", "/d/a.jpeg", "/d/a.jpeg"},
      {"All|*.*", "/d/notes", "/d/notes"},  // a wildcard extension adds nothing
      {"All|*", "/d/notes", "/d/notes"},
      {"Makefiles|Makefile", "/d/x", "/d/x"},
      {"Text|*.txt", "/d.dir/notes", "/d.dir/notes.txt"},
  };
  for (const Case& c : cases) {
    const DialogFilter filter = ParseDialogFilter(Wide(c.patterns)).at(0);
    EXPECT_EQ(Utf8(AppendFilterExtension(Wide(c.chosen), filter)), c.answer) << c.patterns << " " << c.chosen;
  }
}

// The toolkit matches a pattern's glob as the platform matched the pattern: without regard to case.
TEST(DialogRules, GlobsMatchAsThePlatformsPatterns) {
  struct Case {
    const char* pattern;
    const char* name;
    bool matches;
  } cases[] = {
      {"*.txt", "NOTES.TXT", true}, {"*.TxT", "a.txt", true},   {"*.txt", "a.txt.bak", false},
      {"*.*", "Makefile", true},    {"*", "anything", true},     {"a?c.log", "ABC.LOG", true},
      {"[x].txt", "[x].txt", true}, {"[x].txt", "x.txt", false}, {"*.ü", "a.Ü", true},
  };
  for (const Case& c : cases) {
    GtkFileFilter* filter = gtk_file_filter_new();
    g_object_ref_sink(filter);
    const std::string glob = PatternGlob(Wide(c.pattern));
    gtk_file_filter_add_pattern(filter, glob.c_str());
    GtkFileFilterInfo info{};
    info.contains = GTK_FILE_FILTER_DISPLAY_NAME;
    info.display_name = c.name;
    EXPECT_EQ(gtk_file_filter_filter(filter, &info) != FALSE, c.matches) << c.pattern << " (" << glob << ") " << c.name;
    g_object_unref(filter);
  }
}

// The open chooser, found among the toplevel windows.
GtkFileChooserDialog* OpenChooser() {
  GtkFileChooserDialog* found = nullptr;
  GList* windows = gtk_window_list_toplevels();
  for (GList* w = windows; w; w = w->next) {
    if (GTK_IS_FILE_CHOOSER_DIALOG(w->data) && gtk_widget_get_visible(GTK_WIDGET(w->data)))
      found = GTK_FILE_CHOOSER_DIALOG(w->data);
  }
  g_list_free(windows);
  return found;
}

int OpenChooserCount() {
  int count = 0;
  GList* windows = gtk_window_list_toplevels();
  for (GList* w = windows; w; w = w->next)
    count += GTK_IS_FILE_CHOOSER_DIALOG(w->data) && gtk_widget_get_visible(GTK_WIDGET(w->data));
  g_list_free(windows);
  return count;
}

std::string FilterName(GtkFileChooser* chooser) {
  GtkFileFilter* filter = gtk_file_chooser_get_filter(chooser);
  return filter ? gtk_file_filter_get_name(filter) : "";
}

std::string CurrentFolder(GtkFileChooser* chooser) {
  char* folder = gtk_file_chooser_get_current_folder(chooser);
  std::string result = folder ? folder : "";
  g_free(folder);
  return result;
}

// Acts on the next chooser that opens, from the main loop the dialog waits in: `act` runs once
// `ready` holds (the chooser loads its folder, and applies selections, in the background).
class DialogAnswerer {
 public:
  using Step = std::function<void(GtkFileChooserDialog*)>;
  using Check = std::function<bool(GtkFileChooserDialog*)>;
  explicit DialogAnswerer(Step act, Check ready = nullptr) : act_(std::move(act)), ready_(std::move(ready)) {
    timer_ = g_timeout_add(20, &DialogAnswerer::Poll, this);
  }
  // Acts on every look at an open chooser, for as long as the answerer lives: a save chooser
  // ignores its accept button until it has read its folder, and nothing tells when that is.
  static std::unique_ptr<DialogAnswerer> UntilClosed(Step act) {
    auto answerer = std::make_unique<DialogAnswerer>(std::move(act));
    answerer->repeat_ = true;
    return answerer;
  }
  DialogAnswerer(const DialogAnswerer&) = delete;
  DialogAnswerer& operator=(const DialogAnswerer&) = delete;
  ~DialogAnswerer() {
    if (timer_) g_source_remove(timer_);
  }
  bool Acted() const { return acted_; }

 private:
  static gboolean Poll(gpointer self) {
    auto* answerer = static_cast<DialogAnswerer*>(self);
    GtkFileChooserDialog* dialog = OpenChooser();
    if (!dialog || (answerer->ready_ && !answerer->ready_(dialog))) return G_SOURCE_CONTINUE;
    answerer->acted_ = true;
    answerer->act_(dialog);
    if (answerer->repeat_) return G_SOURCE_CONTINUE;
    answerer->timer_ = 0;
    return G_SOURCE_REMOVE;
  }

  Step act_;
  Check ready_;
  guint timer_ = 0;
  bool acted_ = false;
  bool repeat_ = false;
};

std::string Selected(GtkFileChooserDialog* dialog) {
  char* name = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog));
  std::string result = name ? name : "";
  g_free(name);
  return result;
}

void Accept(GtkFileChooserDialog* dialog) { gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT); }
void Cancel(GtkFileChooserDialog* dialog) { gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL); }

class FileDialogTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!g_getenv("DISPLAY")) GTEST_SKIP() << "no display";
    // A busy shared display may refuse a connection now and then.
    for (int attempt = 0; attempt < 10 && !InitPlatform(); ++attempt) g_usleep(200 * 1000);
    ASSERT_TRUE(PlatformReady()) << "cannot open the display " << g_getenv("DISPLAY");
    g_setenv("GSETTINGS_BACKEND", "memory", TRUE);
    folder_ = fs::temp_directory_path() / ("ulka-dialogs-" + std::to_string(::getpid()));
    fs::create_directories(folder_);
    for (const char* name : {"report.txt", "other.log", "zeta.txt"}) std::ofstream(folder_ / name) << name;
  }
  void TearDown() override {
    std::error_code error;
    fs::remove_all(folder_, error);
  }
  std::string Path(const char* name) const { return (folder_ / name).string(); }
  WideString WidePath(const char* name) const { return Wide(Path(name)); }

  fs::path folder_;
};

TEST_F(FileDialogTest, OpenStartsAtTheStartPathWithItsFilter) {
  std::string title, current, filter, first;
  int filters = 0;
  DialogAnswerer answerer(
      [&](GtkFileChooserDialog* d) {
        GtkFileChooser* chooser = GTK_FILE_CHOOSER(d);
        title = gtk_window_get_title(GTK_WINDOW(d));
        current = CurrentFolder(chooser);
        filter = FilterName(chooser);
        GSList* list = gtk_file_chooser_list_filters(chooser);
        filters = static_cast<int>(g_slist_length(list));
        g_slist_free(list);
        gtk_file_chooser_unselect_all(chooser);
        gtk_file_chooser_select_filename(chooser, Path("zeta.txt").c_str());
        Accept(d);
      },
      [&](GtkFileChooserDialog* d) {  // the start file is selected once the folder is read
        first = Selected(d);
        return !first.empty();
      });
  Variant answer = RunOpenDialog(u"Logs|*.log|Text|*.txt|All|*.*", WidePath("report.txt"), false, u"Pick a file");
  ASSERT_TRUE(answerer.Acted());
  EXPECT_EQ(title, "Pick a file");
  EXPECT_EQ(current, folder_.string());
  EXPECT_EQ(filter, "Text");
  EXPECT_EQ(filters, 3);
  EXPECT_EQ(first, Path("report.txt"));
  ASSERT_TRUE(answer.IsText());
  EXPECT_EQ(Utf8(answer.Text()), Path("zeta.txt"));
}

TEST_F(FileDialogTest, OpenWithoutExtensionStartsWithTheLastFilter) {
  std::string filter;
  DialogAnswerer answerer([&](GtkFileChooserDialog* d) {
    filter = FilterName(GTK_FILE_CHOOSER(d));
    Cancel(d);
  });
  Variant answer = RunOpenDialog(u"Logs|*.log|Text|*.txt", u"", false, u"");
  EXPECT_EQ(filter, "Text");
  EXPECT_TRUE(answer.IsEmpty());
}

TEST_F(FileDialogTest, MultiselectAnswersAStringsObject) {
  DialogAnswerer answerer(Accept, [](GtkFileChooserDialog* d) {
    gtk_file_chooser_select_all(GTK_FILE_CHOOSER(d));
    GSList* names = gtk_file_chooser_get_filenames(GTK_FILE_CHOOSER(d));
    const size_t count = g_slist_length(names);
    g_slist_free_full(names, g_free);
    return count == 3;
  });
  Variant answer = RunOpenDialog(u"All|*", Wide(folder_.string() + "/"), true, u"");
  auto* list = VarToObject<TStrings>(answer);
  ASSERT_NE(list, nullptr);
  std::vector<std::string> got;
  for (int32_t i = 0; i < list->GetLength(); ++i) got.push_back(Utf8(list->GetLines(i)));
  std::sort(got.begin(), got.end());
  EXPECT_EQ(got, (std::vector<std::string>{Path("other.log"), Path("report.txt"), Path("zeta.txt")}));
}

TEST_F(FileDialogTest, SaveOffersTheNameAndAddsTheExtensionOfTheFilterChosen) {
  std::string offered, filter;
  auto answerer = DialogAnswerer::UntilClosed([&](GtkFileChooserDialog* d) {
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(d);
    if (offered.empty()) {
      char* name = gtk_file_chooser_get_current_name(chooser);
      offered = name ? name : "";
      g_free(name);
      filter = FilterName(chooser);
      GSList* list = gtk_file_chooser_list_filters(chooser);
      gtk_file_chooser_set_filter(chooser, GTK_FILE_FILTER(list->data));  // "Text"
      g_slist_free(list);
      gtk_file_chooser_set_current_name(chooser, "fresh");
    }
    Accept(d);
  });
  WideString answer = RunSaveDialog(u"Text|*.txt|Logs|*.log|More logs|*.log", WidePath("old.log"), u"Save it");
  EXPECT_EQ(offered, "old.log");
  EXPECT_EQ(filter, "More logs");
  EXPECT_EQ(Utf8(answer), Path("fresh.txt"));
}

TEST_F(FileDialogTest, CancelAnswersEmptyText) {
  DialogAnswerer save([](GtkFileChooserDialog* d) { Cancel(d); });
  EXPECT_EQ(RunSaveDialog(u"Text|*.txt", u"", u""), u"");
  DialogAnswerer folder([](GtkFileChooserDialog* d) { Cancel(d); });
  EXPECT_EQ(RunFolderDialog(u"Where?", u""), u"");
}

TEST_F(FileDialogTest, FolderDialogSelectsTheStartFolder) {
  fs::create_directories(folder_ / "inner");
  std::string title;
  DialogAnswerer answerer(
      [&](GtkFileChooserDialog* d) {
        title = gtk_window_get_title(GTK_WINDOW(d));
        Accept(d);
      },
      [&](GtkFileChooserDialog* d) { return Selected(d) == Path("inner"); });
  EXPECT_EQ(Utf8(RunFolderDialog(u"Choose the folder", WidePath("inner"))), Path("inner"));
  EXPECT_EQ(title, "Choose the folder");
}

TEST_F(FileDialogTest, MalformedFiltersStillOpenADialog) {
  for (const char16_t* filter : {u"Text|", u"|||", u"[broken|[x*|]|]]", u"Star|*|Empty|;;;"}) {
    int filters = -1;
    DialogAnswerer answerer([&](GtkFileChooserDialog* d) {
      GSList* list = gtk_file_chooser_list_filters(GTK_FILE_CHOOSER(d));
      filters = static_cast<int>(g_slist_length(list));
      g_slist_free(list);
      Cancel(d);
    });
    EXPECT_TRUE(RunOpenDialog(filter, u"", false, u"").IsEmpty());
    EXPECT_GE(filters, 0) << Utf8(filter);
  }
}

TEST_F(FileDialogTest, ASecondDialogOnTheMainThreadIsRefused) {
  std::string refusal = "not refused";
  DialogAnswerer answerer([&](GtkFileChooserDialog* d) {
    try {
      RunSaveDialog(u"", u"", u"");
    } catch (const EVekError& e) {
      refusal = e.what();
    }
    Cancel(d);
  });
  RunOpenDialog(u"", u"", false, u"");
  EXPECT_EQ(refusal, "Another file dialog is already open");
}

TEST_F(FileDialogTest, DialogsAskedForOnOtherThreadsOpenOnTheMainThreadOneAtATime) {
  std::atomic<int> finished{0};
  std::vector<WideString> answers(2);
  std::vector<std::thread> workers;
  for (int i = 0; i < 2; ++i) {
    workers.emplace_back([&, i] {
      answers[i] = RunSaveDialog(u"Text|*.txt", WidePath("from-thread"), u"");
      ++finished;
    });
  }
  // One answerer for both: each chooser gets its own name, asked again until it closes.
  int most = 0;
  std::vector<GtkFileChooserDialog*> seen;
  auto answerer = DialogAnswerer::UntilClosed([&](GtkFileChooserDialog* d) {
    most = std::max(most, OpenChooserCount());
    EXPECT_TRUE(OnMainThread());
    if (std::find(seen.begin(), seen.end(), d) == seen.end()) {
      seen.push_back(d);
      gtk_file_chooser_set_current_name(GTK_FILE_CHOOSER(d), ("answer" + std::to_string(seen.size())).c_str());
    }
    Accept(d);
  });
  RunUntil([&] { return finished == 2; }, 20000);
  for (std::thread& t : workers) t.join();
  EXPECT_EQ(most, 1);
  std::vector<std::string> got{Utf8(answers[0]), Utf8(answers[1])};
  std::sort(got.begin(), got.end());
  EXPECT_EQ(got[0], Path("answer1.txt"));
  EXPECT_EQ(got[1], Path("answer2.txt"));
}

}  // namespace
}  // namespace ulka
