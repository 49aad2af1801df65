// What the frame-rendering tests share: one match drawn straight into its own
// window, and the score text as the platform draws it, to compare with.
#pragma once

#include <gtest/gtest.h>

#include "../../game/PaddleGame.h"
#include "TestSupport.h"

const COLORREF white = RGB(255, 255, 255);
const COLORREF black = RGB(0, 0, 0);

// The ball stands at the centre, the paddles where InitGame puts them (rows
// 100 to 200) and every spark out of sight, so each test sees only what it
// sets up.
class FrameRendering : public MatchInWindow {
protected:
    void Open(int width, int height)
    {
        MatchInWindow::Open(width, height);
        match->InitGame(window);
        ASSERT_EQ(width, match->clientRect.right);
        ASSERT_EQ(height, match->clientRect.bottom);
        match->ballVelX = 0;
        match->ballVelY = 0;
        ParkSparks(*match);
    }

    // A frame started a second ago has no time left to sleep out.
    void Render()
    {
        match->frameStartTick = timeGetTime() - 1000;
        match->RenderFrame(window);
    }

    void PlaceBall(int left, int top) { match->ball = {left, top, left + 20, top + 20}; }
};

// The score text alone, white on black, drawn in a fresh context of the kind
// the game draws into: 200 x 60 pixels, the text's top-left corner at (0, 0).
Pixels ReferenceScoreText(const char* text);

// Pixels of the score's place in an 800-pixel-wide window, from (400, 16),
// that are white where `text` is not, or the other way round.
int ScoreTextMismatches(const Pixels& shown, const char* text);
