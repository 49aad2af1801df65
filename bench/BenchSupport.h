// What the frame benchmark measures with besides the shared measures: the
// allocations and memory of the process, a window to draw in, and the import
// it points elsewhere to time the transfer.
#pragma once

#include <windows.h>

#include "Measures.h"

// C++ allocations made while countingAllocations is set.
extern long long frameAllocations;
extern bool countingAllocations;

// The most memory the process has held so far, in MB.
double PeakWorkingSetMegabytes();

// A shown window whose painting, as the game's, only validates it.
HWND CreateBenchWindow();
void PumpMessages();

// Points this program's import of BitBlt at a stand-in that times the copies
// to a window while a game frame is drawn. False, with a message on stderr,
// when BitBlt is not imported.
bool TakeOverBitBlt();

// What the frame timing reads: set inGameFrame around a game frame; the
// stand-in adds to ticks.
struct TransferTiming {
    bool inGameFrame = false;
    LONGLONG ticks = 0;  // the frame's copy to the window
};
extern TransferTiming transferTiming;
