// Frame benchmark: times the real StepFrame and RenderFrame on a real window at
// four client sizes, with the game in play: each frame whole and its transfer
// to the window within it, one full-window copy of the finished buffer
// between frames, the straightforward drawing of the same frames, and a
// breakdown of a frame's drawing into its steps. Says how much of the client
// area the lava covers and how much of the window a frame copies.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "../game/FrameCanvasParts.h"
#include "../game/PaddleGame.h"
#include "../game/SafeArithmetic.h"
#include "../tests/ClientSize.h"
#include "../tests/ImportStandIn.h"
#include "../tests/game/ReferenceRenderer.h"

// C++ allocations made while a measured game frame runs: the frame path is
// meant to make none (the canvas keeps its lists from frame to frame).
static long long frameAllocations = 0;
static bool countingAllocations = false;

void* operator new(size_t size)
{
    if (countingAllocations) ++frameAllocations;
    void* block = std::malloc(size == 0 ? 1 : size);
    if (block == nullptr) throw std::bad_alloc();
    return block;
}

void operator delete(void* block) noexcept
{
    std::free(block);
}

void operator delete(void* block, size_t) noexcept
{
    std::free(block);
}

namespace {

const int measuredFrames = 600;
const int breakdownFrames = 300;
const int warmUpFrames = 30;  // the first frames at a size make its back buffer

struct ClientSize {
    int width;
    int height;
};
const ClientSize clientSizes[] = {{800, 600}, {1920, 1080}, {2560, 1440}, {3840, 2160}};

const char benchWindowClass[] = "BrellixFrameBench";

LARGE_INTEGER pacingStart;   // when the frame asked for its pacing sleep
bool pacingAsked = false;

// Stands in for Sleep in this program: the frame's work ends where its pacing
// sleep would begin, and the next frame follows at once.
void WINAPI NoteInsteadOfSleep(DWORD)
{
    QueryPerformanceCounter(&pacingStart);
    pacingAsked = true;
}

// The transfer inside the game's frames: the time its region and its copy
// take, and the pixels it copies. Only the frame's transfer makes regions and
// copies to the window once the bitmaps have been read.
bool inGameFrame = false;
LONGLONG transferTicks = 0;
long long copiedPixels = 0;
long long regionPixels = -1;  // the area of the region just made; -1: none

using BitBltFunction = BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int, DWORD);
using ExtCreateRegionFunction = HRGN(WINAPI*)(const XFORM*, DWORD, const RGNDATA*);
using SelectClipRgnFunction = int(WINAPI*)(HDC, HRGN);
BitBltFunction realBitBlt;
ExtCreateRegionFunction realExtCreateRegion;
SelectClipRgnFunction realSelectClipRgn;

LONGLONG Now()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

BOOL WINAPI TimedBitBlt(HDC target, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                        DWORD operation)
{
    // The frame's other copies (reading the bitmaps) go to memory contexts.
    if (!inGameFrame || GetObjectType(target) != OBJ_DC)
        return realBitBlt(target, x, y, width, height, source, sourceX, sourceY, operation);
    LONGLONG start = Now();
    BOOL result = realBitBlt(target, x, y, width, height, source, sourceX, sourceY, operation);
    transferTicks += Now() - start;
    copiedPixels += regionPixels >= 0 ? regionPixels : static_cast<long long>(width) * height;
    regionPixels = -1;
    return result;
}

HRGN WINAPI TimedExtCreateRegion(const XFORM* transform, DWORD size, const RGNDATA* data)
{
    if (!inGameFrame) return realExtCreateRegion(transform, size, data);
    LONGLONG start = Now();
    HRGN region = realExtCreateRegion(transform, size, data);
    transferTicks += Now() - start;
    const RECT* rectangles = reinterpret_cast<const RECT*>(data->Buffer);
    regionPixels = 0;
    for (DWORD k = 0; k < data->rdh.nCount; ++k)
        regionPixels += static_cast<long long>(rectangles[k].right - rectangles[k].left) *
                        (rectangles[k].bottom - rectangles[k].top);
    return region;
}

int WINAPI TimedSelectClipRgn(HDC target, HRGN region)
{
    if (!inGameFrame) return realSelectClipRgn(target, region);
    LONGLONG start = Now();
    int result = realSelectClipRgn(target, region);
    transferTicks += Now() - start;
    return result;
}

