#!/usr/bin/env python3
"""Generates the bundled LUT folder: its root description, the custom-LUT filter and the looks.

Every look is a colour transform written out below as a formula and sampled on a uniform 3D grid
into a ".CUBE" or ".3DL" file, next to the look's ".conf" and "filter.xml" descriptions.

    tools/make_looks.py              writes resources/qlx_effect/plugin/LUT/
    tools/make_looks.py --out DIR    writes into DIR instead
    tools/make_looks.py --check      compares what it would write with what is there; exit 1
                                     and the names of the differing files when they differ

Only the Python standard library is used. The output depends on nothing but this file: the same
script gives the same bytes on every machine (numbers are rounded to 6 decimals or to 12-bit
integers well away from the last bits of a double).

Conventions of the transforms: a colour is (r, g, b), each 0..1, the code values of an sRGB
encoded picture as the plugin sees them (8-bit levels / 255). Results are clipped to 0..1.
"""

import argparse
import math
import os
import sys

# ---------------------------------------------------------------------------------------------
# Colour building blocks
# ---------------------------------------------------------------------------------------------


def clip(x):
    """Clamps to the 0..1 range of the output."""
    return 0.0 if x < 0.0 else 1.0 if x > 1.0 else x + 0.0  # + 0.0 turns -0.0 into 0.0


def luma(c):
    """Rec. 709 luma: Y = 0.2126 R + 0.7152 G + 0.0722 B."""
    return 0.2126 * c[0] + 0.7152 * c[1] + 0.0722 * c[2]


def to_linear(v):
    """sRGB decoding (IEC 61966-2-1): v / 12.92 below 0.04045, else ((v + 0.055) / 1.055)^2.4."""
    return v / 12.92 if v <= 0.04045 else ((v + 0.055) / 1.055) ** 2.4


def to_srgb(l):
    """sRGB encoding: 12.92 l below 0.0031308, else 1.055 l^(1/2.4) - 0.055 (l clipped to 0..1)."""
    l = clip(l)
    return 12.92 * l if l <= 0.0031308 else 1.055 * l ** (1.0 / 2.4) - 0.055


def mix(a, b, t):
    """Per channel a + t (b - a)."""
    return tuple(x + t * (y - x) for x, y in zip(a, b))


def saturate(c, s):
    """Saturation about Rec. 709 luma: Y + s (c - Y); s = 0 grey, 1 unchanged."""
    y = luma(c)
    return tuple(y + s * (x - y) for x in c)


def s_curve(x, k, pivot):
    """Contrast S-curve: a logistic of steepness k about `pivot`, rescaled so 0 -> 0 and 1 -> 1:
    f(x) = (L(k (x - p)) - L(-k p)) / (L(k (1 - p)) - L(-k p)), L(t) = 1 / (1 + e^-t)."""

    def logistic(t):
        return 1.0 / (1.0 + math.exp(-t))

    low = logistic(-k * pivot)
    high = logistic(k * (1.0 - pivot))
    return (logistic(k * (x - pivot)) - low) / (high - low)


def overlay(base, top):
    """Overlay blend: 2 b t where b < 0.5, else 1 - 2 (1 - b)(1 - t)."""
    return 2.0 * base * top if base < 0.5 else 1.0 - 2.0 * (1.0 - base) * (1.0 - top)


# ---------------------------------------------------------------------------------------------
# The looks. Each docstring is the formula; resources/README.md repeats them.
# ---------------------------------------------------------------------------------------------


def warm(c):
    """White balance towards a lower colour temperature, in linear light:
    lin = decode(c) * (1.08, 1.00, 0.84); out = saturate(encode(lin), 1.05)."""
    gains = (1.08, 1.00, 0.84)
    lin = tuple(to_linear(x) * g for x, g in zip(c, gains))
    return saturate(tuple(to_srgb(x) for x in lin), 1.05)


def cool(c):
    """White balance towards a higher colour temperature, in linear light:
    lin = decode(c) * (0.86, 0.98, 1.10); out = encode(lin)."""
    gains = (0.86, 0.98, 1.10)
    return tuple(to_srgb(to_linear(x) * g) for x, g in zip(c, gains))


def teal_orange(c):
    """Split toning: shadows towards teal, highlights towards orange, then more saturation and
    contrast. Y = luma(c);
    t = c + (1 - Y)^2 (-0.06, 0.03, 0.08) + Y^2 (0.08, 0.02, -0.08);
    out = S(saturate(t, 1.15)) with S = s_curve(k = 4, pivot = 0.5) per channel."""
    y = luma(c)
    shadow, highlight = (1.0 - y) ** 2, y * y
    toned = tuple(
        x + shadow * s + highlight * h
        for x, s, h in zip(c, (-0.06, 0.03, 0.08), (0.08, 0.02, -0.08))
    )
    return tuple(s_curve(clip(x), 4.0, 0.5) for x in saturate(toned, 1.15))


