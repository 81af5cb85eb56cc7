// SPDX-License-Identifier: Apache-2.0
#include "setup/MarkColours.h"

#include <gtest/gtest.h>

namespace kevo::setup {
namespace {

TEST(MarkColours, ContrastRatioAsTheGuidelinesGiveIt) {
    const struct {
        Rgb first, second;
        double ratio;
    } cases[] = {
        {{0, 0, 0}, {255, 255, 255}, 21.0},
        {{255, 0, 0}, {255, 255, 255}, 4.00},
        {{0, 0, 255}, {255, 255, 255}, 8.59},
        {{0x76, 0x76, 0x76}, {255, 255, 255}, 4.54}, // the lightest grey that passes on white
        {{0, 0, 255}, {0x42, 0x42, 0x45}, 1.17},     // blue on a dark button colour
    };
    for (const auto& c : cases) {
        EXPECT_NEAR(ContrastRatio(c.first, c.second), c.ratio, 0.01) << c.ratio;
        EXPECT_NEAR(ContrastRatio(c.second, c.first), c.ratio, 0.01) << c.ratio;
    }
}

// Light palettes keep the marks exactly; on a dark one each mark becomes
// the nearest colour of its hue that reaches 4.5:1 on its background.
TEST(MarkColours, MarksKeepTheirHueAndReachTheContrastOnDarkPalettes) {
    const Rgb white{255, 255, 255}, darkBase{0x3d, 0x3d, 0x3d}, darkButton{0x42, 0x42, 0x45};
    const struct {
        Rgb mark, base, background;
        bool changed;
    } cases[] = {
        {kFaultRed, white, white, false}, // 4.0:1, but a light palette keeps it
        {kFaultRed, darkBase, darkBase, true},
        {kChangedBlue, darkBase, darkButton, true},
        {kFaultRed, darkBase, {0x12, 0x60, 0x8a}, true},    // a selected cell
        {kChangedBlue, darkBase, {0x90, 0x90, 0x90}, true}, // a light header on a dark palette
        {{0xff, 0x90, 0x90}, darkBase, darkBase, false},    // readable already
    };
    for (const auto& c : cases) {
        const Rgb drawn = MarkOn(c.mark, c.base, c.background);
        const std::string what = std::to_string(drawn.red) + "," + std::to_string(drawn.green) +
                                 "," + std::to_string(drawn.blue);
        EXPECT_EQ(drawn != c.mark, c.changed) << what;
        if (!c.changed)
            continue;
        EXPECT_GE(ContrastRatio(drawn, c.background), kReadableContrast) << what;
        // The same hue: the mark's two equal channels stay equal.
        EXPECT_TRUE(c.mark.red == c.mark.green ? drawn.red == drawn.green
                                               : drawn.green == drawn.blue)
            << what;
        // The nearest such colour: halfway back towards the mark fails.
        const Rgb between{(drawn.red + c.mark.red) / 2, (drawn.green + c.mark.green) / 2,
                          (drawn.blue + c.mark.blue) / 2};
        EXPECT_LT(ContrastRatio(between, c.background), kMarkContrast) << what;
    }
}

} // namespace
} // namespace kevo::setup