// Points this program's import of `name` at `replacement`; gives back the
// real function, or 0 when there is no such import.
ULONG_PTR Replace(const char* dll, const char* name, const void* replacement)
{
    ULONG_PTR* slot = FindImportSlot(dll, name);
    if (slot == nullptr) return 0;
    ULONG_PTR real = *slot;
    StoreInSlot(slot, reinterpret_cast<ULONG_PTR>(replacement));
    return real;
}

LRESULT CALLBACK BenchWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT) {
        // As in the game: frames are drawn by the frame step only.
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        game.WindowPainted();
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void PumpMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

HWND CreateBenchWindow()
{
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = BenchWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = benchWindowClass;
    RegisterClassExA(&windowClass);
    HWND window = CreateWindowExA(0, benchWindowClass, "Brellix frame benchmark", WS_OVERLAPPEDWINDOW,
                                  0, 0, 200, 200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    PumpMessages();
    return window;
}

double Milliseconds(LONGLONG ticks, LONGLONG frequency)
{
    return 1000.0 * static_cast<double>(ticks) / static_cast<double>(frequency);
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// Nearest-rank percentile.
double Percentile(std::vector<double> values, int percent)
{
    std::sort(values.begin(), values.end());
    size_t rank = (values.size() * percent + 99) / 100;
    return values[rank == 0 ? 0 : rank - 1];
}

// The most memory the process has held so far; the sizes grow, so after a
// size's frames it is that size's peak.
double PeakWorkingSetMegabytes()
{
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    return static_cast<double>(memory.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

// Puts the ball in play from the middle, moving on a slant so its path line shows.
void ServeBall()
{
    CentreBall(game.ball, game.clientRect);
    game.ballVelX = 15;
    game.ballVelY = 4;
}

// The share of the client area that the two lava copies of the frame just
// drawn cover, worked out from the rows' copies as a frame places them: row y
// shows the wall's row y, so rows below the wall show none.
double LavaShare()
{
    int width = game.clientRect.right;
    int height = game.clientRect.bottom;
    int wallWidth = game.lavaWallInfo.bmWidth;
    int copyWidth = wallWidth - 1;
    long long covered = 0;
    for (int y = 0; y < height && y < game.lavaWallInfo.bmHeight; ++y) {
        double angle = WavePhase(y, game.waveLength, game.frameCount, game.waveFrequency) * (3.14 / 180);
        double shift = std::sin(angle) * game.waveAmplitude;
        long long first = TruncCoordinate(shift - 64);
        long long second = TruncCoordinate(shift + (wallWidth - 65));
        // The copies are side by side or overlap: together they span from the
        // first's start to the second's end unless a gap lies between them.
        long long begin = std::max(0LL, first);
        long long end = std::min<long long>(width, second + copyWidth);
        long long gap = std::max(0LL, std::min<long long>(width, second) - std::max(0LL, first + copyWidth));
        if (end > begin) covered += end - begin - gap;
    }
    return 100.0 * static_cast<double>(covered) / (static_cast<double>(width) * height);
}

// What a frame's drawing changes in the game besides the window: the sparks
// and the frame counter.
struct DrawnState {
    SparkPair sparks[3][sparksPerSystem];
    int frameCount;
};

void SaveDrawnState(DrawnState& state)
{
    std::memcpy(state.sparks[0], game.ballSparks, sizeof game.ballSparks);
    std::memcpy(state.sparks[1], game.rightWallSparks, sizeof game.rightWallSparks);
    std::memcpy(state.sparks[2], game.leftWallSparks, sizeof game.leftWallSparks);
    state.frameCount = game.frameCount;
}

void RestoreDrawnState(const DrawnState& state)
{
    std::memcpy(game.ballSparks, state.sparks[0], sizeof game.ballSparks);
    std::memcpy(game.rightWallSparks, state.sparks[1], sizeof game.rightWallSparks);
    std::memcpy(game.leftWallSparks, state.sparks[2], sizeof game.leftWallSparks);
    game.frameCount = state.frameCount;
}

// The straightforward frame: a back buffer made for it, drawn, copied whole to
// the window and given back, as the identity tests' reference draws it.
void DrawStraightforwardFrame(HWND window)
{
    int width = game.clientRect.right;
    int height = game.clientRect.bottom;
    HDC windowDc = GetDC(window);
    HDC backBufferDc = CreateCompatibleDC(windowDc);
    HBITMAP backBuffer = CreateCompatibleBitmap(windowDc, width, height);
    HGDIOBJ saved = SelectObject(backBufferDc, backBuffer);
    DrawReferenceFrame(game, windowDc, backBufferDc);
    BitBlt(windowDc, 0, 0, width, height, backBufferDc, 0, 0, SRCCOPY);
    SelectObject(backBufferDc, saved);
    DeleteObject(backBuffer);
    DeleteDC(backBufferDc);
    ReleaseDC(window, windowDc);
}

// A frame's drawing step by step, in RenderFrame's order and through the same
// canvas operations, each step timed: the background rows (with the frame's
// buffer and bitmaps checked first), the tiles and paddles (the first step
// after the background puts it back under last frame's marks), the ball and
// its path line, the sparks, the score, and the transfer. The ball moves by
// its velocity, as in play. Keep it in step with RenderFrame.
struct Steps {
    double background;
    double marksTilesPaddles;
    double ballAndLine;
    double sparks;
    double score;
    double transfer;
};

double StepMs(LONGLONG& mark, LONGLONG frequency)
{
    LONGLONG now = Now();
    double ms = Milliseconds(now - mark, frequency);
    mark = now;
    return ms;
}

Steps ReplayFrame(HWND window, LONGLONG frequency)
{
    PaddleGame& g = game;
    int width = g.clientRect.right;
    int height = g.clientRect.bottom;
    OffsetRect(&g.ball, g.ballVelX, g.ballVelY);
    if (g.ball.top < 40 || g.ball.bottom > height - 40) g.ballVelY = -g.ballVelY;
    if (g.ball.left < 40 || g.ball.right > width - 40) g.ballVelX = -g.ballVelX;
    Steps steps = {};
    HDC windowDc = GetDC(window);
    FrameCanvas& canvas = g.frameCanvas;
    LONGLONG mark = Now();
    canvas.BeginFrame(windowDc, width, height, g.lavaWallBitmap, g.barrierBitmap, g.particleSheetBitmap,
                      g.barrierInfo.bmWidth, g.barrierInfo.bmHeight);
    g.frameCount = NextFrameCount(g.frameCount);
    int rowWidth = g.lavaWallInfo.bmWidth - 1;
    for (int y = 0; y < height; ++y) {
        double shift = WaveSine(WavePhase(y, g.waveLength, g.frameCount, g.waveFrequency)) * g.waveAmplitude;
        canvas.PutBackgroundRow(y, TruncCoordinate(shift - 64), TruncCoordinate(shift + (g.lavaWallInfo.bmWidth - 65)),
                                rowWidth);
    }
    steps.background = StepMs(mark, frequency);
    canvas.DrawBarrierRows();
    for (int k = 0; k < 10; ++k) {
        canvas.CopyBlock(g.leftPaddle.left, g.leftPaddle.top + 10 * k, 20, 10, CanvasSource::Barrier, 0, 0);
        canvas.CopyBlock(g.rightPaddle.left, g.rightPaddle.top + 10 * k, 20, 10, CanvasSource::Barrier, 0, 0);
    }
    steps.marksTilesPaddles = StepMs(mark, frequency);
    const RECT ball = g.ball;
    canvas.DrawWithGdi(ball, [&ball](HDC dc) { Ellipse(dc, ball.left, ball.top, ball.right, ball.bottom); });
    canvas.DrawLine({ball.left + 10, ball.top + 10}, PathLineEnd(ball, g.ballVelX, g.ballVelY, g.clientRect));
    steps.ballAndLine = StepMs(mark, frequency);
    g.DrawAndStepSparks(canvas);
    steps.sparks = StepMs(mark, frequency);
    char text[30];
    wsprintfA(text, "%d to %d", g.leftScore, g.rightScore);
    canvas.DrawTextAt(width / 2, 16, text, RGB(255, 255, 255));
    steps.score = StepMs(mark, frequency);
    canvas.ShowFrame(window, windowDc);
    steps.transfer = StepMs(mark, frequency);
    ReleaseDC(window, windowDc);
    return steps;
}

}  // namespace

int main()
{
    // The product's code is linked in unchanged; only this executable's
    // imports are pointed elsewhere: Sleep, to skip the pacing sleep, and the
    // transfer's calls, to time them.
    if (Replace("kernel32.dll", "Sleep", reinterpret_cast<const void*>(&NoteInsteadOfSleep)) == 0) {
        std::fprintf(stderr, "frame_bench: cannot take over the pacing sleep (no Sleep import found)\n");
        return 1;
    }
    realBitBlt = reinterpret_cast<BitBltFunction>(Replace("gdi32.dll", "BitBlt", reinterpret_cast<const void*>(&TimedBitBlt)));
    realExtCreateRegion = reinterpret_cast<ExtCreateRegionFunction>(
        Replace("gdi32.dll", "ExtCreateRegion", reinterpret_cast<const void*>(&TimedExtCreateRegion)));
    realSelectClipRgn = reinterpret_cast<SelectClipRgnFunction>(
        Replace("gdi32.dll", "SelectClipRgn", reinterpret_cast<const void*>(&TimedSelectClipRgn)));
    if (realBitBlt == nullptr || realExtCreateRegion == nullptr || realSelectClipRgn == nullptr) {
        std::fprintf(stderr, "frame_bench: cannot time the transfer (BitBlt, ExtCreateRegion or SelectClipRgn not imported)\n");
        return 1;
    }
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);

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
    // Nobody wins during the benchmark: the prompt would stop it.
    game.winningScore = INT_MAX;

    std::printf("Frame work under Wine: real StepFrame and RenderFrame, %d frames per size,\n"
                "timed from the frame's start to its pacing sleep (which is skipped).\n"
                "Transfer: the frame's own copy to the window (its region and its BitBlt), timed inside\n"
                "the frame; copied: the share of the window it copied, on average.\n"
                "Whole copy: one BitBlt of all of the finished buffer to the window, timed between frames.\n"
                "Reference: the straightforward drawing of the same frames (same states, same\n"
                "random numbers), with its own back buffer and one full-window copy, in this run.\n"
                "Lava: least share of the client area the two background copies covered in a frame.\n"
                "Peak WS: the process's peak working set after the game's frames, before the reference's.\n\n",
                measuredFrames);
    std::printf("%-11s %6s %9s %7s %9s %7s %9s %11s %9s %8s %8s\n", "client", "lava %", "median ms", "p99 ms",
                "transfer", "copied", "whole cp", "median/whole", "ref ms", "ref/game", "peak MB");
    std::fflush(stdout);

    struct Breakdown {
        ClientSize size;
        Steps median;
        double total;
    };
    std::vector<Breakdown> breakdowns;
    bool allSizes = true;
    for (const ClientSize& size : clientSizes) {
        if (!SetClientSize(window, size.width, size.height)) {
            std::printf("%5dx%-5d  the screen cannot hold this client area\n", size.width, size.height);
            allSizes = false;
            continue;
        }
        ServeBall();
        for (int frame = 0; frame < warmUpFrames; ++frame) {
            PumpMessages();
            game.StepFrame(window);
        }
        // StepFrame has scaled the ball to the new size; serve it afresh.
        ServeBall();

        // The game's loop handles the waiting messages before every frame;
        // so do both loops here. Between two frames, one copy of all of the
        // finished buffer to the window, which already shows it.
        std::vector<double> work;
        std::vector<double> transfer;
        std::vector<double> wholeCopy;
        long long copiedTotal = 0;
        double lavaShare = 100.0;
        for (int frame = 0; frame < measuredFrames; ++frame) {
            PumpMessages();
            pacingAsked = false;
            transferTicks = 0;
            copiedPixels = 0;
            regionPixels = -1;
            inGameFrame = true;
            countingAllocations = true;
            LONGLONG start = Now();
            game.StepFrame(window);
            LONGLONG end = Now();
            countingAllocations = false;
            inGameFrame = false;
            work.push_back(Milliseconds((pacingAsked ? pacingStart.QuadPart : end) - start, frequency.QuadPart));
            transfer.push_back(Milliseconds(transferTicks, frequency.QuadPart));
            copiedTotal += copiedPixels;
            lavaShare = std::min(lavaShare, LavaShare());

            HDC windowDc = GetDC(window);
            start = Now();
            BitBlt(windowDc, 0, 0, size.width, size.height, game.frameCanvas.Context(), 0, 0, SRCCOPY);
            GdiFlush();
            wholeCopy.push_back(Milliseconds(Now() - start, frequency.QuadPart));
            ReleaseDC(window, windowDc);
        }
        // Taken before the reference's bitmaps are made: the game's memory only.
        double peakMegabytes = PeakWorkingSetMegabytes();

        // The same frames drawn the straightforward way: each game frame is
        // followed by the reference drawing of the state it drew, from the
        // same sparks, frame counter and random numbers.
        static DrawnState before;
        static DrawnState after;
        std::vector<double> reference;
        for (int frame = 0; frame < measuredFrames; ++frame) {
            PumpMessages();
            unsigned seed = 5000u + static_cast<unsigned>(frame);
            SaveDrawnState(before);
            srand(seed);
            game.StepFrame(window);
            SaveDrawnState(after);
            RestoreDrawnState(before);
            srand(seed);
            LONGLONG start = Now();
            DrawStraightforwardFrame(window);
            reference.push_back(Milliseconds(Now() - start, frequency.QuadPart));
            RestoreDrawnState(after);
        }
        game.WindowPainted();  // the window holds the reference's frame now
        for (int frame = 0; frame < 3; ++frame) game.StepFrame(window);

        std::vector<double> steps[6];
        std::vector<double> totals;
        for (int frame = 0; frame < breakdownFrames; ++frame) {
            PumpMessages();
            Steps timed = ReplayFrame(window, frequency.QuadPart);
            double parts[6] = {timed.background, timed.marksTilesPaddles, timed.ballAndLine, timed.sparks, timed.score,
                               timed.transfer};
            double total = 0;
            for (int k = 0; k < 6; ++k) {
                steps[k].push_back(parts[k]);
                total += parts[k];
            }
            totals.push_back(total);
        }
        Breakdown breakdown = {size,
                               {Median(steps[0]), Median(steps[1]), Median(steps[2]), Median(steps[3]),
                                Median(steps[4]), Median(steps[5])},
                               Median(totals)};
        breakdowns.push_back(breakdown);

        double median = Median(work);
        double wholeMedian = Median(wholeCopy);
        double copiedShare = 100.0 * static_cast<double>(copiedTotal) /
                             (static_cast<double>(size.width) * size.height * measuredFrames);
        char label[32];
        std::snprintf(label, sizeof label, "%dx%d", size.width, size.height);
        double referenceMedian = Median(reference);
        std::printf("%-11s %6.1f %9.2f %7.2f %9.2f %6.0f%% %9.2f %11.2f %9.2f %8.1f %8.1f\n", label, lavaShare, median,
                    Percentile(work, 99), Median(transfer), copiedShare, wholeMedian, median / wholeMedian,
                    referenceMedian, referenceMedian / median, peakMegabytes);
        std::fflush(stdout);
    }

    std::printf("\nBreakdown: medians of each step of a frame's drawing, replayed step by step in the\n"
                "game's order on the same game (ms); total: the median of the replayed frames' sums.\n"
                "Background: the buffer and bitmaps checked, then the rows; marks: putting back last\n"
                "frame's marks, the tiles, the paddles.\n");
    std::printf("%-11s %11s %7s %13s %7s %7s %9s %7s\n", "client", "background", "marks", "ball and line", "sparks",
                "score", "transfer", "total");
    for (const Breakdown& each : breakdowns) {
        char label[32];
        std::snprintf(label, sizeof label, "%dx%d", each.size.width, each.size.height);
        std::printf("%-11s %11.3f %7.3f %13.3f %7.3f %7.3f %9.3f %7.3f\n", label, each.median.background,
                    each.median.marksTilesPaddles, each.median.ballAndLine, each.median.sparks, each.median.score,
                    each.median.transfer, each.total);
    }
    std::printf("\nC++ heap allocations during the measured game frames, all sizes: %lld\n", frameAllocations);

    game.ReleaseFrameCanvas();
    DestroyWindow(window);
    return allSizes ? 0 : 1;
}
