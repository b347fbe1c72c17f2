#include "app/MockPictures.h"

#include <algorithm>
#include <cstdint>

namespace kelp {

namespace {

// Deterministic, so the pictures are the same on every run.
class TGlyphDice {
public:
    explicit TGlyphDice(std::uint32_t seed) : state_(seed * 2654435761u + 1) {}
    int Next(int n)
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return static_cast<int>(state_ % static_cast<std::uint32_t>(n));
    }

private:
    std::uint32_t state_;
};

void FillRect(TNkDIB &pic, int left, int top, int right, int bottom, std::uint8_t value)
{
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, pic.Width() - 1);
    bottom = std::min(bottom, pic.Height() - 1);
    if (left > right || top > bottom)
        return;
    for (int y = top; y <= bottom; ++y) {
        std::uint8_t *row = pic.ScanLine(y);
        std::fill(row + left, row + right + 1, value);
    }
}

void FrameRect(TNkDIB &pic, int left, int top, int right, int bottom, std::uint8_t value)
{
    FillRect(pic, left, top, right, top, value);
    FillRect(pic, left, bottom, right, bottom, value);
    FillRect(pic, left, top, left, bottom, value);
    FillRect(pic, right, top, right, bottom, value);
}

// A made-up glyph of horizontal and vertical strokes, so a line reads as text
// at a glance without carrying a font.
void DrawGlyph(TNkDIB &pic, int x, int top, int width, int height, std::uint8_t value, std::uint32_t seed)
{
    TGlyphDice dice(seed);
    const int w = width - 1;
    const int h = height - 1;
    const int rows[] = {0, h / 3, h / 2, (2 * h) / 3, h};
    const int cols[] = {0, w / 3, w / 2, (2 * w) / 3, w};
    const int strokes = 2 + dice.Next(3);
    for (int i = 0; i < strokes; ++i) {
        if (dice.Next(2) == 0) {
            const int y = rows[dice.Next(5)];
            const int from = dice.Next(2) == 0 ? 0 : cols[dice.Next(3)];
            const int to = dice.Next(3) == 0 ? cols[2 + dice.Next(3)] : w;
            FillRect(pic, x + from, top + y, x + std::max(from, to), top + y, value);
        } else {
            const int c = cols[dice.Next(5)];
            const int from = dice.Next(2) == 0 ? 0 : rows[dice.Next(3)];
            const int to = dice.Next(3) == 0 ? rows[2 + dice.Next(3)] : h;
            FillRect(pic, x + c, top + from, x + c, top + std::max(from, to), value);
        }
    }
    // Every glyph has at least one full stroke, so none is left nearly empty.
    if (dice.Next(2) == 0) {
        const int y = top + rows[1 + dice.Next(3)];
        FillRect(pic, x, y, x + w, y, value);
    } else {
        const int c = x + cols[1 + dice.Next(3)];
        FillRect(pic, c, top, c, top + h, value);
    }
}

// Glyphs from x to the right limit (count of them), with a gap now and then like words.
void DrawTextRun(TNkDIB &pic, int x, int top, int height, int count, int limit, std::uint8_t value,
                 std::uint32_t seed)
{
    const int width = height - 1;
    TGlyphDice gaps(seed ^ 0x5bd1e995u);
    for (int i = 0; i < count && x + width <= limit; ++i) {
        DrawGlyph(pic, x, top, width, height, value, seed * 131u + static_cast<std::uint32_t>(i));
        x += width + 2;
        if (gaps.Next(7) == 0)
            x += width / 2;
    }
}

// A right-pointing arrow, the tab mark of the text page.
void DrawTabMark(TNkDIB &pic, int x, int top, int height, std::uint8_t value)
{
    const int mid = top + height / 2;
    FillRect(pic, x, mid, x + 5, mid, value);
    for (int d = 1; d <= 2; ++d) {
        FillRect(pic, x + 5 - d, mid - d, x + 5 - d, mid - d, value);
        FillRect(pic, x + 5 - d, mid + d, x + 5 - d, mid + d, value);
    }
}

