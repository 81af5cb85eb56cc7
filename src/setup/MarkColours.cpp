// SPDX-License-Identifier: Apache-2.0
#include "setup/MarkColours.h"

#include <cmath>

namespace kevo::setup {
namespace {

double Linear(int channel) {
    const double value = channel / 255.0;
    return value <= 0.04045 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
}

// Moves a colour towards white or black by `step` 255ths; each channel
// keeps its share of the way, so the hue stays.
Rgb Mixed(Rgb colour, int target, int step) {
    const auto mix = [&](int channel) {
        return static_cast<int>(std::lround(channel + (target - channel) * step / 255.0));
    };
    return {mix(colour.red), mix(colour.green), mix(colour.blue)};
}

} // namespace

double RelativeLuminance(Rgb colour) {
    return 0.2126 * Linear(colour.red) + 0.7152 * Linear(colour.green) +
           0.0722 * Linear(colour.blue);
}

double ContrastRatio(Rgb first, Rgb second) {
    const double a = RelativeLuminance(first) + 0.05;
    const double b = RelativeLuminance(second) + 0.05;
    return a > b ? a / b : b / a;
}

bool IsDark(Rgb base) {
    return RelativeLuminance(base) < 0.5;
}

Rgb ReadableOn(Rgb colour, Rgb background, double minimum) {
    if (ContrastRatio(colour, background) >= minimum)
        return colour;
    // Towards the end that stands out more against the background.
    const Rgb white{255, 255, 255};
    const Rgb black{0, 0, 0};
    const int target =
        ContrastRatio(white, background) >= ContrastRatio(black, background) ? 255 : 0;
    for (int step = 1; step < 255; ++step) {
        const Rgb mixed = Mixed(colour, target, step);
        if (ContrastRatio(mixed, background) >= minimum)
            return mixed;
    }
    return target == 255 ? white : black;
}

Rgb MarkOn(Rgb mark, Rgb base, Rgb background) {
    return MarkOn(mark, base, std::span<const Rgb>(&background, 1));
}

Rgb MarkOn(Rgb mark, Rgb base, std::span<const Rgb> backgrounds) {
    if (!IsDark(base))
        return mark;
    // Each step moves further along the same line of mixtures, so the
    // colour stays readable on the backgrounds before it; a few passes
    // settle backgrounds on both sides of the mark as well as they can be.
    Rgb drawn = mark;
    for (int pass = 0; pass < 3; ++pass) {
        bool moved = false;
        for (const Rgb& background : backgrounds) {
            if (ContrastRatio(drawn, background) < kMarkContrast) {
                drawn = ReadableOn(drawn, background, kMarkContrast);
                moved = true;
            }
        }
        if (!moved)
            break;
    }
    return drawn;
}

} // namespace kevo::setup
