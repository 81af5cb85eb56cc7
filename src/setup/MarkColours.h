// SPDX-License-Identifier: Apache-2.0
#pragma once

#include <span>

namespace kevo::setup {

// A colour on the screen, 0 to 255 a channel (sRGB).
struct Rgb {
    int red = 0;
    int green = 0;
    int blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// The marks of the grid: a fault's text and line number, and the line
// number of a changed line, as drawn on a light palette.
inline constexpr Rgb kFaultRed{255, 0, 0};
inline constexpr Rgb kChangedBlue{0, 0, 255};

// The contrast a mark keeps against its background on a dark palette, and
// the contrast it is given: the edges of the drawn text are blended with the
// background, and a little more keeps the text's strongest pixels at 4.5:1.
inline constexpr double kReadableContrast = 4.5;
inline constexpr double kMarkContrast = 4.6;

// Relative luminance (0 black to 1 white) and the contrast ratio of two
// colours (1 to 21), as the accessibility guidelines for web content
// (WCAG 2.x) define them.
double RelativeLuminance(Rgb colour);
double ContrastRatio(Rgb first, Rgb second);

// A palette is dark when its base colour (the cells' background) has a
// relative luminance below 0.5.
bool IsDark(Rgb base);

// The colour of the same hue nearest to `colour` that reaches `minimum`
// against `background`: mixed with white on a dark background, with black
// on a light one. The colour itself when it reaches it already.
Rgb ReadableOn(Rgb colour, Rgb background, double minimum = kReadableContrast);

// A mark as drawn on `background` in a palette whose base colour is `base`:
// the mark itself on a light palette, made readable (kMarkContrast) on a
// dark one.
Rgb MarkOn(Rgb mark, Rgb base, Rgb background);

// The same on a background of several colours (a shaded header section):
// readable on each of them.
Rgb MarkOn(Rgb mark, Rgb base, std::span<const Rgb> backgrounds);

} // namespace kevo::setup
