// The game object: the whole state of a match between two paddles and a ball,
// the bitmaps a frame is drawn from, and the operations that set it up, step it,
// draw it and connect it to the window, the menu, the files and the music.
#pragma once

#include <windows.h>

#include "../document/Document.h"
#include "FrameRendering.h"
#include "Sparks.h"

class PaddleGame : public Document {
public:
    // Every field starts zero, false or null, as a match does before InitGame.
    PaddleGame();
    // Gives back the frame canvas and the three loaded bitmaps.
    ~PaddleGame() override;

    // Setup and match state (GameSetup.cpp)
    void InitGame(HWND window);
    void Reset() override;
    int GetWinner() const;  // 1 or 2 for the winning player, -1 while nobody has won
    // Ball at the middle of the client area, paddles at its centre row.
    void PlaceBallAndPaddles();

    // One frame: simulation, then drawing and pacing (FrameStep.cpp, FrameRendering.cpp)
    void StepFrame(HWND window);
    void RenderFrame(HWND window);
    // Gives back the back buffer, its context and the bitmaps' pixels kept
    // from frame to frame; the next frame makes them again.
    void ReleaseFrameCanvas();

    // Sparks (Sparks.cpp)
    void InitSparks();
    void DrawAndStepSparks(HDC target, HDC sheet);
    // The same, writing the sparks' pixels straight into the frame's back buffer.
    void DrawAndStepSparks(FrameCanvas& canvas);

    // Saved game file (document/SavedGame.cpp)
    bool Load(const char* path) override;
    bool Save(const char* path) override;

    // Background music (document/Music.cpp)
    bool StartDefaultMusic(HWND window);
    void FileOpenWave(HWND window);
    void StopMusic();

    // Menu commands and shutdown (app/)
    void ToggleTwoPlayer(HMENU menu, UINT id);
    void EnableCheatMode(HMENU menu, UINT id);
    void ToggleMenuItemEnabled(HMENU menu, UINT id);
    void Quit(HWND window);

    SparkPair ballSparks[sparksPerSystem] {};       // rise from the ball
    SparkPair rightWallSparks[sparksPerSystem] {};  // fly in from the right edge; reach grows with leftScore
    SparkPair leftWallSparks[sparksPerSystem] {};   // fly in from the left edge; reach grows with rightScore

    HBITMAP lavaWallBitmap {};       // background texture, "lavawall.bmp"
    HBITMAP barrierBitmap {};        // barrier rows and paddle pieces, "barrier.bmp"
    HBITMAP particleSheetBitmap {};  // spark colours by remaining life, "particle_sheet.bmp"
    BITMAP lavaWallInfo {};
    BITMAP barrierInfo {};           // bmHeight is the barrier height B
    BITMAP particleSheetInfo {};

    // The back buffer with its context and the loaded bitmaps' pixels, kept
    // from frame to frame; given back by ReleaseFrameCanvas and the destructor.
    FrameCanvas frameCanvas;

    RECT clientRect {};      // client area as last read
    RECT previousClient {};  // client area at which positions were last scaled

    char musicFile[pathBufferSize] {};  // name of the background music file, without its folder

    static constexpr int ballSize = 20;  // the ball's width and height, pixels
    static constexpr int ballHalfSize = ballSize / 2;
    RECT ball {};         // ballSize x ballSize pixels
    static constexpr int paddleWidth = 20;    // pixels
    static constexpr int paddleHeight = 100;  // pixels
    static constexpr int paddleHalfHeight = paddleHeight / 2;
    static constexpr int startPaddleTop = 100;  // a paddle's top row from setup until the first frame
    RECT leftPaddle {};   // paddleWidth x paddleHeight pixels, paddleInset from the left edge
    RECT rightPaddle {};  // paddleWidth x paddleHeight pixels, paddleInset from the right edge
    int leftScore {};     // points of player 1
    int rightScore {};    // points of player 2
    int rightPaddleCentreY {};  // client row
    int leftPaddleCentreY {};   // client row
    int winningScore {};        // points that win a match
    bool computerOpponent {};   // true: the computer plays the left paddle
    bool cheatMode {};
    static constexpr int startPaddleInset = 100;
    int paddleInset {};    // pixels between each paddle and its side of the client area
    int ballVelX {};       // pixels per frame, negative = left
    int ballVelY {};       // pixels per frame, negative = up
    int leftPaddleVel {};  // pixels per frame, negative = up
    int rightPaddleVel {}; // pixels per frame, negative = up
    DWORD frameStartTick {};  // timeGetTime() when the current frame began, milliseconds
    int frameCount {};        // frames drawn so far; moves the background wave
    int waveLength {};        // wave phase degrees per pixel row
    int waveFrequency {};     // wave phase degrees per frame
    int waveAmplitude {};     // greatest sideways shift of a background row, pixels

private:
    // The steps of StepFrame, in the order it takes them (FrameStep.cpp).
    void FollowResize();
    void SteerPaddlesByKeys();
    void SteerComputerPaddle();
    void MoveBallAndPaddles();
    void KeepPaddlesBetweenBarriers();
    void BounceOffBarriers();
    void ScorePoint(int& score, SparkPair (&wallSparks)[sparksPerSystem]);
    void DeflectOffPaddles();
};

// True when the rectangles share at least one pixel; touching edges do not count.
bool RectsOverlap(const RECT& a, const RECT& b);

// Puts the ball at the middle of the client area.
void CentreBall(RECT& ball, const RECT& client);

// Sets every spark of one system to expire in the next drawn frame.
void ExpireSparks(SparkPair (&system)[sparksPerSystem]);

// The one game object of the program.
extern PaddleGame game;