def bleach_bypass(c):
    """Silver retained in the print: the picture's own luma overlaid on its colours, then
    desaturated. Y = luma(c); o = overlay(Y, c) per channel; out = saturate(mix(c, o, 0.75), 0.55)."""
    y = luma(c)
    overlaid = tuple(overlay(y, x) for x in c)
    return saturate(mix(c, overlaid, 0.75), 0.55)


def monochrome(c):
    """Neutral black and white: out = (m, m, m), m = s_curve(luma(c), k = 3, pivot = 0.5)."""
    m = s_curve(luma(c), 3.0, 0.5)
    return (m, m, m)


def faded_film(c):
    """Matte print: gentle contrast, less saturation, blacks lifted and whites lowered, a warm
    cast growing with brightness. t = saturate(s_curve(c, k = 3, pivot = 0.5), 0.75);
    out = 0.07 + 0.86 t + luma(t) (0.02, 0.005, -0.02)."""
    t = saturate(tuple(s_curve(x, 3.0, 0.5) for x in c), 0.75)
    y = luma(t)
    return tuple(0.07 + 0.86 * x + y * w for x, w in zip(t, (0.02, 0.005, -0.02)))


def high_contrast(c):
    """Steep S-curve per channel and a little more saturation:
    out = saturate(s_curve(c, k = 8, pivot = 0.5), 1.1)."""
    return saturate(tuple(s_curve(x, 8.0, 0.5) for x in c), 1.1)


def day_for_night(c):
    """Night from a daylight picture, in linear light: lin = decode(c); Yl = luma(lin);
    d = mix(lin, (Yl, Yl, Yl), 0.65)  (colour mostly gone);
    out = encode(0.18 (d (0.75, 0.95, 1.45))^1.2)  (about 2.5 stops darker at mid grey, deeper
    shadows through the power, blue moonlight through the channel weights)."""
    lin = tuple(to_linear(x) for x in c)
    yl = luma(lin)
    faded = mix(lin, (yl, yl, yl), 0.65)
    return tuple(to_srgb(0.18 * (x * g) ** 1.2) for x, g in zip(faded, (0.75, 0.95, 1.45)))


def sepia(c):
    """Classic sepia toning matrix:
    r' = 0.393 r + 0.769 g + 0.189 b; g' = 0.349 r + 0.686 g + 0.168 b;
    b' = 0.272 r + 0.534 g + 0.131 b."""
    r, g, b = c
    return (
        0.393 * r + 0.769 * g + 0.189 * b,
        0.349 * r + 0.686 * g + 0.168 * b,
        0.272 * r + 0.534 * g + 0.131 * b,
    )


# ---------------------------------------------------------------------------------------------
# The folder
# ---------------------------------------------------------------------------------------------

ROOT_CONF = ("LUT.conf", "B8A90DC2-88B7-44CE-97C3-761B6EE2CB31", "LUT")
PROGRAMS = ("programs/lut.cl", "programs/lut.glsl")
CUSTOM_LUT = ("custom_lut", "74EB022D-1D73-4D1E-9F70-487C356D46CD", "Custom LUT")

# folder, GUID, display name, LUT file, grid size, transform
LOOKS = [
    ("warm", "8D98520C-7E39-46EC-B8D1-4B53091DA417", "Warm", "warm.cube", 17, warm),
    ("cool", "9E035D69-43D7-470B-8483-D69A70109885", "Cool", "cool.3dl", 17, cool),
    ("teal_orange", "80FC34E0-8669-45FA-9537-15DC70872F67", "Teal and Orange",
     "teal_orange.cube", 33, teal_orange),
    ("bleach_bypass", "717BAACE-BCC2-4A04-B362-C132CD420B75", "Bleach Bypass",
     "bleach_bypass.3dl", 33, bleach_bypass),
    ("monochrome", "138F065D-82E4-4725-A239-5BAE943C5F13", "Monochrome", "monochrome.cube", 17,
     monochrome),
    ("faded_film", "1F807BD3-E334-4D0A-95F0-951B1DA218BF", "Faded Film", "faded_film.3dl", 33,
     faded_film),
    ("high_contrast", "669B3044-3332-4CB3-89DB-7508C6E65A87", "High Contrast",
     "high_contrast.3dl", 65, high_contrast),
    ("day_for_night", "37D919EF-3421-4B37-94DA-205E37785C01", "Day for Night",
     "day_for_night.cube", 33, day_for_night),
    ("sepia", "BFF37C99-BCA4-425E-99A6-CBEA4CF9F6D6", "Sepia", "sepia.3dl", 17, sepia),
]

