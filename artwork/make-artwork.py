#!/usr/bin/env python3
"""Draws the main window's button pictures and the program icon.

Each button has three pictures, 88 x 28 pixels: "-up" (enabled), "-down"
(pressed) and "-disabled", and each again at twice the size ("@2x", 176 x 56)
for screens with more than one pixel to a point. They share one body and
differ in glyph and label. The icon is drawn in every size of the hicolor
icon theme.
Needs rsvg-convert (librsvg2-bin) and the DejaVu fonts; the PNG files are kept
in the repository, so building never runs this.
"""
import pathlib
import subprocess

HERE = pathlib.Path(__file__).resolve().parent
W, H = 88, 28

# Glyphs are drawn in a 16 x 16 box; "C" is replaced by the glyph colour.
GLYPHS = {
    "browse": '<path d="M1 4h5l2 2h7v8H1z" fill="C" opacity=".25"/><path d="M1 4h5l2 2h7v8H1z" fill="none" stroke="C" stroke-width="1.4" stroke-linejoin="round"/>',
    "analyze": '<g stroke="C" stroke-width="1.6" stroke-linecap="round"><path d="M2 7v2M4.5 4v8M7 6v4M9.5 2v12M12 5v6M14.5 7v2"/></g>',
    "split": '<rect x="1" y="4" width="5.5" height="8" rx="1" fill="C"/><rect x="9.5" y="4" width="5.5" height="8" rx="1" fill="C"/><path d="M8 1v14" stroke="C" stroke-width="1.2" stroke-dasharray="2 1.5"/>',
    "merge": '<rect x="1" y="4" width="14" height="8" rx="1" fill="C" opacity=".3"/><path d="M2 8h4M14 8h-4" stroke="C" stroke-width="1.6"/><path d="M5 5.5 7.5 8 5 10.5M11 5.5 8.5 8l2.5 2.5" fill="none" stroke="C" stroke-width="1.6" stroke-linejoin="round"/>',
    "preview-start": '<path d="M4 2.5v11l9.5-5.5z" fill="C"/>',
    "preview-end": '<path d="M2 2.5v11l8.5-5.5z" fill="C"/><rect x="11.5" y="2.5" width="2.5" height="11" fill="C"/>',
    "stop-preview": '<rect x="3" y="3" width="10" height="10" rx="1" fill="C"/>',
    "abort": '<circle cx="8" cy="8" r="6.5" fill="C"/><path d="M5.5 5.5l5 5M10.5 5.5l-5 5" stroke="#fff" stroke-width="1.8" stroke-linecap="round"/>',
    "save": '<path d="M2 2h10l2 2v10H2z" fill="C"/><rect x="4.5" y="2" width="6" height="4" fill="#fff"/><rect x="4" y="9" width="8" height="5" fill="#fff"/>',
    "edit": '<path d="M3 13l1-3.5 7-7 2.5 2.5-7 7z" fill="C"/><path d="M2 14.5h12" stroke="C" stroke-width="1"/>',
    "burn-cd": '<circle cx="8" cy="8" r="6.8" fill="C"/><circle cx="8" cy="8" r="4.2" fill="#fff" opacity=".35"/><circle cx="8" cy="8" r="1.6" fill="#fff"/>',
}

BUTTONS = [
    ("browse", "Browse", "#c58a12"),
    ("analyze", "Analyze", "#1f6fb2"),
    ("split", "Split", "#2f7d4a"),
    ("merge", "Merge", "#2f7d4a"),
    ("preview-start", "Play", "#1f6fb2"),
    ("preview-end", "Play End", "#1f6fb2"),
    ("stop-preview", "Stop", "#4a5560"),
    ("abort", "Abort", "#b83232"),
    ("save", "Save", "#1f6fb2"),
    ("edit", "Edit", "#7a4fb0"),
    ("burn-cd", "Burn CD", "#b05a1f"),
]

STATES = {
    # body top, body bottom, border, text colour, glyph colour (None: the button's), offset
    "up": ("#ffffff", "#dde3ea", "#7e8a97", "#1b2530", None, 0),
    "down": ("#c3ccd6", "#e6eaef", "#5d6976", "#1b2530", None, 1),
    "disabled": ("#f1f3f5", "#f1f3f5", "#bcc3ca", "#a2a9b1", "#b5bcc3", 0),
}


def button_svg(key, label, colour, state):
    top, bottom, border, text, glyph, shift = STATES[state]
    glyph = GLYPHS[key].replace('"C"', f'"{glyph or colour}"')
    inner = "" if state != "down" else '<path d="M2 2.5h84" stroke="#8e99a5" stroke-width="1"/>'
    return f'''<svg xmlns="http://www.w3.org/2000/svg" width="{W}" height="{H}" viewBox="0 0 {W} {H}">
<defs><linearGradient id="b" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="{top}"/><stop offset="1" stop-color="{bottom}"/></linearGradient></defs>
<rect x=".5" y=".5" width="{W-1}" height="{H-1}" rx="4" fill="url(#b)" stroke="{border}"/>{inner}
<g transform="translate({7+shift} {6+shift})">{glyph}</g>
<text x="{28+shift}" y="{18.5+shift}" font-family="DejaVu Sans" font-size="11.5" fill="{text}">{label}</text>
</svg>'''


ICON = '''<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 64 64">
<defs><linearGradient id="g" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="#2b84cf"/><stop offset="1" stop-color="#174f86"/></linearGradient></defs>
<rect x="2" y="2" width="60" height="60" rx="12" fill="url(#g)"/>
<g stroke="#fff" stroke-width="3" stroke-linecap="round">
<path d="M10 30v4M15 22v20M20 27v10M25 17v30"/><path d="M39 24v16M44 19v26M49 28v8M54 31v2"/></g>
<path d="M32 10v44" stroke="#ffd34d" stroke-width="2.5" stroke-dasharray="4 3"/>
</svg>'''


ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256, 512)


def render(svg, png, size=None, name=None, zoom=1):
    src = HERE / "src" / ((name or png.stem) + ".svg")
    src.write_text(svg)
    cmd = ["rsvg-convert", "-o", str(png)]
    if size:
        cmd += ["-w", str(size), "-h", str(size)]
    if zoom != 1:
        cmd += ["--zoom", str(zoom)]
    subprocess.run(cmd + [str(src)], check=True)


def main():
    (HERE / "src").mkdir(exist_ok=True)
    for key, label, colour in BUTTONS:
        for state in STATES:
            svg = button_svg(key, label, colour, state)
            render(svg, HERE / f"{key}-{state}.png")
            render(svg, HERE / f"{key}-{state}@2x.png", name=f"{key}-{state}", zoom=2)
    for size in ICON_SIZES:
        render(ICON, HERE / f"quillon-{size}.png", size, "quillon")


if __name__ == "__main__":
    main()
