// The application's icon on its windows. It comes, from the source that counts least to the one
// that counts most, from the start page's <link rel="icon">, from the icon a stand-alone program
// carries (ulka-pack --icon, the group "MAINICON"), and from a script (IBrowser.Icon). Any picture
// the bitmap object reads serves: an .ico with bitmap or PNG images, PNG, JPEG, ...
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "platform/Window.h"

namespace ulka {

enum class IconSource { None, Page, Program, Script };

// The pictures of an icon at 16, 32, 48, 64 and 128 pixels square, the image fitted and centred
// in each (sizes past the image's larger side are left out, save 16 and 32); empty for bytes that
// are no picture.
std::vector<IconPicture> IconPicturesFrom(std::span<const uint8_t> image);

// The icon the running program carries, read once; empty when it carries none.
const std::vector<IconPicture>& ProgramIconPictures();

// A script for the page that answers the full address of its first <link rel="icon">, else "".
extern const char kPageIconScript[];

}  // namespace ulka
