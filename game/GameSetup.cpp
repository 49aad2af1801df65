#include "PaddleGame.h"

PaddleGame game;

namespace {

const int firstServeVelX = 15;   // the first match of a run is served to the right
const int resetServeVelX = -15;  // every later match is served to the left

// Loads a bitmap file at its own size, from the current folder or else from
// the program's. Never by a bare name: given one, Windows' LoadImage reads
// the current folder only, and Wine's the program's first.
HBITMAP LoadBitmapFile(const char* name)
{
    return static_cast<HBITMAP>(
        LoadImageA(nullptr, DataFilePath(name).c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
}

}  // namespace

PaddleGame::PaddleGame()
{
}

// Every game object, test objects included, gives back what its frame canvas
// holds and the bitmaps it loaded; for the program's one game that is at the
// end of the run.
PaddleGame::~PaddleGame()
{
    ReleaseFrameCanvas();
    DeleteObject(particleSheetBitmap);
    DeleteObject(barrierBitmap);
    DeleteObject(lavaWallBitmap);
}

void CentreBall(RECT& ball, const RECT& client)
{
    int cx = client.right / 2;
    int cy = client.bottom / 2;
    const int half = PaddleGame::ballHalfSize;
    ball = {cx - half, cy - half, cx + half, cy + half};
}

void PaddleGame::InitGame(HWND window)
{
    GetClientRect(window, &clientRect);
    previousClient = clientRect;

    computerOpponent = true;
    cheatMode = false;
    leftScore = 0;
    rightScore = 0;
    winningScore = 10;
    frameCount = 0;
    waveLength = 16;
    waveFrequency = 16;
    waveAmplitude = 6;
    paddleInset = startPaddleInset;

    // A bitmap that fails to load ends the setup here: the ball and paddles keep
    // their zero start values until the next Reset.
    lavaWallBitmap = LoadBitmapFile("lavawall.bmp");
    if (lavaWallBitmap == nullptr) return;
    barrierBitmap = LoadBitmapFile("barrier.bmp");
    if (barrierBitmap == nullptr) return;
    particleSheetBitmap = LoadBitmapFile("particle_sheet.bmp");
    if (particleSheetBitmap == nullptr) return;

    GetObjectA(lavaWallBitmap, sizeof(BITMAP), &lavaWallInfo);
    GetObjectA(barrierBitmap, sizeof(BITMAP), &barrierInfo);
    GetObjectA(particleSheetBitmap, sizeof(BITMAP), &particleSheetInfo);

    PlaceBallAndPaddles();
    ballVelX = firstServeVelX;
    ballVelY = 0;
    leftPaddleVel = 0;
    rightPaddleVel = 0;

    InitSparks();
}

void PaddleGame::PlaceBallAndPaddles()
{
    CentreBall(ball, clientRect);
    // The first frame rebuilds the paddles' height around the centre rows.
    leftPaddle = {paddleInset, startPaddleTop, paddleInset + paddleWidth, startPaddleTop + paddleHeight};
    rightPaddleCentreY = clientRect.bottom / 2;
    leftPaddleCentreY = clientRect.bottom / 2;
    rightPaddle = {clientRect.right - paddleInset - paddleWidth, startPaddleTop, clientRect.right - paddleInset,
                   startPaddleTop + paddleHeight};
}

void PaddleGame::Reset()
{
    leftScore = 0;
    rightScore = 0;
    cheatMode = false;
    CentreBall(ball, clientRect);
    ballVelX = resetServeVelX;
    ballVelY = 0;
    rightPaddleCentreY = clientRect.bottom / 2;
    leftPaddleCentreY = clientRect.bottom / 2;
}

int PaddleGame::GetWinner() const
{
    if (leftScore >= winningScore) return 1;
    if (rightScore >= winningScore) return 2;
    return -1;
}
