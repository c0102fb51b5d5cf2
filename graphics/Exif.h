// The orientation tag (0x0112) of EXIF data.
#pragma once

#include <cstdint>
#include <span>

namespace ulka {

// The orientation in a TIFF-structured EXIF block (starting with "II*\0" or "MM\0*"); 0 when
// there is none or the block is malformed.
int ExifOrientation(std::span<const uint8_t> tiff);
// The same for a JPEG APP1 segment's payload, which starts with "Exif\0\0".
int JpegExifOrientation(std::span<const uint8_t> app1);
// The same for a WebP file's "EXIF" chunk (with or without "Exif\0\0" before the block).
int WebpExifOrientation(std::span<const uint8_t> webp);
// Whether the data is a TIFF file (the TIFF structure EXIF borrows), whose first directory's
// orientation ExifOrientation then reads.
bool IsTiff(std::span<const uint8_t> data);

}  // namespace ulka
