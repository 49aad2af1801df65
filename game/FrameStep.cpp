#include "PaddleGame.h"
#include "SafeArithmetic.h"

namespace {

const int minPlayableWidth = 640;
const int minPlayableHeight = 320;
const int paddleAcceleration = 2;  // pixels per frame, each frame a key is held
const int reversalLimit = -20;     // rising this fast, the down key stops the paddle at once
const int computerDeadBand = 40;   // from each end of the left paddle

// Below this size the match stands still; the frame is still drawn.
bool IsPlayable(const RECT& client)
{
    return client.right - client.left >= minPlayableWidth && client.bottom - client.top >= minPlayableHeight;
}

bool KeyHeld(int virtualKey)
{
    return (GetAsyncKeyState(virtualKey) & 0x8000) != 0;
}

// One paddle's velocity for this frame. The rectangle is last frame's.
int PaddleRule(bool upHeld, bool downHeld, const RECT& paddle, const RECT& client,
               int barrierHeight, int velocity)
{
    if (upHeld) {
        if (paddle.top > client.top + barrierHeight) return velocity - paddleAcceleration;
        return 0;
    }
    if (downHeld) {
        if (paddle.bottom < client.bottom - barrierHeight && velocity > reversalLimit)
            return velocity + paddleAcceleration;
        return 0;
    }
    return 0;
}

// The keyboard's say for one paddle; the down key is not read while up is held.
int PlayerPaddleRule(int upKey, int downKey, const RECT& paddle, const RECT& client,
                     int barrierHeight, int velocity)
{
    bool up = KeyHeld(upKey);
    bool down = !up && KeyHeld(downKey);
    return PaddleRule(up, down, paddle, client, barrierHeight, velocity);
}

// Moves a span by delta, as far as the coordinate limit lets both of its ends go,
// so a ball thrown far away keeps its size.
void MoveSpan(LONG& low, LONG& high, int delta)
{
    int64_t step = delta;
    if (low + step < -coordinateLimit) step = -coordinateLimit - static_cast<int64_t>(low);
    if (high + step > coordinateLimit) step = coordinateLimit - static_cast<int64_t>(high);
    low = static_cast<LONG>(low + step);
    high = static_cast<LONG>(high + step);
}

// Keeps a paddle's centre row off both barrier rows (the upper bound wins when
// they cross) and rebuilds its rectangle; a paddle that still pokes out of the
// client area stops.
void KeepPaddleBetweenBarriers(int& centreY, RECT& paddle, int& velocity, const RECT& client,
                               int barrierHeight)
{
    const int halfHeight = PaddleGame::paddleHalfHeight;
    if (centreY > client.bottom - barrierHeight - halfHeight) centreY = client.bottom - barrierHeight - halfHeight;
    if (centreY < client.top + barrierHeight + halfHeight) centreY = client.top + barrierHeight + halfHeight;
    paddle.top = centreY - halfHeight;
    paddle.bottom = centreY + halfHeight;
    if (paddle.top < client.top || paddle.bottom > client.bottom) velocity = 0;
}

}  // namespace

bool RectsOverlap(const RECT& a, const RECT& b)
{
    return a.bottom > b.top && a.top < b.bottom && a.left < b.right && a.right > b.left;
}

void PaddleGame::StepFrame(HWND window)
{
    frameStartTick = timeGetTime();
    GetClientRect(window, &clientRect);
    if (IsPlayable(clientRect)) {
        FollowResize();
        SteerPaddlesByKeys();
        if (computerOpponent) SteerComputerPaddle();
        MoveBallAndPaddles();
        KeepPaddlesBetweenBarriers();
        BounceOffBarriers();
        if (ball.right > clientRect.right) ScorePoint(leftScore, rightWallSparks);
        if (ball.left < clientRect.left) ScorePoint(rightScore, leftWallSparks);
        DeflectOffPaddles();
    }
    RenderFrame(window);
}

