// Timing of the six reduce types and of the histogram cut on 240 x 160 pictures.
// Allocations are counted per iteration to show that nothing is allocated per pixel.
#include "import/ReduceColors.h"
#include "quantize/MedianCut.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>

namespace {

// Every allocation of the program passes through here; the counts are read
// around the timed region.
std::atomic<std::uint64_t> AllocationCount{0};
std::atomic<std::uint64_t> AllocatedBytes{0};

} // namespace

void *operator new(std::size_t size)
{
    AllocationCount.fetch_add(1, std::memory_order_relaxed);
    AllocatedBytes.fetch_add(size, std::memory_order_relaxed);
    if (void *p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }

namespace {

using kelp::TNkDIB;

constexpr int Width = 240, Height = 160;

std::uint8_t Channel(double v) { return static_cast<std::uint8_t>(std::lround(std::fmin(255.0, std::fmax(0.0, v)))); }

// A photograph-like scene: sky gradient, a sun with a soft edge, hills with
// shading, and sensor-like noise, so almost every pixel has its own colour.
TNkDIB PhotoPicture()
{
    TNkDIB picture(Width, Height, 24);
    std::uint32_t seed = 12345;
    auto noise = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<double>(seed >> 24) / 32.0 - 4.0; // -4 .. +4
    };
    for (int y = 0; y < Height; ++y) {
        std::uint8_t *p = picture.ScanLine(y);
        for (int x = 0; x < Width; ++x, p += 3) {
            const double fy = y / double(Height), fx = x / double(Width);
            double r = 70 + 120 * fy, g = 110 + 90 * fy, b = 230 - 60 * fy; // sky
            const double sun = std::hypot(x - 170.0, y - 40.0);
            if (sun < 26) {
                const double t = std::fmin(1.0, (26 - sun) / 6);
                r += (255 - r) * t, g += (220 - g) * t, b += (120 - b) * t;
            }
            const double hill = 105 + 18 * std::sin(fx * 7.0) + 9 * std::sin(fx * 19.0 + 1.0);
            if (y > hill) {
                const double shade = 0.55 + 0.45 * std::cos(fx * 11.0 + (y - hill) / 14.0);
                r = 40 + 50 * shade, g = 90 + 80 * shade * (1 - fy / 3), b = 30 + 25 * shade;
            }
            p[0] = Channel(b + noise());
            p[1] = Channel(g + noise());
            p[2] = Channel(r + noise());
        }
    }
    return picture;
}

// Three flat bands: the cheapest picture for the histogram, the worst for a tree of 16.
TNkDIB FlatPicture()
{
    TNkDIB picture(Width, Height, 24);
    const kelp::TColor bands[3] = {kelp::MakeColor(200, 40, 40), kelp::MakeColor(30, 160, 60),
                                   kelp::MakeColor(240, 240, 250)};
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x)
            picture.SetPixels(x, y, bands[x * 3 / Width]);
    return picture;
}

const TNkDIB &Picture(int kind)
{
    static const TNkDIB photo = PhotoPicture(), flat = FlatPicture();
    return kind == 0 ? photo : flat;
}

struct TAllocationMeter {
    std::uint64_t Count = 0, Bytes = 0;
    std::uint64_t startCount = 0, startBytes = 0;
    void Start()
    {
        startCount = AllocationCount.load();
        startBytes = AllocatedBytes.load();
    }
    void Stop()
    {
        Count += AllocationCount.load() - startCount;
        Bytes += AllocatedBytes.load() - startBytes;
    }
    // Per call.
    void Report(benchmark::State &state) const
    {
        state.counters["allocs"] = double(Count);
        state.counters["alloc_MiB"] = double(Bytes) / (1024.0 * 1024.0);
    }
};

// ReduceColors on a fresh copy of the placed picture: args {picture, reduce type}.
// The copy (115 KB) is timed with the call; it costs about 10 us. Allocations are
// counted over one call before the timed loop.
void BM_ReduceColors(benchmark::State &state)
{
    const TNkDIB &source = Picture(static_cast<int>(state.range(0)));
    const int type = static_cast<int>(state.range(1));
    const kelp::TMessageSink sink = [](const std::string &) {};
    TAllocationMeter meter;
    {
        TNkDIB picture = source;
        meter.Start();
        kelp::ReduceColors(picture, type, sink);
        meter.Stop();
    }
    for (auto _ : state) {
        TNkDIB picture = source;
        kelp::ReduceColors(picture, type, sink);
        benchmark::DoNotOptimize(picture.Bits().data());
    }
    meter.Report(state);
    state.SetLabel(std::string(state.range(0) == 0 ? "photo" : "flat") + " type " + std::to_string(type));
}

// The cut alone on a counted histogram of the photograph: args {variance?, used cells only?}.
void BM_HistogramCut(benchmark::State &state)
{
    const TNkDIB &source = Picture(0);
    const bool variance = state.range(0) != 0, usedCellsOnly = state.range(1) != 0;
    auto cut = std::make_unique<kelp::TMedianCut>();
    for (auto _ : state) {
        state.PauseTiming();
        cut = std::make_unique<kelp::TMedianCut>();
        for (int y = 0; y < Height; ++y) {
            const std::uint8_t *p = source.ScanLine(y);
            for (int x = 0; x < Width; ++x, p += 3)
                cut->AddColor(kelp::TBgrTriple{p[0], p[1], p[2]});
        }
        state.ResumeTiming();
        if (variance)
            cut->CutByVariance(4, usedCellsOnly);
        else
            cut->CutByRange(4, usedCellsOnly);
        benchmark::DoNotOptimize(cut->ColorMap().data());
    }
    state.SetLabel(std::string(variance ? "variance" : "range") + (usedCellsOnly ? ", used cells" : ", all cells"));
}

// Floyd-Steinberg diffusion of the photograph against a 16-colour variance cut.
void BM_ErrorDiffusion(benchmark::State &state)
{
    const TNkDIB &source = Picture(0);
    auto cut = std::make_unique<kelp::TMedianCut>();
    for (int y = 0; y < Height; ++y) {
        const std::uint8_t *p = source.ScanLine(y);
        for (int x = 0; x < Width; ++x, p += 3)
            cut->AddColor(kelp::TBgrTriple{p[0], p[1], p[2]});
    }
    cut->CutByVariance(4, false);
    const kelp::TMedianCutQuantizeColor quantizer(*cut);
    for (auto _ : state) {
        TNkDIB diffused = kelp::ErrorDiffusion(source, quantizer);
        benchmark::DoNotOptimize(diffused.Bits().data());
    }
}

void ReduceArgs(benchmark::internal::Benchmark *b)
{
    for (int kind : {0, 1})
        for (int type = 0; type < kelp::ReduceTypeCount; ++type)
            b->Args({kind, type});
}

} // namespace

BENCHMARK(BM_ReduceColors)->Apply(ReduceArgs)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_HistogramCut)
    ->Args({0, 1})
    ->Args({1, 1})
    ->Args({0, 0})
    ->Args({1, 0})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);

BENCHMARK(BM_ErrorDiffusion)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);

BENCHMARK_MAIN();
