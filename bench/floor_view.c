/* The floor for the host's whole-program benchmarks: the least a program can do to show a page
 * from a custom scheme in one WebKitGTK view. It serves the files of a folder from memory, read
 * once at start, and mirrors the page's title in its window title; with --quit-on-title TEXT it
 * exits when the page's title becomes TEXT.
 *   floor_view FOLDER START-FILE [--quit-on-title TEXT] */
#include <gtk/gtk.h>
#include <string.h>
#include <webkit2/webkit2.h>

static const char* folder;
static const char* quitTitle;
static GHashTable* files; /* name -> GBytes */

static GBytes* FileBytes(const char* name) {
  GBytes* bytes = g_hash_table_lookup(files, name);
  if (bytes) return bytes;
  char* path = g_build_filename(folder, name, NULL);
  char* data = NULL;
  gsize size = 0;
  if (g_file_get_contents(path, &data, &size, NULL)) {
    bytes = g_bytes_new_take(data, size);
    g_hash_table_insert(files, g_strdup(name), bytes);
  }
  g_free(path);
  return bytes;
}

static void Serve(WebKitURISchemeRequest* request, gpointer unused) {
  const char* path = webkit_uri_scheme_request_get_path(request);
  while (*path == '/') path++;
  GBytes* bytes = FileBytes(path);
  if (!bytes) {
    GError* error = g_error_new_literal(G_IO_ERROR, G_IO_ERROR_NOT_FOUND, "not found");
    webkit_uri_scheme_request_finish_error(request, error);
    g_error_free(error);
    return;
  }
  GInputStream* stream = g_memory_input_stream_new_from_bytes(bytes);
  const char* type = g_str_has_suffix(path, ".html") ? "text/html"
                     : g_str_has_suffix(path, ".js") ? "text/javascript" : "application/octet-stream";
  webkit_uri_scheme_request_finish(request, stream, g_bytes_get_size(bytes), type);
  g_object_unref(stream);
}

static void OnTitle(WebKitWebView* view, GParamSpec* spec, gpointer window) {
  const char* title = webkit_web_view_get_title(view);
  if (!title) return;
  gtk_window_set_title(GTK_WINDOW(window), title);
  if (quitTitle && strcmp(title, quitTitle) == 0) gtk_main_quit();
}

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  folder = argv[1];
  if (argc >= 5 && strcmp(argv[3], "--quit-on-title") == 0) quitTitle = argv[4];
  gtk_init(&argc, &argv);
  files = g_hash_table_new_full(g_str_hash, g_str_equal, g_free, (GDestroyNotify)g_bytes_unref);
  WebKitWebContext* context = webkit_web_context_new();
  webkit_web_context_register_uri_scheme(context, "floor", Serve, NULL, NULL);
  webkit_security_manager_register_uri_scheme_as_secure(webkit_web_context_get_security_manager(context), "floor");
  webkit_security_manager_register_uri_scheme_as_cors_enabled(webkit_web_context_get_security_manager(context), "floor");
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_default_size(GTK_WINDOW(window), 570, 435);
  GtkWidget* view = g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context, NULL);
  gtk_container_add(GTK_CONTAINER(window), view);
  g_signal_connect(view, "notify::title", G_CALLBACK(OnTitle), window);
  g_signal_connect(window, "destroy", G_CALLBACK(gtk_main_quit), NULL);
  char* uri = g_strconcat("floor:///", argv[2], NULL);
  webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), uri);
  g_free(uri);
  gtk_widget_show_all(window);
  gtk_main();
  return 0;
}