// Positions follow a change of the client size, scaled from the last playable
// size; the paddles keep their inset from the sides, around their centre rows
// as they stood.
void PaddleGame::FollowResize()
{
    if (clientRect.right == previousClient.right && clientRect.bottom == previousClient.bottom) return;
    if (previousClient.right == 0 || previousClient.bottom == 0) {
        // A window that started minimised set the match up in no room at all:
        // ball and paddles are placed as the setup would for this size, so
        // the first serve does not run along the top for a free point.
        PlaceBallAndPaddles();
    } else {
        rightPaddle = {clientRect.right - paddleInset - paddleWidth, rightPaddleCentreY - paddleHalfHeight,
                       clientRect.right - paddleInset, rightPaddleCentreY + paddleHalfHeight};
        leftPaddle = {paddleInset, leftPaddleCentreY - paddleHalfHeight, paddleInset + paddleWidth,
                      leftPaddleCentreY + paddleHalfHeight};
        double sx = static_cast<double>(clientRect.right) / previousClient.right;
        double sy = static_cast<double>(clientRect.bottom) / previousClient.bottom;
        double x = ball.left * sx;
        double y = ball.top * sy;
        rightPaddleCentreY = TruncCoordinate(sy * rightPaddleCentreY);
        leftPaddleCentreY = TruncCoordinate(sy * leftPaddleCentreY);
        ball = {TruncCoordinate(x), TruncCoordinate(y), TruncCoordinate(x + ballSize), TruncCoordinate(y + ballSize)};
    }
    previousClient = clientRect;
}

// The left paddle's keys count only in two-player mode; the right paddle's always.
void PaddleGame::SteerPaddlesByKeys()
{
    int barrierHeight = barrierInfo.bmHeight;
    if (!computerOpponent)
        leftPaddleVel = PlayerPaddleRule('A', 'Z', leftPaddle, clientRect, barrierHeight, leftPaddleVel);
    rightPaddleVel = PlayerPaddleRule(VK_UP, VK_DOWN, rightPaddle, clientRect, barrierHeight, rightPaddleVel);
}

// The computer steers the left paddle towards the ball's middle row, as if it
// held a key, and stops while that row is near the paddle's centre.
void PaddleGame::SteerComputerPaddle()
{
    int ballMiddle = ball.top + ballHalfSize;
    bool up = ballMiddle < leftPaddle.top + computerDeadBand;
    bool down = !up && ballMiddle > leftPaddle.bottom - computerDeadBand;
    leftPaddleVel = PaddleRule(up, down, leftPaddle, clientRect, barrierInfo.bmHeight, leftPaddleVel);
}

void PaddleGame::MoveBallAndPaddles()
{
    MoveSpan(ball.left, ball.right, ballVelX);
    MoveSpan(ball.top, ball.bottom, ballVelY);
    rightPaddleCentreY = ClampCoordinate(static_cast<int64_t>(rightPaddleCentreY) + rightPaddleVel);
    leftPaddleCentreY = ClampCoordinate(static_cast<int64_t>(leftPaddleCentreY) + leftPaddleVel);
}

void PaddleGame::KeepPaddlesBetweenBarriers()
{
    KeepPaddleBetweenBarriers(leftPaddleCentreY, leftPaddle, leftPaddleVel, clientRect, barrierInfo.bmHeight);
    KeepPaddleBetweenBarriers(rightPaddleCentreY, rightPaddle, rightPaddleVel, clientRect, barrierInfo.bmHeight);
}

void PaddleGame::BounceOffBarriers()
{
    if (ball.bottom > clientRect.bottom - barrierInfo.bmHeight) ballVelY = SaturatingNegate(ballVelY);
    if (ball.top < clientRect.top + barrierInfo.bmHeight) ballVelY = SaturatingNegate(ballVelY);
}

// A point for the player whose `score` it is; `wallSparks` are those of the
// wall the ball left by. The ball is served back level from the centre,
// opposite to the way it left: towards the player who scored.
void PaddleGame::ScorePoint(int& score, SparkPair (&wallSparks)[sparksPerSystem])
{
    CentreBall(ball, clientRect);
    score = SaturatingAdd(score, 1);
    ballVelX = SaturatingNegate(ballVelX);
    ballVelY = 0;
    if (!cheatMode) modified = true;
    ExpireSparks(wallSparks);
}

// Sign test, not position: the ball is still inside the paddle next frame
// and must not be turned back a second time.
void PaddleGame::DeflectOffPaddles()
{
    if (ballVelX < 0 && RectsOverlap(ball, leftPaddle)) {
        ballVelX = SaturatingNegate(ballVelX);
        ballVelY = SaturatingAdd(ballVelY, leftPaddleVel);
    }
    if (ballVelX > 0 && RectsOverlap(ball, rightPaddle)) {
        ballVelX = SaturatingNegate(ballVelX);
        ballVelY = SaturatingAdd(ballVelY, rightPaddleVel);
    }
}
