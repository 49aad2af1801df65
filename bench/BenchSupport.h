// What the frame benchmark measures with: the clock, medians and percentiles,
// the machine's load, the process's memory, a window to draw in, and the
// imports it points elsewhere to time the transfer.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// C++ allocations made while countingAllocations is set.
extern long long frameAllocations;
extern bool countingAllocations;

LONGLONG Now();
double Milliseconds(LONGLONG ticks, LONGLONG frequency);
double Median(std::vector<double> values);
double Percentile(std::vector<double> values, int percent);  // nearest rank

// The most memory the process has held so far, in MB.
double PeakWorkingSetMegabytes();

// "Load average: 1.23 0.98 0.75 on 2 processors", read from the Linux
// system under Wine; "Load average: unknown" elsewhere.
std::string LoadAverage();

// A shown window whose WM_PAINT does what the game's window procedure does.
HWND CreateBenchWindow();
void PumpMessages();

// Points this program's imports of BitBlt, ExtCreateRegion and SelectClipRgn
// at stand-ins that time them while a frame of the game's own canvas is drawn.
// False, with a message on stderr, when one of them is not imported.
bool TakeOverImports();

// What the frame timing reads: set inGameFrame around a frame of the game's
// own canvas; the rest the stand-ins fill in.
struct TransferTiming {
    bool inGameFrame = false;
    LONGLONG ticks = 0;         // the transfer's region and copy inside the frame
    long long copiedPixels = 0;
    long long regionPixels = -1;  // the area of the region just made; -1: none
};
extern TransferTiming transferTiming;
