// The arithmetic of a drawn frame: the background wave's phase, the frame
// counter that drives it, the end of the ball's path line.
#pragma once

#include <windows.h>

#include "FrameCanvas.h"

// Phase in whole degrees of background row `row` in frame `frameCount`.
int WavePhase(int row, int waveLength, int frameCount, int waveFrequency);

// sin(phase in degrees), with the wave's own degrees-to-radians constant (pi
// taken as 3.14).
double WaveSine(int phase);

// The frame counter after one more drawn frame.
int NextFrameCount(int frameCount);

// Where the line showing the ball's present velocity ends: the first whole step
// of that velocity from the ball's centre that reaches or passes the top or
// bottom of the client area. With no vertical velocity it ends at the centre.
POINT PathLineEnd(const RECT& ball, int velX, int velY, const RECT& client);
