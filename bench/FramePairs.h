// The frames the benchmark times: the game in play, each frame drawn as
// RenderFrame draws it on the game's own canvas (the kept buffer) and again,
// from the same state and the same random numbers, on a canvas drawn afresh;
// the straightforward drawing of the same frames; and a frame's steps timed on
// both canvases. The ball moves by its velocity between frames, turning short
// of the edges.
#pragma once

#include <windows.h>

#include <vector>

#include "../game/FrameCanvas.h"
#include "../game/FreshCanvas.h"
#include "StepTimedCanvas.h"

// Sets the game's client area to the window's, puts the paddles at their
// places for it and the ball in play from the middle, moving on a slant so
// its path line shows.
void ServeBall(HWND window);

// The share of the client area that the two lava copies of the frame just
// drawn cover.
double LavaShare();

struct PairTimes {
    std::vector<double> kept;       // ms, a frame on the game's own canvas, GetDC to ReleaseDC
    std::vector<double> fresh;      // ms, the same frame on the fresh canvas, GetDC to ReleaseDC
    std::vector<double> transfer;   // ms, the kept frame's own copy to the window
    std::vector<double> wholeCopy;  // ms, one copy of all of the kept buffer, between frames
    long long copiedPixels = 0;     // by the kept frames' transfers, all told
    double lavaShare = 100.0;       // the least share of the client area a frame's lava covered
    int compared = 0;               // frames whose two buffers were compared
    int differing = 0;              // of those, frames whose buffers differ anywhere
};

// Draws `frames` frames in pairs, kept then fresh and fresh then kept by
// turns, the pairs seeded from `firstSeed` on; times them into `times` when it
// is given.
void DrawFramePairs(HWND window, FreshCanvas& fresh, int frames, unsigned firstSeed, PairTimes* times);

// The straightforward drawing of the same frames: each frame of the game's own
// canvas is followed by the reference drawing of the state it drew, with its
// own back buffer and one full-window copy. Gives its times, ms.
std::vector<double> TimeReferenceFrames(HWND window, int frames);

struct StepMedians {
    double steps[frameSteps] {};  // ms, the median of each step
    double total = 0;             // ms, the median of the frames' sums
};

// Draws `frames` frames on both step-timed canvases, each frame on the kept
// one and then on the fresh one from the same state and random numbers.
void TimeFrameSteps(HWND window, int frames, StepTimedCanvas<FrameCanvas>& kept, StepTimedCanvas<FreshCanvas>& fresh,
                    StepMedians& keptMedians, StepMedians& freshMedians);
