// Speed of the placement renderer: a drag (re-render at an unchanged zoom), the
// first render at a new zoom, and small pictures. Run the FirstRender cases
// alone (--benchmark_filter) to read the peak memory of a first render from the
// PeakRSS counter, against the DecodedMB of the source.
#include "import/Placement.h"

#include <benchmark/benchmark.h>

#include <random>
#include <sys/resource.h>

using namespace kelp;

namespace {

TNkDIB Photo(int width, int height)
{
    TNkDIB p(width, height, 24);
    std::mt19937 rng(7);
    for (int y = 0; y < height; ++y) {
        std::uint8_t *row = p.ScanLine(y);
        for (std::size_t i = 0; i < p.RowBytes(); ++i)
            row[i] = static_cast<std::uint8_t>(rng());
    }
    return p;
}

// A 6000x4000 photo decoded to 24 bits: 68.7 MB.
TNkDIB LargePhoto() { return Photo(6000, 4000); }

double PeakRssMB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

// Zoom values by index: fit width, 50 %, 30 % (the mildest cached reduction),
// 90 %, 100 %, 250 %.
double ZoomOf(int width, std::int64_t which)
{
    switch (which) {
    case 0: return FitWidthZoom(width);
    case 1: return 0.5;
    case 2: return 0.3;
    case 3: return 0.9;
    case 4: return 1.0;
    default: return 2.5;
    }
}

// A drag: the zoom stays, the position moves by a pixel per render.
void BM_DragLarge(benchmark::State &state)
{
    TPlacementRenderer renderer(LargePhoto());
    const double zoom = ZoomOf(renderer.Source().Width(), state.range(0));
    TPlacement p{zoom, 0, 0, state.range(1) != 0};
    TNkDIB dst;
    renderer.Render(p, dst);
    int step = 0;
    for (auto _ : state) {
        // Back and forth over 64 pixels, so a single copy stays on the screen.
        step = (step + 1) & 63;
        p.PosX = step - 32;
        p.PosY = 32 - step;
        renderer.Render(p, dst);
        benchmark::DoNotOptimize(dst.Bits().data());
    }
    state.SetLabel(renderer.HasCachedCopy() ? "cached copy" : "no cache");
}
BENCHMARK(BM_DragLarge)
    ->ArgNames({"zoom", "tile"})
    ->ArgsProduct({{0, 1, 2, 3, 4, 5}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

// The first render at a new zoom: every iteration changes the scaled size by a
// little, so the scaled copy is built from scratch each time.
void BM_FirstRenderLarge(benchmark::State &state)
{
    TPlacementRenderer renderer(LargePhoto());
    const double zoom = ZoomOf(renderer.Source().Width(), state.range(0));
    bool nudge = false;
    for (auto _ : state) {
        nudge = !nudge;
        TNkDIB dst = renderer.Render(TPlacement{nudge ? zoom * 0.998 : zoom, 3, 4, true});
        benchmark::DoNotOptimize(dst.Bits().data());
    }
    state.counters["DecodedMB"] = double(renderer.Source().Bits().size()) / (1024.0 * 1024.0);
    state.counters["PeakRSS_MB"] = PeakRssMB();
}
BENCHMARK(BM_FirstRenderLarge)->ArgName("zoom")->DenseRange(0, 5)->Unit(benchmark::kMillisecond);

// Small pictures, first render and drag: an icon, a screen-sized picture, a snapshot.
void BM_SmallPicture(benchmark::State &state)
{
    const TNkDIB src = Photo(int(state.range(0)), int(state.range(1)));
    TPlacementRenderer renderer(src);
    TPlacement p{FitWidthZoom(src.Width()), 0, 0, true};
    TNkDIB dst;
    for (auto _ : state) {
        renderer.SetSource(src);
        renderer.Render(p, dst);
        ++p.PosX;
        renderer.Render(p, dst);
        benchmark::DoNotOptimize(dst.Bits().data());
    }
}
BENCHMARK(BM_SmallPicture)->Args({16, 16})->Args({240, 160})->Args({640, 480})->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
