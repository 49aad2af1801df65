#include "PaddleGame.h"
#include "SafeArithmetic.h"

namespace {

const int minPlayableWidth = 640;
const int minPlayableHeight = 320;
const int ballSize = 20;
const int paddleWidth = 20;
const int paddleHalfHeight = 50;
const int paddleAcceleration = 2;  // pixels per frame, each frame a key is held
const int reversalLimit = -20;     // rising this fast, the down key stops the paddle at once
const int computerDeadBand = 40;   // from each end of the left paddle

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
    if (centreY > client.bottom - barrierHeight - paddleHalfHeight)
        centreY = client.bottom - barrierHeight - paddleHalfHeight;
    if (centreY < client.top + barrierHeight + paddleHalfHeight)
        centreY = client.top + barrierHeight + paddleHalfHeight;
    paddle.top = centreY - paddleHalfHeight;
    paddle.bottom = centreY + paddleHalfHeight;
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
    int barrierHeight = barrierInfo.bmHeight;

    if (clientRect.right - clientRect.left < minPlayableWidth ||
        clientRect.bottom - clientRect.top < minPlayableHeight) {
        RenderFrame(window);
        return;
    }

    if (clientRect.right != previousClient.right || clientRect.bottom != previousClient.bottom) {
        if (previousClient.right == 0 || previousClient.bottom == 0) {
            // A window that started minimised set the match up in no room at all:
            // ball and paddles are placed as the setup would for this size, so
            // the first serve does not run along the top for a free point.
            PlaceBallAndPaddles();
        } else {
            rightPaddle = {clientRect.right - paddleInset - paddleWidth, rightPaddleCentreY - paddleHalfHeight,
                           clientRect.right - paddleInset, rightPaddleCentreY + paddleHalfHeight};
            leftPaddle = {paddleInset, leftPaddleCentreY - paddleHalfHeight,
                          paddleInset + paddleWidth, leftPaddleCentreY + paddleHalfHeight};
            double sx = static_cast<double>(clientRect.right) / previousClient.right;
            double sy = static_cast<double>(clientRect.bottom) / previousClient.bottom;
            double x = ball.left * sx;
            double y = ball.top * sy;
            rightPaddleCentreY = TruncCoordinate(sy * rightPaddleCentreY);
            leftPaddleCentreY = TruncCoordinate(sy * leftPaddleCentreY);
            ball = {TruncCoordinate(x), TruncCoordinate(y), TruncCoordinate(x + ballSize),
                    TruncCoordinate(y + ballSize)};
        }
        previousClient = clientRect;
    }

    if (!computerOpponent)
        leftPaddleVel = PlayerPaddleRule('A', 'Z', leftPaddle, clientRect, barrierHeight, leftPaddleVel);
    rightPaddleVel = PlayerPaddleRule(VK_UP, VK_DOWN, rightPaddle, clientRect, barrierHeight, rightPaddleVel);

    if (computerOpponent) {
        int ballMiddle = ball.top + 10;
        bool up = ballMiddle < leftPaddle.top + computerDeadBand;
        bool down = !up && ballMiddle > leftPaddle.bottom - computerDeadBand;
        leftPaddleVel = PaddleRule(up, down, leftPaddle, clientRect, barrierHeight, leftPaddleVel);
    }

    MoveSpan(ball.left, ball.right, ballVelX);
    MoveSpan(ball.top, ball.bottom, ballVelY);
    rightPaddleCentreY = ClampCoordinate(static_cast<int64_t>(rightPaddleCentreY) + rightPaddleVel);
    leftPaddleCentreY = ClampCoordinate(static_cast<int64_t>(leftPaddleCentreY) + leftPaddleVel);

    KeepPaddleBetweenBarriers(leftPaddleCentreY, leftPaddle, leftPaddleVel, clientRect, barrierHeight);
    KeepPaddleBetweenBarriers(rightPaddleCentreY, rightPaddle, rightPaddleVel, clientRect, barrierHeight);

    if (ball.bottom > clientRect.bottom - barrierHeight) ballVelY = SaturatingNegate(ballVelY);
    if (ball.top < clientRect.top + barrierHeight) ballVelY = SaturatingNegate(ballVelY);

    // The ball is served back level from the centre, opposite to the way it left:
    // towards the player who scored.
    if (ball.right > clientRect.right) {
        CentreBall(ball, clientRect);
        leftScore = SaturatingAdd(leftScore, 1);
        ballVelX = SaturatingNegate(ballVelX);
        ballVelY = 0;
        if (!cheatMode) modified = true;
        ExpireSparks(rightWallSparks);
    }
    if (ball.left < clientRect.left) {
        CentreBall(ball, clientRect);
        rightScore = SaturatingAdd(rightScore, 1);
        ballVelX = SaturatingNegate(ballVelX);
        ballVelY = 0;
        if (!cheatMode) modified = true;
        ExpireSparks(leftWallSparks);
    }

    // Sign test, not position: the ball is still inside the paddle next frame
    // and must not be turned back a second time.
    if (ballVelX < 0 && RectsOverlap(ball, leftPaddle)) {
        ballVelX = SaturatingNegate(ballVelX);
        ballVelY = SaturatingAdd(ballVelY, leftPaddleVel);
    }
    if (ballVelX > 0 && RectsOverlap(ball, rightPaddle)) {
        ballVelX = SaturatingNegate(ballVelX);
        ballVelY = SaturatingAdd(ballVelY, rightPaddleVel);
    }

    RenderFrame(window);
}
