// A canvas that times the steps of the frame drawn on it: derived from the
// canvas it times, it notes the clock wherever the drawing passes from one
// step to the next, in the order the frame's drawing takes them.
#pragma once

#include <windows.h>

#include "BenchSupport.h"

// The steps of a frame's drawing: the buffer and bitmaps checked and the
// background rows put; the tiles and paddles; the ball and its path line; the
// sparks; the score; the transfer to the window.
enum FrameStep { background, tilesAndPaddles, ballAndLine, sparks, score, transfer, frameSteps };

template <typename Canvas>
class StepTimedCanvas : public Canvas {
public:
    LONGLONG ticks[frameSteps] {};  // summed over the frames drawn since the last Clear

    void Clear()
    {
        for (LONGLONG& each : ticks) each = 0;
    }

    void BeginFrame(HDC windowDc, int frameWidth, int frameHeight, HBITMAP lavaWallBitmap, HBITMAP barrierBitmap,
                    HBITMAP particleSheetBitmap, int frameTileWidth, int frameTileHeight)
    {
        Enter(background);
        Canvas::BeginFrame(windowDc, frameWidth, frameHeight, lavaWallBitmap, barrierBitmap, particleSheetBitmap,
                           frameTileWidth, frameTileHeight);
    }

    void DrawBarrierRows()
    {
        Enter(tilesAndPaddles);
        Canvas::DrawBarrierRows();
    }

    template <typename Draw>
    void DrawWithGdi(Draw draw)
    {
        Enter(ballAndLine);
        Canvas::DrawWithGdi(draw);
    }

    // The sparks are drawn through the canvas the drawing was given, which
    // this one is; they follow the path line.
    void DrawLine(POINT from, POINT to)
    {
        Canvas::DrawLine(from, to);
        Enter(sparks);
    }

    void DrawTextAt(int x, int y, const char* text, COLORREF colour)
    {
        Enter(score);
        Canvas::DrawTextAt(x, y, text, colour);
    }

    void ShowFrame(HDC windowDc)
    {
        Enter(transfer);
        Canvas::ShowFrame(windowDc);
        Enter(frameSteps);
    }

private:
    void Enter(int step)
    {
        LONGLONG now = Now();
        if (current < frameSteps) ticks[current] += now - mark;
        mark = now;
        current = step;
    }

    int current = frameSteps;  // none
    LONGLONG mark = 0;
};
