// Frame benchmark: times the real StepFrame and RenderFrame on a real window at
// four client sizes, with the game in play, the floor a frame cannot go below
// (one full-window copy of a finished back buffer to the window), and the
// straightforward drawing of the same frames, and says how much of the client
// area the lava covers.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "../game/PaddleGame.h"
#include "../game/SafeArithmetic.h"
#include "../tests/ClientSize.h"
#include "../tests/ImportStandIn.h"
#include "../tests/game/ReferenceRenderer.h"

namespace {

const int measuredFrames = 600;
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

}  // namespace

int main()
{
    // The product's code is linked in unchanged; only this executable's import
    // of Sleep is pointed elsewhere.
    ULONG_PTR* sleepSlot = FindImportSlot("kernel32.dll", "Sleep");
    if (sleepSlot == nullptr) {
        std::fprintf(stderr, "frame_bench: cannot take over the pacing sleep (no Sleep import found)\n");
        return 1;
    }
    StoreInSlot(sleepSlot, reinterpret_cast<ULONG_PTR>(&NoteInsteadOfSleep));
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
                "Floor: one full-window BitBlt of a finished back buffer to the window.\n"
                "Reference: the straightforward drawing of the same frames (same states, same\n"
                "random numbers), with its own back buffer and one full-window copy, in this run.\n"
                "Lava: least share of the client area the two background copies covered in a frame.\n"
                "Peak WS: the process's peak working set after the game's frames, before the reference's.\n\n",
                measuredFrames);
    std::printf("%-11s %7s %10s %8s %13s %10s %13s %10s %9s %11s\n", "client", "lava %", "median ms", "p99 ms",
                "floor median", "floor p99", "median/floor", "ref median", "ref/game", "peak WS MB");
    std::fflush(stdout);

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
        // so do both loops here.
        std::vector<double> work;
        double lavaShare = 100.0;
        for (int frame = 0; frame < measuredFrames; ++frame) {
            PumpMessages();
            LARGE_INTEGER start;
            LARGE_INTEGER end;
            pacingAsked = false;
            QueryPerformanceCounter(&start);
            game.StepFrame(window);
            QueryPerformanceCounter(&end);
            LONGLONG ticks = (pacingAsked ? pacingStart.QuadPart : end.QuadPart) - start.QuadPart;
            work.push_back(Milliseconds(ticks, frequency.QuadPart));
            lavaShare = std::min(lavaShare, LavaShare());
        }
        // Taken before the floor's and the reference's bitmaps are made: the
        // game's memory only.
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
            LARGE_INTEGER start;
            LARGE_INTEGER end;
            QueryPerformanceCounter(&start);
            DrawStraightforwardFrame(window);
            QueryPerformanceCounter(&end);
            reference.push_back(Milliseconds(end.QuadPart - start.QuadPart, frequency.QuadPart));
            RestoreDrawnState(after);
        }
        game.WindowPainted();  // the window holds the reference's frame now

        // The finished frame is the one the game left in the window.
        HDC windowDc = GetDC(window);
        HDC finishedDc = CreateCompatibleDC(windowDc);
        HBITMAP finishedBitmap = CreateCompatibleBitmap(windowDc, size.width, size.height);
        HGDIOBJ previousObject = SelectObject(finishedDc, finishedBitmap);
        BitBlt(finishedDc, 0, 0, size.width, size.height, windowDc, 0, 0, SRCCOPY);
        std::vector<double> floor;
        for (int copy = 0; copy < measuredFrames; ++copy) {
            PumpMessages();
            LARGE_INTEGER start;
            LARGE_INTEGER end;
            QueryPerformanceCounter(&start);
            BitBlt(windowDc, 0, 0, size.width, size.height, finishedDc, 0, 0, SRCCOPY);
            QueryPerformanceCounter(&end);
            floor.push_back(Milliseconds(end.QuadPart - start.QuadPart, frequency.QuadPart));
        }

        SelectObject(finishedDc, previousObject);
        DeleteObject(finishedBitmap);
        DeleteDC(finishedDc);
        ReleaseDC(window, windowDc);

        double median = Median(work);
        double floorMedian = Median(floor);
        char label[32];
        std::snprintf(label, sizeof label, "%dx%d", size.width, size.height);
        double referenceMedian = Median(reference);
        std::printf("%-11s %7.1f %10.2f %8.2f %13.2f %10.2f %13.2f %10.2f %9.1f %11.1f\n", label, lavaShare, median,
                    Percentile(work, 99), floorMedian, Percentile(floor, 99), median / floorMedian, referenceMedian,
                    referenceMedian / median, peakMegabytes);
        std::fflush(stdout);
    }

    game.ReleaseFrameCanvas();
    DestroyWindow(window);
    return allSizes ? 0 : 1;
}
