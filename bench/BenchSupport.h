// What the frame benchmark measures with: the clock, medians and percentiles,
// the machine's load, the process's memory, a window to draw in, and the
// import it points elsewhere to time the transfer.
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
