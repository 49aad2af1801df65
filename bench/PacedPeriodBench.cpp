// Paced frame period benchmark: runs the real program, WinMain and its frame
// loop, and watches from a second thread how far apart its frames start, at
// two client sizes. The game clock's own readings give the period; the
// watcher's high-resolution clock gives a second, independent view.
#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "../app/MainWindow.h"
#include "../game/PaddleGame.h"
#include "../tests/ClientSize.h"

namespace {

const int measuredFrames = 400;
const int warmUpFrames = 30;  // the first frames at a size make its back buffer
const DWORD lateWatchMs = 8;  // longest look away that cannot miss a frame

struct ClientSize {
    int width;
    int height;
};
const ClientSize clientSizes[] = {{800, 600}, {1920, 1080}};

// The game thread writes these; the watcher only reads whole aligned words.
int FrameCount()
{
    return *static_cast<volatile int*>(&game.frameCount);
}

DWORD FrameStartTick()
{
    return *static_cast<volatile DWORD*>(&game.frameStartTick);
}

HWND MainWindow()
{
    return *static_cast<volatile HWND*>(&mainWindow);
}

double Milliseconds(LONGLONG ticks, LONGLONG frequency)
{
    return 1000.0 * static_cast<double>(ticks) / static_cast<double>(frequency);
}

struct Periods {
    std::vector<double> gameClock;  // ms, from the frames' own start readings
    std::vector<double> watcher;    // ms, when the watcher saw each frame begin
    int dropped = 0;                // periods left out: the watcher looked away too long
};

// Waits for the next frame to begin. False when the watcher looked away long
// enough that it may have missed a frame, or nothing came within 2 s: frames
// start at least 16 ms apart, so one that looks at least every 8 ms sees each.
bool NextFrame(DWORD& tick, LARGE_INTEGER& seen)
{
    DWORD last = tick;
    DWORD lastLook = timeGetTime();
    bool onTime = true;
    for (DWORD waited = lastLook; timeGetTime() - waited < 2000;) {
        Sleep(1);
        DWORD now = timeGetTime();
        if (now - lastLook > lateWatchMs) onTime = false;
        lastLook = now;
        DWORD current = FrameStartTick();
        if (current != last) {
            QueryPerformanceCounter(&seen);
            tick = current;
            return onTime;
        }
    }
    return false;
}

Periods MeasureAt(const ClientSize& size)
{
    SetClientSize(MainWindow(), size.width, size.height);
    Periods periods;
    DWORD tick = FrameStartTick();
    LARGE_INTEGER seen = {};
    for (int frame = 0; frame < warmUpFrames; ++frame) NextFrame(tick, seen);

    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    DWORD previousTick = tick;
    LARGE_INTEGER previousSeen = seen;
    bool previousOnTime = false;
    while (static_cast<int>(periods.gameClock.size()) < measuredFrames) {
        bool onTime = NextFrame(tick, seen);
        if (onTime && previousOnTime) {
            periods.gameClock.push_back(static_cast<double>(tick - previousTick));
            periods.watcher.push_back(Milliseconds(seen.QuadPart - previousSeen.QuadPart, frequency.QuadPart));
        } else {
            ++periods.dropped;
            if (periods.dropped > 10 * measuredFrames) break;
        }
        previousTick = tick;
        previousSeen = seen;
        previousOnTime = onTime;
    }
    return periods;
}

double Percentile(std::vector<double> values, double fraction)
{
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    size_t index = static_cast<size_t>(fraction * (values.size() - 1) + 0.5);
    return values[index];
}

DWORD WINAPI Watch(LPVOID)
{
    while (MainWindow() == nullptr || FrameCount() == 0) Sleep(1);
    std::printf("Paced frame period of the real frame loop, %d frames a size after %d to warm up\n",
                measuredFrames, warmUpFrames);
    std::printf("%-11s %13s %10s %16s %13s %8s\n", "client", "median (ms)", "p99 (ms)", "watcher median",
                "watcher p99", "dropped");
    for (const ClientSize& size : clientSizes) {
        Periods periods = MeasureAt(size);
        std::printf("%4d x %-4d %13.1f %10.1f %16.2f %13.2f %8d\n", size.width, size.height,
                    Percentile(periods.gameClock, 0.5), Percentile(periods.gameClock, 0.99),
                    Percentile(periods.watcher, 0.5), Percentile(periods.watcher, 0.99), periods.dropped);
        std::fflush(stdout);
    }
    PostMessageA(MainWindow(), WM_CLOSE, 0, 0);
    return 0;
}

}  // namespace

int main()
{
    HANDLE watcher = CreateThread(nullptr, 0, Watch, nullptr, 0, nullptr);
    // The program as a player starts it: window, music, setup, the frame loop
    // with its 1 ms timer period, and the shutdown after the window closes.
    int exitCode = WinMain(GetModuleHandleA(nullptr), nullptr, GetCommandLineA(), SW_SHOWNORMAL);
    WaitForSingleObject(watcher, INFINITE);
    CloseHandle(watcher);
    std::printf("The game's exit code: %d\n", exitCode);
    return 0;
}
