// Frame benchmark: times the real StepFrame and RenderFrame on a real window at
// four client sizes, with the game in play, and the floor a frame cannot go
// below: one full-window copy of a finished back buffer to the window.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <vector>

#include "../game/PaddleGame.h"
#include "../tests/ClientSize.h"

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

// Points this program's import of `functionName` from `dllName` at
// `replacement`. The product's code is linked in unchanged; only the import
// table of this executable is rewritten. False when the import was not found.
bool ReplaceImport(const char* dllName, const char* functionName, ULONG_PTR replacement)
{
    BYTE* base = reinterpret_cast<BYTE*>(GetModuleHandleA(nullptr));
    IMAGE_DOS_HEADER* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    IMAGE_NT_HEADERS* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) return false;
    IMAGE_IMPORT_DESCRIPTOR* library = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress);
    for (; library->Name != 0; ++library) {
        if (lstrcmpiA(reinterpret_cast<char*>(base + library->Name), dllName) != 0) continue;
        if (library->OriginalFirstThunk == 0) continue;  // no names to go by
        IMAGE_THUNK_DATA* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->OriginalFirstThunk);
        IMAGE_THUNK_DATA* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + library->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            IMAGE_IMPORT_BY_NAME* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (lstrcmpA(reinterpret_cast<char*>(byName->Name), functionName) != 0) continue;
            DWORD protection;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &protection);
            slots->u1.Function = replacement;
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
            return true;
        }
    }
    return false;
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

}  // namespace

int main()
{
    if (!ReplaceImport("kernel32.dll", "Sleep", reinterpret_cast<ULONG_PTR>(&NoteInsteadOfSleep))) {
        std::fprintf(stderr, "frame_bench: cannot take over the pacing sleep (no Sleep import found)\n");
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
                "Floor: one full-window BitBlt of a finished back buffer to the window.\n\n",
                measuredFrames);
    std::printf("%-11s %10s %8s %13s %10s %13s %11s\n", "client", "median ms", "p99 ms", "floor median", "floor p99",
                "median/floor", "peak WS MB");
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
        }
        // Taken before the floor's own bitmap is made: the game's memory only.
        double peakMegabytes = PeakWorkingSetMegabytes();

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
        std::printf("%-11s %10.2f %8.2f %13.2f %10.2f %13.1f %11.1f\n", label, median, Percentile(work, 99),
                    floorMedian, Percentile(floor, 99), median / floorMedian, peakMegabytes);
        std::fflush(stdout);
    }

    game.ReleaseFrameCanvas();
    DestroyWindow(window);
    return allSizes ? 0 : 1;
}
