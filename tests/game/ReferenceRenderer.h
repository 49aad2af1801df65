// The frame drawn the straightforward way, kept as the reference the game's
// own drawing must match pixel for pixel: memory contexts made for the frame,
// two one-row copies per client row, one copy per tile and one per spark.
#pragma once

#include <windows.h>

class PaddleGame;

// Draws one frame of `match` into `target`, a memory context holding a bitmap
// made for this frame with CreateCompatibleBitmap(windowDc, clientRect.right,
// clientRect.bottom), and moves frameCount and the sparks on as a frame does.
// Draws the same random numbers in the same order as the game's frame.
void DrawReferenceFrame(PaddleGame& match, HDC windowDc, HDC target);

// The same frame in a compatible bitmap made for it, as the straightforward
// frame makes its back buffer; copied whole to `window` in one BitBlt when
// `show` is set. Gives back the bitmap, selected into no context: the caller
// reads it or not, then deletes it.
HBITMAP DrawReferenceBuffer(PaddleGame& match, HWND window, bool show);