// Outer line SystemFrameMask, next line SystemFrameBright, filled with SystemBG.
void DrawSystemFrame(TNkDIB &pic, int left, int top, int right, int bottom)
{
    FillRect(pic, left, top, right, bottom, MockSystemBG);
    FrameRect(pic, left, top, right, bottom, MockSystemFrameMask);
    FrameRect(pic, left + 1, top + 1, right - 1, bottom - 1, MockSystemFrameBright);
}

} // namespace

TNkDIB MakeMockTextPage()
{
    TNkDIB page(ScreenWidth, ScreenHeight, 8);
    FillRect(page, 0, 0, ScreenWidth - 1, ScreenHeight - 1, MockTextBG);

    struct TLine {
        int top, bottom, glyphs;
    };
    // Rows as the plug-in lays out its page; the glyph counts give the page
    // paragraphs of different lengths.
    static constexpr TLine Lines[] = {
        {9, 17, 24}, {21, 27, 0}, {31, 39, 24}, {42, 50, 24}, {53, 61, 11},
        {75, 83, 24}, {86, 94, 17}, {108, 116, 24}, {119, 127, 8},
    };
    std::uint32_t seed = 1;
    for (const TLine &line : Lines) {
        const int height = line.bottom - line.top + 1;
        DrawTextRun(page, 4, line.top, height, line.glyphs, ScreenWidth - 4, MockTextChar, seed++);
    }

    // The second line: a tab-separated row, eight tab marks 20 pixels apart from x = 5.
    const TLine &tabs = Lines[1];
    const int height = tabs.bottom - tabs.top + 1;
    for (int k = 0; k < 8; ++k) {
        const int x = 5 + 20 * k;
        DrawTabMark(page, x, tabs.top, height, MockTabChar);
        DrawTextRun(page, x + 8, tabs.top, height, 1 + k % 2, x + 20, MockTextChar, 100u + k);
    }
    DrawTextRun(page, 5 + 20 * 8, tabs.top, height, 9, ScreenWidth - 4, MockTextChar, 200u);
    return page;
}

TNkDIB MakeMockSystemLayer()
{
    TNkDIB layer(ScreenWidth, ScreenHeight, 8); // all MockSystemClear

    // Title bar: lettering in rows 2..8, then a bright and a mask line.
    FillRect(layer, 0, 0, ScreenWidth - 1, 9, MockSystemBG);
    DrawTextRun(layer, 4, 2, 7, 9, 120, MockSystemText, 300u);
    DrawTextRun(layer, 196, 2, 7, 5, ScreenWidth - 2, MockSystemText, 301u);
    FillRect(layer, 0, 10, ScreenWidth - 1, 10, MockSystemFrameBright);
    FillRect(layer, 0, 11, ScreenWidth - 1, 11, MockSystemFrameMask);

    // A framed window, as the plug-in's option menu shows it.
    DrawSystemFrame(layer, 5, 83, 234, 144);
    static constexpr int ItemTops[] = {88, 99, 110, 121, 132};
    for (int i = 0; i < 5; ++i) {
        DrawTextRun(layer, 20, ItemTops[i], 7, 6 + (i * 3) % 5, 130, MockSystemText, 400u + i);
        DrawTextRun(layer, 160, ItemTops[i], 7, 3, 228, MockSystemText, 500u + i);
    }
    // The cursor of the selected item.
    DrawTabMark(layer, 10, ItemTops[1], 7, MockSystemText);

    // Status bar from row 149 to the bottom.
    DrawSystemFrame(layer, 5, 149, 234, ScreenHeight - 1);
    DrawTextRun(layer, 10, 152, 5, 12, 120, MockSystemText, 600u);
    DrawTextRun(layer, 190, 152, 5, 6, 228, MockSystemText, 601u);
    return layer;
}

} // namespace kelp
