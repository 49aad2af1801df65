// Frame benchmark: times RenderFrame's drawing on a real window at four client
// sizes, with the game in play, at the start wave and over a still background,
// beside the straightforward drawing the identity tests keep as their
// reference; then a frame's drawing step by step. Says how much of the client
// area the lava covers.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "../game/PaddleGame.h"
#include "../tests/ClientSize.h"
#include "BenchFrames.h"
#include "BenchSupport.h"

namespace {

const int measuredFrames = 600;
const int breakdownFrames = 300;
const int warmUpFrames = 30;  // the first frames at a size make its back buffer

struct ClientSize {
    int width;
    int height;
};
const ClientSize clientSizes[] = {{800, 600}, {1920, 1080}, {2560, 1440}, {3840, 2160}};

// The wave at start, and the same wave standing still.
struct Wave {
    const char* name;
    int amplitude;
    int length;
    int frequency;
};
const Wave waves[] = {{"the start wave (amplitude 6, length 16, frequency 16)", 6, 16, 16},
                      {"amplitude 0 (the background stands still)", 0, 16, 16}};
const int waveCount = sizeof waves / sizeof waves[0];

struct SizeResult {
    ClientSize size;
    double load;  // the one-minute load average when the size's frames began
    FrameTimes times[waveCount];
    std::vector<double> reference;  // at the start wave
    double peakMegabytes;
    StepMedians steps;
};

void SetWave(const Wave& wave)
{
    game.waveAmplitude = wave.amplitude;
    game.waveLength = wave.length;
    game.waveFrequency = wave.frequency;
}

double OneMinuteLoad()
{
    std::string text = LoadAverage();
    double load = -1;
    std::sscanf(text.c_str(), "Load average: %lf", &load);
    return load;
}

std::string Label(const ClientSize& size)
{
    return std::to_string(size.width) + "x" + std::to_string(size.height);
}

void PrintFrameTable(const std::vector<SizeResult>& results, int wave)
{
    bool withReference = wave == 0;
    std::printf("\nAt %s. %s now.\n", waves[wave].name, LoadAverage().c_str());
    std::printf("%-11s %5s %6s %9s %7s %9s", "client", "load", "lava %", "median ms", "p99", "transfer");
    if (withReference) std::printf(" %8s %8s %8s %8s", "ref ms", "ref p99", "ref/game", "peak MB");
    std::printf("\n");
    for (const SizeResult& each : results) {
        const FrameTimes& times = each.times[wave];
        double median = Median(times.frames);
        std::printf("%-11s %5.2f %6.1f %9.2f %7.2f %9.2f", Label(each.size).c_str(), each.load, times.lavaShare,
                    median, Percentile(times.frames, 99), Median(times.transfer));
        double reference = Median(each.reference);
        if (withReference)
            std::printf(" %8.2f %8.2f %8.1f %8.1f", reference, Percentile(each.reference, 99), reference / median,
                        each.peakMegabytes);
        std::printf("\n");
    }
}

void PrintStepTable(const std::vector<SizeResult>& results)
{
    std::printf("\nBreakdown at %s: medians of each step of a frame's\n"
                "drawing (ms); total: the median of the frames' sums. %s now.\n"
                "Background: the buffer and bitmaps checked, then the rows.\n",
                waves[0].name, LoadAverage().c_str());
    std::printf("%-11s %11s %17s %13s %7s %7s %9s %7s\n", "client", "background", "tiles and paddles",
                "ball and line", "sparks", "score", "transfer", "total");
    for (const SizeResult& each : results) {
        const double* steps = each.steps.steps;
        std::printf("%-11s %11.3f %17.3f %13.3f %7.3f %7.3f %9.3f %7.3f\n", Label(each.size).c_str(),
                    steps[background], steps[tilesAndPaddles], steps[ballAndLine], steps[sparks], steps[score],
                    steps[transfer], each.steps.total);
    }
}

}  // namespace

int main()
{
    // The product's code is linked in unchanged; only this executable's
    // import of BitBlt is pointed elsewhere, to time the transfer.
    if (!TakeOverBitBlt()) return 1;

    HWND window = CreateBenchWindow();
    if (!SetClientSize(window, clientSizes[0].width, clientSizes[0].height)) {
        std::fprintf(stderr, "frame_bench: cannot make a %d x %d client area\n", clientSizes[0].width,
                     clientSizes[0].height);
        return 1;
    }
    game.InitGame(window);
    if (game.particleSheetBitmap == nullptr) {
        std::fprintf(stderr, "frame_bench: the game's bitmaps did not load; run it from the game folder\n");
        return 1;
    }

    std::printf("Frame work under Wine, %d frames per size and wave: the game's frames drawn as\n"
                "RenderFrame draws them, timed from GetDC to ReleaseDC. Transfer: the frame's copy\n"
                "to the window, timed inside it. Ref: the straightforward drawing of the same frames\n"
                "(same states, same random numbers), with its own back buffer and one full-window\n"
                "copy, in this run. Lava: least share of the client area the two background copies\n"
                "covered in a frame. Load: the one-minute load average when the size's frames began.\n"
                "Peak MB: the process's peak working set after the game's frames, before the\n"
                "reference's.\n",
                measuredFrames);
    std::printf("%s at the start.\n", LoadAverage().c_str());
    std::fflush(stdout);

    static StepTimedCanvas<FrameCanvas> stepTimed;
    std::vector<SizeResult> results;
    bool allSizes = true;
    for (const ClientSize& size : clientSizes) {
        if (!SetClientSize(window, size.width, size.height)) {
            std::printf("%dx%d: the screen cannot hold this client area\n", size.width, size.height);
            allSizes = false;
            continue;
        }
        static SizeResult result;
        result = SizeResult();
        result.size = size;
        result.load = OneMinuteLoad();
        SetWave(waves[0]);
        ServeBall(window);
        DrawGameFrames(window, warmUpFrames, 1000u, nullptr);
        for (int wave = 0; wave < waveCount; ++wave) {
            SetWave(waves[wave]);
            ServeBall(window);
            DrawGameFrames(window, measuredFrames, 3000u, &result.times[wave]);
        }
        result.peakMegabytes = PeakWorkingSetMegabytes();
        SetWave(waves[0]);
        result.reference = TimeReferenceFrames(window, measuredFrames);
        result.steps = TimeFrameSteps(window, breakdownFrames, stepTimed);
        stepTimed.Release();
        results.push_back(result);
        std::printf("%dx%d measured.\n", size.width, size.height);
        std::fflush(stdout);
    }

    for (int wave = 0; wave < waveCount; ++wave) PrintFrameTable(results, wave);
    PrintStepTable(results);
    std::printf("\nC++ heap allocations during the measured game frames, all sizes: %lld\n", frameAllocations);

    game.ReleaseFrameCanvas();
    DestroyWindow(window);
    return allSizes ? 0 : 1;
}
