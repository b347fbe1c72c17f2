#pragma once
// Small pictures for the quantizer tests, built from colours given as (red, green, blue).
#include "picture/NkDIB.h"

#include <algorithm>
#include <cstdint>
#include <random>
#include <vector>

namespace kelptest {

// A 24-bit picture; pixels row by row from the top.
inline kelp::TNkDIB TrueColorPicture(int width, int height, const std::vector<kelp::TColor> &pixels)
{
    kelp::TNkDIB picture(width, height, 24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.SetPixels(x, y, pixels.at(static_cast<std::size_t>(y * width + x)));
    return picture;
}

inline kelp::TNkDIB FilledPicture(int width, int height, kelp::TColor color)
{
    return TrueColorPicture(width, height, std::vector<kelp::TColor>(static_cast<std::size_t>(width * height), color));
}

// Smooth colour gradients with a little noise: many colours, like a photograph.
inline kelp::TNkDIB NoisyGradient(int width, int height, std::uint32_t seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> noise(-12, 12);
    kelp::TNkDIB picture(width, height, 24);
    for (int y = 0; y < height; ++y) {
        std::uint8_t *p = picture.ScanLine(y);
        for (int x = 0; x < width; ++x, p += 3) {
            auto channel = [&](int base) { return static_cast<std::uint8_t>(std::clamp(base + noise(random), 0, 255)); };
            p[0] = channel(255 * y / std::max(height, 1));
            p[1] = channel(128 + (x - y) / 2);
            p[2] = channel(255 * x / std::max(width, 1));
        }
    }
    return picture;
}

} // namespace kelptest
