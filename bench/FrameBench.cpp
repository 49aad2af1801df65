// Frame benchmark: times RenderFrame's drawing on a real window at four client
// sizes, with the game in play, on the game's own canvas beside the same
// frames drawn on a canvas drawn afresh every frame (every row, the whole
// copy, no marks) and the straightforward drawing the identity tests keep as
// their reference; then a frame's drawing on both canvases, step by step. Says how much of the
// client area the lava covers and how much of the window a frame copies.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "../game/PaddleGame.h"
#include "../tests/ClientSize.h"
#include "BenchSupport.h"
#include "FramePairs.h"

namespace {

const int measuredFrames = 600;
const int breakdownFrames = 300;
const int warmUpFrames = 30;  // the first frames at a size make its back buffers

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
    PairTimes pairs[waveCount];
    std::vector<double> reference;
    double peakMegabytes;
    StepMedians keptSteps;
    StepMedians freshSteps;
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

void PrintPairTable(const std::vector<SizeResult>& results, int wave)
{
    std::printf("\nAt %s. %s now.\n", waves[wave].name, LoadAverage().c_str());
    std::printf("%-11s %5s %6s %9s %7s %9s %7s %10s %9s %7s %9s\n", "client", "load", "lava %", "kept ms", "p99",
                "fresh ms", "p99", "fresh/kept", "transfer", "copied", "whole cp");
    for (const SizeResult& each : results) {
        const PairTimes& times = each.pairs[wave];
        double kept = Median(times.kept);
        double fresh = Median(times.fresh);
        double copied = 100.0 * static_cast<double>(times.copiedPixels) /
                        (static_cast<double>(each.size.width) * each.size.height * times.kept.size());
        std::printf("%-11s %5.2f %6.1f %9.2f %7.2f %9.2f %7.2f %10.2f %9.2f %6.0f%% %9.2f\n", Label(each.size).c_str(),
                    each.load, times.lavaShare, kept, Percentile(times.kept, 99), fresh, Percentile(times.fresh, 99),
                    fresh / kept, Median(times.transfer), copied, Median(times.wholeCopy));
        if (times.differing != 0)
            std::printf("  the fresh canvas's buffer differed from the kept one in %d of %d frames compared\n",
                        times.differing, times.compared);
    }
}

void PrintReferenceTable(const std::vector<SizeResult>& results)
{
    std::printf("\nThe straightforward drawing of the same frames, at %s. %s now.\n", waves[0].name,
                LoadAverage().c_str());
    std::printf("Peak MB: the process's peak working set before the reference's frames at that size:\n"
                "both canvases, and the step-timed canvases of the size before.\n");
    std::printf("%-11s %9s %9s %9s %10s %8s\n", "client", "ref ms", "ref p99", "ref/kept", "ref/fresh", "peak MB");
    for (const SizeResult& each : results) {
        double reference = Median(each.reference);
        std::printf("%-11s %9.2f %9.2f %9.1f %10.1f %8.1f\n", Label(each.size).c_str(), reference,
                    Percentile(each.reference, 99), reference / Median(each.pairs[0].kept),
                    reference / Median(each.pairs[0].fresh), each.peakMegabytes);
    }
}

void PrintStepTable(const std::vector<SizeResult>& results)
{
    std::printf("\nBreakdown at %s: medians of each step of a frame's drawing, the same\n"
                "frames on both canvases (ms); total: the median of the frames' sums. %s now.\n"
                "Background: the buffer and bitmaps checked, then the rows; tiles: on the kept buffer,\n"
                "putting back last frame's marks first, then the tiles and the paddles.\n",
                waves[0].name, LoadAverage().c_str());
    std::printf("%-11s %-6s %11s %7s %13s %7s %7s %9s %7s\n", "client", "canvas", "background", "tiles",
                "ball and line", "sparks", "score", "transfer", "total");
    for (const SizeResult& each : results) {
        for (const StepMedians* medians : {&each.keptSteps, &each.freshSteps}) {
            const double* steps = medians->steps;
            std::printf("%-11s %-6s %11.3f %7.3f %13.3f %7.3f %7.3f %9.3f %7.3f\n", Label(each.size).c_str(),
                        medians == &each.keptSteps ? "kept" : "fresh", steps[background], steps[tilesAndPaddles],
                        steps[ballAndLine], steps[sparks], steps[score], steps[transfer], medians->total);
        }
    }
}

}  // namespace

int main()
{
    // The product's code is linked in unchanged; only this executable's
    // imports of the transfer's calls are pointed elsewhere, to time them.
    if (!TakeOverImports()) return 1;

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

    std::printf("Frame work under Wine, %d frames per size and wave, the two canvases interleaved\n"
                "frame by frame so that other work on the machine falls on both alike.\n"
                "Kept: the game's own canvas, drawn as RenderFrame draws it. Fresh: the same frame\n"
                "(same state, same random numbers) drawn on a canvas that puts every row every frame\n"
                "and copies all of the buffer to the window. Each is timed from GetDC to ReleaseDC\n"
                "and goes first in every other frame.\n"
                "fresh/kept: the median fresh frame over the median kept frame. Transfer: the kept\n"
                "frame's own copy to the window (its region and its BitBlt); copied: the share of\n"
                "the window it copied. Whole cp: one BitBlt of all of the kept buffer, between frames.\n"
                "Lava: least share of the client area the two background copies covered in a frame.\n"
                "Load: the one-minute load average when the size's frames began.\n",
                measuredFrames);
    std::printf("%s at the start.\n", LoadAverage().c_str());
    std::fflush(stdout);

    static FreshCanvas fresh;
    static StepTimedCanvas<FrameCanvas> keptSteps;
    static StepTimedCanvas<FreshCanvas> freshSteps;
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
        DrawFramePairs(window, fresh, warmUpFrames, 1000u, nullptr);
        for (int wave = 0; wave < waveCount; ++wave) {
            SetWave(waves[wave]);
            ServeBall(window);
            DrawFramePairs(window, fresh, measuredFrames, 3000u, &result.pairs[wave]);
        }
        // Taken before the reference's bitmaps are made: the two canvases' memory only.
        result.peakMegabytes = PeakWorkingSetMegabytes();
        SetWave(waves[0]);
        result.reference = TimeReferenceFrames(window, measuredFrames);
        TimeFrameSteps(window, breakdownFrames, keptSteps, freshSteps, result.keptSteps, result.freshSteps);
        results.push_back(result);
        std::printf("%dx%d measured.\n", size.width, size.height);
        std::fflush(stdout);
    }

    for (int wave = 0; wave < waveCount; ++wave) PrintPairTable(results, wave);
    PrintReferenceTable(results);
    PrintStepTable(results);
    std::printf("\nC++ heap allocations during the measured kept frames, all sizes: %lld\n", frameAllocations);

    game.ReleaseFrameCanvas();
    fresh.Release();
    keptSteps.Release();
    freshSteps.Release();
    DestroyWindow(window);
    return allSizes ? 0 : 1;
}
