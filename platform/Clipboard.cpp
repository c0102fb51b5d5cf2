#include "platform/Clipboard.h"

#include <gtk/gtk.h>

#include <cstring>
#include <memory>

#include "platform/GObjectPtr.h"

namespace ulka {
namespace {

GtkClipboard* DesktopClipboard() { return gtk_clipboard_get(GDK_SELECTION_CLIPBOARD); }

struct Targets {
  GdkAtom* atoms = nullptr;
  gint count = 0;
  Targets() = default;
  Targets(const Targets&) = delete;
  Targets& operator=(const Targets&) = delete;
  ~Targets() { g_free(atoms); }
};

// The image type to ask the owner for: PNG when offered (it keeps alpha and every tool writes it),
// otherwise the first offered type that an installed image loader reads.
GdkAtom ReadableImageType(const Targets& targets) {
  const GdkAtom png = gdk_atom_intern_static_string("image/png");
  for (gint i = 0; i < targets.count; ++i)
    if (targets.atoms[i] == png) return png;
  for (gint i = 0; i < targets.count; ++i)
    if (gtk_targets_include_image(&targets.atoms[i], 1, FALSE)) return targets.atoms[i];
  return GDK_NONE;
}

GdkAtom OfferedImageType() {
  Targets targets;
  if (!gtk_clipboard_wait_for_targets(DesktopClipboard(), &targets.atoms, &targets.count)) return GDK_NONE;
  return ReadableImageType(targets);
}

}  // namespace

bool SetClipboardImage(int width, int height, std::vector<uint8_t> rgba) {
  if (width <= 0 || height <= 0 || rgba.size() != static_cast<size_t>(width) * height * 4) return false;
  // The pixbuf owns the pixels from here on.
  auto* pixels = static_cast<guchar*>(g_malloc(rgba.size()));
  std::memcpy(pixels, rgba.data(), rgba.size());
  GObjectPtr<GdkPixbuf> picture(gdk_pixbuf_new_from_data(
      pixels, GDK_COLORSPACE_RGB, TRUE, 8, width, height, width * 4,
      [](guchar* data, gpointer) { g_free(data); }, nullptr));
  if (!picture) return false;
  gtk_clipboard_set_image(DesktopClipboard(), picture.get());
  return true;
}

bool ClipboardOffersImage() { return OfferedImageType() != GDK_NONE; }

Bytes ClipboardImageBytes() {
  const GdkAtom type = OfferedImageType();
  if (type == GDK_NONE) return {};
  GtkSelectionData* data = gtk_clipboard_wait_for_contents(DesktopClipboard(), type);
  if (!data) return {};
  gint length = 0;
  const guchar* bytes = gtk_selection_data_get_data_with_length(data, &length);
  Bytes out;
  if (bytes && length > 0) out.assign(bytes, bytes + length);
  gtk_selection_data_free(data);
  return out;
}

}  // namespace ulka
