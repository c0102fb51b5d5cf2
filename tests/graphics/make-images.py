#!/usr/bin/env python3
"""Writes the pictures the bitmap tests decode, made by independent tools (Pillow and ImageMagick),
into the folder given as the only argument.

The reference picture is 7 x 5 pixels: at (x, y) red 40x, green 50y, blue 200 - 20x - 10y, alpha
255 - 25 (x + y) (alpha 255 where a format has no alpha). tests/graphics/ImageFiles.h computes the same
values. Files named *.rgba hold what Pillow or ImageMagick decode a lossy file to (R, G, B, A bytes)."""
import io
import os
import subprocess
import sys

from PIL import Image, ImageFilter

W, H = 7, 5


def reference(alpha=True):
    im = Image.new("RGBA", (W, H))
    for y in range(H):
        for x in range(W):
            a = 255 - 25 * (x + y) if alpha else 255
            im.putpixel((x, y), (40 * x, 50 * y, 200 - 20 * x - 10 * y, a))
    return im


def photo(width, height):
    """A smooth picture with some grain, like a photograph."""
    base = Image.radial_gradient("L").resize((width, height))
    noise = Image.effect_noise((width, height), 24)
    r = Image.linear_gradient("L").resize((width, height)).rotate(90, expand=False)
    g = Image.blend(base, noise, 0.3)
    b = Image.linear_gradient("L").resize((width, height))
    return Image.merge("RGB", (r, g, Image.blend(b, noise, 0.15))).filter(ImageFilter.SMOOTH)


def raw_rgba(im, path):
    with open(path, "wb") as f:
        f.write(im.convert("RGBA").tobytes())


def magick(*args):
    subprocess.run(["convert", *args], check=True)


def main(out):
    os.makedirs(out, exist_ok=True)
    p = lambda name: os.path.join(out, name)
    rgba, rgb = reference(), reference(False).convert("RGB")

    # Lossless files by Pillow.
    rgba.save(p("pillow-rgba.png"))
    rgb.save(p("pillow-rgb.png"))
    palette = Image.new("P", (W, H))
    palette.putpalette([c for px in rgba.getdata() for c in px[:3]])
    palette.putdata(range(W * H))
    palette.save(p("pillow-palette-alpha.png"), transparency=bytes(px[3] for px in rgba.getdata()))
    rgb.save(p("pillow-rgb.bmp"))
    rgba.save(p("pillow-rgba.tif"))
    rgba.save(p("pillow-rgba.ico"), sizes=[(W, H)])
    rgba.save(p("pillow-rgba.webp"), lossless=True)
    rgb.save(p("pillow-rgb.tga"))
    rgba.save(p("pillow-rgba.tga"))
    rgb.save(p("pillow-rgb.ppm"))
    gif = rgb.convert("P", palette=Image.Palette.ADAPTIVE, colors=255)
    gif.info["transparency"] = gif.getpixel((0, 0))
    gif.save(p("pillow-first-transparent.gif"), transparency=gif.getpixel((0, 0)))
    Image.new("L", (W, H), 77).save(p("pillow-grey.png"))

    # Lossless files by ImageMagick, from Pillow's PNGs.
    magick(p("pillow-rgb.png"), "-type", "TrueColor", p("magick-rgb.bmp"))
    magick(p("pillow-rgba.png"), p("magick-rgba.tif"))
    magick(p("pillow-rgba.png"), "-interlace", "PNG", p("magick-interlaced.png"))
    magick(p("pillow-rgba.png"), "-depth", "16", p("magick-16bit.png"))
    magick(p("pillow-rgba.png"), p("magick-rgba.ico"))
    magick(p("pillow-rgb.png"), p("magick-rgb.gif"))

    # Lossy files: what Pillow decodes them to is the reference.
    picture = photo(96, 64)
    picture.save(p("pillow-photo.jpg"), quality=90)
    raw_rgba(Image.open(p("pillow-photo.jpg")), p("pillow-photo.jpg.rgba"))
    picture.save(p("pillow-photo-progressive.jpg"), quality=75, progressive=True)
    raw_rgba(Image.open(p("pillow-photo-progressive.jpg")), p("pillow-photo-progressive.jpg.rgba"))
    picture.convert("L").save(p("pillow-grey.jpg"), quality=90)
    raw_rgba(Image.open(p("pillow-grey.jpg")), p("pillow-grey.jpg.rgba"))
    # The photograph in every format, for cutting short.
    picture.save(p("photo.png"))
    picture.save(p("photo.webp"), lossless=True)
    for extension in ("bmp", "tif", "gif", "tga", "ppm"):
        picture.save(p("photo." + extension))
    picture.save(p("photo.ico"), sizes=[picture.size])
    magick(p("photo.png"), "-interlace", "PNG", p("photo-interlaced.png"))
    magick(p("photo.png"), p("photo-magick.ico"))
    magick(p("photo.png"), "-colorspace", "CMYK", "-quality", "95", p("magick-cmyk.jpg"))
    subprocess.run(["convert", p("magick-cmyk.jpg"), "-colorspace", "sRGB", "-depth", "8", "rgba:" + p("magick-cmyk.jpg.rgba")], check=True)

    # Orientation: a 32 x 16 picture in four quarters, red, blue (top), green, white (bottom), with
    # every orientation value in each format that carries one (TIFF in its own tag, the rest in
    # EXIF).
    quarters = Image.new("RGB", (32, 16), (255, 0, 0))
    quarters.paste((0, 0, 255), (16, 0, 32, 8))
    quarters.paste((0, 255, 0), (0, 8, 16, 16))
    quarters.paste((255, 255, 255), (16, 8, 32, 16))
    for orientation in range(1, 9):
        exif = Image.Exif()
        exif[0x0112] = orientation
        quarters.save(p(f"orientation-{orientation}.jpg"), quality=95, exif=exif.tobytes())
        quarters.save(p(f"orientation-{orientation}.png"), exif=exif.tobytes())
        quarters.save(p(f"orientation-{orientation}.webp"), lossless=True, exif=exif.tobytes())
        quarters.save(p(f"orientation-{orientation}.tif"), tiffinfo={0x0112: orientation})

    # Resampling references: Pillow's resize of the photograph (R, G, B, A bytes).
    for name, method, size in (("lanczos-down", Image.Resampling.LANCZOS, (24, 16)),
                               ("lanczos-up", Image.Resampling.LANCZOS, (150, 100)),
                               ("bilinear-down", Image.Resampling.BILINEAR, (24, 16)),
                               ("box-down", Image.Resampling.BOX, (24, 16))):
        raw_rgba(picture.resize(size, method), p(f"resize-{name}.rgba"))


if __name__ == "__main__":
    main(sys.argv[1])
