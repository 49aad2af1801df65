// The identity tests' comparison of a game's frame with the reference's.
#include "FrameComparison.h"

#include <cstdint>
#include <cstring>
#include <sstream>

#include "ReferenceRenderer.h"

Pixels DrawReference(PaddleGame& reference, HWND window)
{
    HBITMAP backBuffer = DrawReferenceBuffer(reference, window, false);
    Pixels frame = ReadBitmap(backBuffer);
    DeleteObject(backBuffer);
    return frame;
}

Pixels GameBackBuffer(const PaddleGame& match)
{
    Pixels frame;
    const FrameCanvas& canvas = match.frameCanvas;
    frame.width = canvas.Width();
    frame.height = canvas.Height();
    for (size_t k = 0; canvas.Pixels() != nullptr && k < static_cast<size_t>(canvas.Width()) * canvas.Height(); ++k) {
        uint32_t value = canvas.Pixels()[k];
        frame.colours.push_back(RGB((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF));
    }
    return frame;
}

std::string Difference(const Pixels& drawn, const Pixels& reference, int width, int height)
{
    int differing = 0;
    std::ostringstream first;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            COLORREF a = drawn.At(x, y);
            COLORREF b = reference.At(x, y);
            if (a == b) continue;
            if (differing++ == 0)
                first << std::hex << "first at (" << std::dec << x << ", " << y << "): game " << std::hex << a
                      << ", reference " << b;
        }
    }
    if (differing == 0) return "";
    return std::to_string(differing) + " pixels differ, " + first.str();
}

bool SameSparks(const PaddleGame& a, const PaddleGame& b)
{
    return std::memcmp(a.ballSparks, b.ballSparks, sizeof a.ballSparks) == 0 &&
           std::memcmp(a.rightWallSparks, b.rightWallSparks, sizeof a.rightWallSparks) == 0 &&
           std::memcmp(a.leftWallSparks, b.leftWallSparks, sizeof a.leftWallSparks) == 0;
}
