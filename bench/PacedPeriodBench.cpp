// Paced frame period benchmark: runs the real program, WinMain and its frame
// loop, and watches from a second thread how far apart its frames start, at
// three client sizes. The game clock's own readings give the period; the
// watcher's high-resolution clock gives a second, independent view. Beside the
// period it prints the share of one core that the game's process and the X
// server each used while the frames were measured: the game's from its own
// process times, the X server's from the system (the process whose id
// scripts/bench passes in BRELLIX_XSERVER_PID, read from /proc through Wine's
// drive for the root folder).
#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "../app/MainWindow.h"
#include "../game/PaddleGame.h"
#include "../tests/ClientSize.h"
#include "Measures.h"

namespace {

const int measuredFrames = 400;
const int warmUpFrames = 30;  // the first frames at a size make its back buffer
const DWORD lateWatchMs = 8;  // longest look away that cannot miss a frame

struct ClientSize {
    int width;
    int height;
};
const ClientSize clientSizes[] = {{800, 600}, {1920, 1080}, {3840, 2160}};

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

// CPU time this process has used, all its threads, in seconds.
double ProcessSeconds()
{
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto seconds = [](const FILETIME& time) {
        ULARGE_INTEGER value;
        value.LowPart = time.dwLowDateTime;
        value.HighPart = time.dwHighDateTime;
        return static_cast<double>(value.QuadPart) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

// CPU time the X server has used, in seconds, or a negative number when it
// cannot be read: user and system time from its /proc/<pid>/stat, counted in
// clock ticks (BRELLIX_CLOCK_TICKS per second, 100 when not given).
double XServerSeconds()
{
    const char* pid = std::getenv("BRELLIX_XSERVER_PID");
    if (pid == nullptr || *pid == '\0') return -1;
    char path[64];
    std::snprintf(path, sizeof path, "Z:\\proc\\%s\\stat", pid);
    FILE* file = std::fopen(path, "r");
    if (file == nullptr) return -1;
    char line[1024] = {};
    size_t length = std::fread(line, 1, sizeof line - 1, file);
    std::fclose(file);
    line[length] = '\0';
    // The fields after the command name, which is in parentheses and may
    // hold spaces: state is the first, utime the 12th and stime the 13th.
    const char* fields = std::strrchr(line, ')');
    unsigned long long utime = 0;
    unsigned long long stime = 0;
    if (fields == nullptr ||
        std::sscanf(fields + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &utime, &stime) != 2)
        return -1;
    const char* ticks = std::getenv("BRELLIX_CLOCK_TICKS");
    double perSecond = ticks != nullptr && std::atof(ticks) > 0 ? std::atof(ticks) : 100.0;
    return static_cast<double>(utime + stime) / perSecond;
}

struct Periods {
    std::vector<double> gameClock;  // ms, from the frames' own start readings
    std::vector<double> watcher;    // ms, when the watcher saw each frame begin
    int dropped = 0;                // periods left out: the watcher looked away too long
    double gameShare = 0;           // % of one core the game's process used meanwhile
    double xShare = -1;             // % of one core the X server used; negative: unknown
    double gameMsPerFrame = 0;      // CPU time of the game's process per frame drawn
    double xMsPerFrame = -1;        // CPU time of the X server per frame drawn; negative: unknown
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
    LARGE_INTEGER started;
    QueryPerformanceCounter(&started);
    double gameStart = ProcessSeconds();
    double xStart = XServerSeconds();
    int framesStart = FrameCount();
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
    LARGE_INTEGER ended;
    QueryPerformanceCounter(&ended);
    double wall = Milliseconds(ended.QuadPart - started.QuadPart, frequency.QuadPart) / 1000.0;
    double gameSeconds = ProcessSeconds() - gameStart;
    double xEnd = XServerSeconds();
    int frames = FrameCount() - framesStart;
    periods.gameShare = 100.0 * gameSeconds / wall;
    if (frames > 0) periods.gameMsPerFrame = 1000.0 * gameSeconds / frames;
    if (xStart >= 0 && xEnd >= 0) {
        periods.xShare = 100.0 * (xEnd - xStart) / wall;
        if (frames > 0) periods.xMsPerFrame = 1000.0 * (xEnd - xStart) / frames;
    }
    return periods;
}

// The value at `fraction` of the way through the sorted values.
double ValueAt(std::vector<double> values, double fraction)
{
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    size_t index = static_cast<size_t>(fraction * (values.size() - 1) + 0.5);
    return values[index];
}

DWORD WINAPI Watch(LPVOID)
{
    while (MainWindow() == nullptr || FrameCount() == 0) Sleep(1);
    std::printf("Paced frame period of the real frame loop, %d frames a size after %d to warm up.\n%s.\n",
                measuredFrames, warmUpFrames, LoadAverage().c_str());
    std::printf("CPU: share of one core used while the frames were measured (the game's process,\n"
                "this watcher included; the X server); 100 %% is one whole core. Also as CPU ms per\n"
                "frame drawn, which a busy machine changes less than the shares.\n");
    std::printf("%-11s %11s %8s %14s %11s %7s %6s %6s %10s %8s\n", "client", "median (ms)", "p99 (ms)",
                "watcher median", "watcher p99", "dropped", "game %", "X %", "game ms/f", "X ms/f");
    for (const ClientSize& size : clientSizes) {
        Periods periods = MeasureAt(size);
        char xShare[16] = "-";
        char xPerFrame[16] = "-";
        if (periods.xShare >= 0) std::snprintf(xShare, sizeof xShare, "%.0f", periods.xShare);
        if (periods.xMsPerFrame >= 0) std::snprintf(xPerFrame, sizeof xPerFrame, "%.2f", periods.xMsPerFrame);
        std::printf("%4d x %-4d %11.1f %8.1f %14.2f %11.2f %7d %6.0f %6s %10.2f %8s\n", size.width, size.height,
                    ValueAt(periods.gameClock, 0.5), ValueAt(periods.gameClock, 0.99),
                    ValueAt(periods.watcher, 0.5), ValueAt(periods.watcher, 0.99), periods.dropped,
                    periods.gameShare, xShare, periods.gameMsPerFrame, xPerFrame);
        std::fflush(stdout);
    }
    std::printf("%s.\n", LoadAverage().c_str());
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
