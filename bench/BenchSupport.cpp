// The frame benchmark's clock, statistics, window and import stand-ins.
#include "BenchSupport.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "../game/PaddleGame.h"
#include "../tests/ImportStandIn.h"
#include "../tests/WindowClass.h"

long long frameAllocations = 0;
bool countingAllocations = false;
TransferTiming transferTiming;

// The frame path is meant to make no allocation (the canvas keeps its lists
// from frame to frame): every one made while counting is counted.
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

LONGLONG Now()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

double Milliseconds(LONGLONG ticks, LONGLONG frequency)
{
    return 1000.0 * static_cast<double>(ticks) / static_cast<double>(frequency);
}

double Median(std::vector<double> values)
{
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double Percentile(std::vector<double> values, int percent)
{
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    size_t rank = (values.size() * percent + 99) / 100;
    return values[rank == 0 ? 0 : rank - 1];
}

double PeakWorkingSetMegabytes()
{
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    return static_cast<double>(memory.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

std::string LoadAverage()
{
    // Wine's drive for the root folder reaches the Linux system's /proc.
    FILE* file = std::fopen("Z:\\proc\\loadavg", "r");
    if (file == nullptr) return "Load average: unknown";
    double loads[3] = {};
    int read = std::fscanf(file, "%lf %lf %lf", &loads[0], &loads[1], &loads[2]);
    std::fclose(file);
    if (read != 3) return "Load average: unknown";
    SYSTEM_INFO system;
    GetSystemInfo(&system);
    char text[96];
    std::snprintf(text, sizeof text, "Load average: %.2f %.2f %.2f on %lu processors", loads[0], loads[1], loads[2],
                  static_cast<unsigned long>(system.dwNumberOfProcessors));
    return text;
}

namespace {

const char benchWindowClass[] = "BrellixFrameBench";

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

using BitBltFunction = BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int, DWORD);
using ExtCreateRegionFunction = HRGN(WINAPI*)(const XFORM*, DWORD, const RGNDATA*);
using SelectClipRgnFunction = int(WINAPI*)(HDC, HRGN);
BitBltFunction realBitBlt;
ExtCreateRegionFunction realExtCreateRegion;
SelectClipRgnFunction realSelectClipRgn;

// Only the game frame's transfer makes regions and copies to the window once
// the bitmaps have been read; its other copies go to memory contexts.
BOOL WINAPI TimedBitBlt(HDC target, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                        DWORD operation)
{
    TransferTiming& timing = transferTiming;
    if (!timing.inGameFrame || GetObjectType(target) != OBJ_DC)
        return realBitBlt(target, x, y, width, height, source, sourceX, sourceY, operation);
    LONGLONG start = Now();
    BOOL result = realBitBlt(target, x, y, width, height, source, sourceX, sourceY, operation);
    timing.ticks += Now() - start;
    timing.copiedPixels += timing.regionPixels >= 0 ? timing.regionPixels : static_cast<long long>(width) * height;
    timing.regionPixels = -1;
    return result;
}

HRGN WINAPI TimedExtCreateRegion(const XFORM* transform, DWORD size, const RGNDATA* data)
{
    TransferTiming& timing = transferTiming;
    if (!timing.inGameFrame) return realExtCreateRegion(transform, size, data);
    LONGLONG start = Now();
    HRGN region = realExtCreateRegion(transform, size, data);
    timing.ticks += Now() - start;
    const RECT* rectangles = reinterpret_cast<const RECT*>(data->Buffer);
    timing.regionPixels = 0;
    for (DWORD k = 0; k < data->rdh.nCount; ++k)
        timing.regionPixels += static_cast<long long>(rectangles[k].right - rectangles[k].left) *
                               (rectangles[k].bottom - rectangles[k].top);
    return region;
}

int WINAPI TimedSelectClipRgn(HDC target, HRGN region)
{
    if (!transferTiming.inGameFrame) return realSelectClipRgn(target, region);
    LONGLONG start = Now();
    int result = realSelectClipRgn(target, region);
    transferTiming.ticks += Now() - start;
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

}  // namespace

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
    RegisterPlainWindowClass(benchWindowClass, BenchWindowProc, CS_HREDRAW | CS_VREDRAW);
    HWND window = CreateWindowExA(0, benchWindowClass, "Brellix frame benchmark", WS_OVERLAPPEDWINDOW,
                                  0, 0, 200, 200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    PumpMessages();
    return window;
}

bool TakeOverImports()
{
    realBitBlt = reinterpret_cast<BitBltFunction>(
        Replace("gdi32.dll", "BitBlt", reinterpret_cast<const void*>(&TimedBitBlt)));
    realExtCreateRegion = reinterpret_cast<ExtCreateRegionFunction>(
        Replace("gdi32.dll", "ExtCreateRegion", reinterpret_cast<const void*>(&TimedExtCreateRegion)));
    realSelectClipRgn = reinterpret_cast<SelectClipRgnFunction>(
        Replace("gdi32.dll", "SelectClipRgn", reinterpret_cast<const void*>(&TimedSelectClipRgn)));
    if (realBitBlt == nullptr || realExtCreateRegion == nullptr || realSelectClipRgn == nullptr) {
        std::fprintf(stderr, "frame_bench: cannot time the transfer (BitBlt, ExtCreateRegion or SelectClipRgn "
                             "not imported)\n");
        return false;
    }
    return true;
}
