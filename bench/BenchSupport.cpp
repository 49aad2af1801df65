// The frame benchmark's clock, statistics, window and import stand-ins.
#include "BenchSupport.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <new>

#include "../tests/ImportStandIn.h"
#include "../tests/WindowClass.h"

long long frameAllocations = 0;
bool countingAllocations = false;
TransferTiming transferTiming;

// The frame path is meant to make no allocation (the canvas keeps its buffer
// and the bitmaps' pixels): every one made while counting is counted.
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

double PeakWorkingSetMegabytes()
{
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    return static_cast<double>(memory.PeakWorkingSetSize) / (1024.0 * 1024.0);
}

namespace {

const char benchWindowClass[] = "BrellixFrameBench";

using BitBltFunction = BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int, DWORD);
BitBltFunction realBitBlt;

// The frame's other copies (reading the bitmaps) go to memory contexts.
BOOL WINAPI TimedBitBlt(HDC target, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
                        DWORD operation)
{
    if (!transferTiming.inGameFrame || GetObjectType(target) != OBJ_DC)
        return realBitBlt(target, x, y, width, height, source, sourceX, sourceY, operation);
    LONGLONG start = Now();
    BOOL result = realBitBlt(target, x, y, width, height, source, sourceX, sourceY, operation);
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
    // The default painting only validates the window.
    RegisterPlainWindowClass(benchWindowClass, DefWindowProcA, CS_HREDRAW | CS_VREDRAW);
    HWND window = CreateWindowExA(0, benchWindowClass, "Brellix frame benchmark", WS_OVERLAPPEDWINDOW,
                                  0, 0, 200, 200, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    PumpMessages();
    return window;
}

bool TakeOverBitBlt()
{
    realBitBlt = reinterpret_cast<BitBltFunction>(
        Replace("gdi32.dll", "BitBlt", reinterpret_cast<const void*>(&TimedBitBlt)));
    if (realBitBlt == nullptr) {
        std::fprintf(stderr, "frame_bench: cannot time the transfer (BitBlt not imported)\n");
        return false;
    }
    return true;
}