GENERATED_BY = "Generated by tools/make_looks.py; do not edit by hand."


def conf_text(guid, name, programs=None):
    """A ".conf" description: a JSON object, keys in a fixed order."""
    fields = [("GUID", guid), ("NAME", name)]
    if programs:
        fields += [("OPENCL", programs[0]), ("OPENGL", programs[1])]
    body = ",\n".join('  "%s": "%s"' % field for field in fields)
    return "{\n" + body + "\n}\n"


def filter_xml_text(guid, name, lut_file):
    """A "filter.xml" description. Element texts carry no surrounding white space: the reader
    keeps white space, so it would become part of the GUID or the file name."""
    return (
        '<?xml version="1.0" encoding="UTF-8"?>\n'
        "<Filter>\n"
        "  <GUID>%s</GUID>\n"
        "  <Name>%s</Name>\n"
        "  <LUT>\n"
        "    <LutFile>%s</LutFile>\n"
        "  </LUT>\n"
        "</Filter>\n" % (guid, name, lut_file)
    )


def grid_value(i, n):
    return i / (n - 1)


def cube_text(name, size, transform):
    """".CUBE": TITLE, LUT_3D_SIZE, then size^3 rows "r g b" with 6 decimals, red fastest."""
    lines = ["# " + GENERATED_BY, 'TITLE "%s"' % name, "LUT_3D_SIZE %d" % size]
    axis = [grid_value(i, size) for i in range(size)]
    for b in axis:
        for g in axis:
            for r in axis:
                out = transform((r, g, b))
                lines.append("%.6f %.6f %.6f" % tuple(clip(x) for x in out))
    return "\n".join(lines) + "\n"


def threedl_text(name, size, transform):
    """".3DL": comment lines, a shaper line of `size` 10-bit input levels separated by single
    spaces, then size^3 rows of 12-bit integers "R G B" (0..4095), blue fastest, red slowest."""
    shaper = " ".join(str(round(i * 1023 / (size - 1))) for i in range(size))
    lines = ["# " + GENERATED_BY, "# %s" % name, shaper]
    axis = [grid_value(i, size) for i in range(size)]
    for r in axis:
        for g in axis:
            for b in axis:
                out = transform((r, g, b))
                lines.append("%d %d %d" % tuple(round(clip(x) * 4095) for x in out))
    return "\n".join(lines) + "\n"


def lut_text(name, lut_file, size, transform):
    if lut_file.endswith(".cube"):
        return cube_text(name, size, transform)
    return threedl_text(name, size, transform)


def folder_files():
    """Every file of the folder this tool owns: relative path -> content."""
    files = {
        ROOT_CONF[0]: conf_text(ROOT_CONF[1], ROOT_CONF[2], PROGRAMS),
        "%s/%s.conf" % (CUSTOM_LUT[0], CUSTOM_LUT[0]): conf_text(CUSTOM_LUT[1], CUSTOM_LUT[2]),
    }
    for folder, guid, name, lut_file, size, transform in LOOKS:
        files["%s/%s.conf" % (folder, folder)] = conf_text(guid, name)
        files["%s/filter.xml" % folder] = filter_xml_text(guid, name, lut_file)
        files["%s/%s" % (folder, lut_file)] = lut_text(name, lut_file, size, transform)
    return files


def read_bytes(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError:
        return None


def check(out, files):
    differing = [rel for rel, text in sorted(files.items())
                 if read_bytes(os.path.join(out, rel)) != text.encode("utf-8")]
    for rel in differing:
        print("differs or missing: %s" % rel)
    if not differing:
        print("%d files identical in %s" % (len(files), out))
    return 1 if differing else 0


def write(out, files):
    for rel, text in sorted(files.items()):
        path = os.path.join(out, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(text.encode("utf-8"))
    print("wrote %d files into %s" % (len(files), out))
    return 0


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    default_out = os.path.normpath(os.path.join(here, "..", "resources", "qlx_effect", "plugin", "LUT"))
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--out", default=default_out, help="the LUT folder to write or check")
    parser.add_argument("--check", action="store_true",
                        help="compare instead of writing; exit 1 when a file differs")
    args = parser.parse_args()
    files = folder_files()
    return check(args.out, files) if args.check else write(args.out, files)


if __name__ == "__main__":
    sys.exit(main())
