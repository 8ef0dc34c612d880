#pragma once
// The overview of an analysed recording as an SVG picture: its level, one
// column per pixel (the largest level in the column), the silence amplitude
// as a line, the silences the tracks were cut at shaded, every boundary with
// its track's name, and a time ruler in mm:ss. Any browser or rsvg-convert draws it.
// Names are valid XML whatever their bytes: what XML 1.0 cannot hold is U+FFFD.

#include <string>

#include "cli/Commands.h"

namespace quillon::cli {

[[nodiscard]] std::string FormatSvg(const Analysis& analysis);

}  // namespace quillon::cli
