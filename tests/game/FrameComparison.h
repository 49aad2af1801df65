// What the identity tests compare: a game's frame, in its back buffer, with
// the straightforward drawing of the same state, pixel by pixel, and the
// sparks the two moved.
#pragma once

#include <windows.h>

#include <string>

#include "../../game/PaddleGame.h"
#include "TestSupport.h"

// The straightforward frame of `reference`, drawn into a compatible bitmap
// made for it (not shown in `window`), moving its frame counter and sparks on.
Pixels DrawReference(PaddleGame& reference, HWND window);

// What the game's frame left in its own back buffer.
Pixels GameBackBuffer(const PaddleGame& match);

// Empty when the two agree on every pixel of the width x height area from the
// top-left; otherwise how many differ and where the first one is.
std::string Difference(const Pixels& drawn, const Pixels& reference, int width, int height);

bool SameSparks(const PaddleGame& a, const PaddleGame& b);
