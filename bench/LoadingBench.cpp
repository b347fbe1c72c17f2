// Loading a 6000x4000 JPEG through the bundled plug-in, against the decoder
// library's own command-line tool (djpeg) on the same file, and the peak memory
// of one load measured against the decoded picture's size.
#include "import/PictureLoading.h"
#include "import/SusiePlugins.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int Width = 6000, Height = 4000;

// A photo-like picture: smooth gradients under fine noise, quality 90.
const std::string &JpegFile()
{
    static const std::string file = [] {
        const std::string path = "/tmp/kelp-bench-6000x4000-v2.jpg";
        if (!std::ifstream(path)) {
            const std::string script =
                "from PIL import Image, ImageFilter\n"
                "import sys\n"
                "w, h = 6000, 4000\n"
                "r = Image.radial_gradient('L').resize((w, h))\n"
                "g = Image.linear_gradient('L').rotate(90).resize((w, h))\n"
                "b = Image.effect_noise((w, h), 40).filter(ImageFilter.GaussianBlur(0.6))\n"
                "Image.merge('RGB', (r, g, b)).save(sys.argv[1], quality=90)\n";
            const std::string cmd = "/usr/bin/python3 -c \"" + script + "\" " + path;
            if (std::system(cmd.c_str()) != 0)
                throw std::runtime_error("cannot write " + path);
        }
        return path;
    }();
    return file;
}

kelp::TSPIs &Plugins()
{
    static kelp::TSPIs spis(kelp::PluginFolders(""));
    return spis;
}

long StatusKb(const char *field)
{
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);)
        if (line.rfind(field, 0) == 0)
            return std::stol(line.substr(std::string(field).size()));
    return -1;
}

void BM_ReadPictureFileJpeg(benchmark::State &state)
{
    const std::string &file = JpegFile();
    for (auto _ : state) {
        kelp::TNkDIB dib;
        kelp::ReadPictureFile(file, dib, Plugins());
        benchmark::DoNotOptimize(dib.ScanLine(0));
    }
}
BENCHMARK(BM_ReadPictureFileJpeg)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(5);

void BM_DjpegSameFile(benchmark::State &state)
{
    const std::string &file = JpegFile();
    // The tool's own CPU time, comparable with the CPU column of the load above
    // when other programs share the machine.
    double childCpu = 0;
    for (auto _ : state) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::execl("/usr/bin/djpeg", "djpeg", "-outfile", "/dev/null", file.c_str(), static_cast<char *>(nullptr));
            ::_exit(127);
        }
        int status = 0;
        rusage usage{};
        ::wait4(pid, &status, 0, &usage);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            state.SkipWithError("djpeg failed");
        childCpu += usage.ru_utime.tv_sec * 1e3 + usage.ru_utime.tv_usec / 1e3 + usage.ru_stime.tv_sec * 1e3 +
                    usage.ru_stime.tv_usec / 1e3;
    }
    state.counters["djpeg_cpu_ms"] = childCpu / static_cast<double>(state.iterations());
}
BENCHMARK(BM_DjpegSameFile)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(5);

// Peak resident memory of one load above the resident memory before it, over
// the size of the decoded 24-bit picture.
void BM_PeakMemoryOfOneLoad(benchmark::State &state)
{
    const std::string &file = JpegFile();
    Plugins();
    double ratio = 0;
    for (auto _ : state) {
        std::ofstream("/proc/self/clear_refs") << "5"; // resets the high-water mark
        const long before = StatusKb("VmRSS:");
        {
            kelp::TNkDIB dib;
            kelp::ReadPictureFile(file, dib, Plugins());
            benchmark::DoNotOptimize(dib.ScanLine(0));
        }
        const long peak = StatusKb("VmHWM:");
        ratio = static_cast<double>(peak - before) * 1024.0 / (double(Width) * Height * 3);
    }
    state.counters["peak_over_decoded"] = ratio;
}
BENCHMARK(BM_PeakMemoryOfOneLoad)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
