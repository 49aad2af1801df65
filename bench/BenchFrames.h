// The frames the benchmark times: the game in play, each frame drawn as
// RenderFrame draws it; the straightforward drawing of the same frames; and a
// frame's steps timed one by one. The ball moves by its velocity between
// frames, turning short of the edges.
#pragma once

#include <windows.h>

#include <vector>

#include "../game/FrameCanvas.h"
#include "StepTimedCanvas.h"

// Sets the game's client area to the window's, puts the paddles at their
// places for it and the ball in play from the middle, moving on a slant so
// its path line shows.
void ServeBall(HWND window);

struct FrameTimes {
    std::vector<double> frames;    // ms, a frame from GetDC to ReleaseDC
    std::vector<double> transfer;  // ms, its copy to the window
    double lavaShare = 100.0;      // the least share of the client area a frame's lava covered
};

// Draws `frames` frames on the game's own canvas, seeded from `firstSeed` on;
// times them into `times` when it is given.
void DrawGameFrames(HWND window, int frames, unsigned firstSeed, FrameTimes* times);

// The straightforward drawing of the same frames: each game frame is followed
// by the reference drawing of the state it drew, with its own back buffer and
// one full-window copy. Gives its times, ms.
std::vector<double> TimeReferenceFrames(HWND window, int frames);

struct StepMedians {
    double steps[frameSteps] {};  // ms, the median of each step
    double total = 0;             // ms, the median of the frames' sums
};

// Draws `frames` frames on the step-timed canvas.
StepMedians TimeFrameSteps(HWND window, int frames, StepTimedCanvas<FrameCanvas>& canvas);
