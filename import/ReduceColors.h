#pragma once
// ReduceColors: the placed true-colour picture of the import to the 16-colour
// picture the background block stores, with palette entry 0 black and, where
// possible, free of pixels (pixel value 0 of the background is transparent).
#include "base/MessageSink.h"
#include "color/ColorTypes.h"
#include "picture/NkDIB.h"

namespace kelp {

// Reduce types, the entries of the import dialog's list.
enum TReduceType : int {
    rtMedianCut = 0,
    rtVarianceCut = 1,
    rtMedianCutDiffuse = 2,
    rtVarianceCutDiffuse = 3,
    rtLowPrecision = 4,
    rtHighPrecision = 5,
};
constexpr int ReduceTypeCount = 6;

// Works in place. A 24-bit picture leaves as an 8-bit picture of the same size
// (240x160 from the import) with 256 palette entries: 0..15 the colours, entry 0
// black, 16..255 black, every pixel 0..15. An 8-bit picture counts as reduced
// already and is left alone (returns true). An invalid reduce type reports
// "不正な減色タイプが指定されました。" to the sink, leaves the picture unchanged and
// returns false. Errors of the reductions themselves propagate as exceptions.
bool ReduceColors(TNkDIB &picture, int reduceType, const TMessageSink &sink);

// The steps after the reduction, on an 8-bit reduced picture.
void ClearPalette16(TNkDIB &picture);
// Values v < 16 become 15 - v (others 0), entries 0..15 are reversed, 16..255 black.
void ReversePalette16(TNkDIB &picture);
// Makes entry 0 black and returns the entry nearest to its former colour at a
// non-zero distance (lowest index on ties, 0 when none is nearer than black).
int FindNearestColor(TNkDIB &picture);
// The index-0 fix-up: ReversePalette16, FindNearestColor, then pixels of value 0
// move to that entry.
void FixPalette16(TNkDIB &picture);

// |blue| + |green| + |red| differences, 0..765.
int ColorDistance(TColor a, TColor b);

} // namespace kelp
