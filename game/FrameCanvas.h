// The back buffer that frames are drawn in, with the pixels of the bitmaps
// they are drawn from and the one transfer of a frame to the window.
//
// The caller's rule: after BeginFrame, every row of the buffer is put
// (PutBackgroundRow for rows 0 to height - 1) before any other drawing step;
// a row left out shows the last frame's pixels. Nothing else carries over
// from one frame to the next: nothing is marked or tracked, every frame
// writes every pixel afresh and copies all of the buffer to the window in one
// BitBlt, so nothing drawn in one frame can outlive it.
//
// Kept from frame to frame is only what is dear to make: the buffer (a 32-bit
// top-down DIB section, made again only when the size changes) and the
// loaded bitmaps' pixels (read again only when a bitmap is another one or
// could not be read). Tiles, paddles and sparks are written straight into
// the buffer's pixels; the ball, its line and the text are drawn with GDI.
// docs/rendering.md gives a frame's time so drawn beside the same frame drawn
// with GDI alone.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

// The loaded bitmaps a frame copies from.
enum class CanvasSource { LavaWall, Barrier, ParticleSheet };

class FrameCanvas {
public:
    FrameCanvas() = default;
    FrameCanvas(const FrameCanvas&) = delete;
    FrameCanvas& operator=(const FrameCanvas&) = delete;

    // Starts a frame of width x height pixels drawn from the three bitmaps,
    // whose barrier tiles are tileWidth x tileHeight as recorded. Makes the
    // buffer again when the size changed and reads a bitmap's pixels again
    // when it is another bitmap or could not be read before. Without a buffer
    // to draw in (the bitmap could not be made) every other operation does
    // nothing, but may still be called.
    void BeginFrame(HDC windowDc, int width, int height, HBITMAP lavaWall, HBITMAP barrier, HBITMAP particleSheet,
                    int tileWidth, int tileHeight);

    // Row y of the background: two copies of the lava wall's row y, copyWidth
    // pixels each, starting at firstX and secondX, the second over the first,
    // and black where neither lies.
    void PutBackgroundRow(int y, int firstX, int secondX, int copyWidth);

    // The barrier tiles along the top and the bottom edge, from the left edge
    // until they reach the right one, each tileWidth x tileHeight as BeginFrame
    // was told.
    void DrawBarrierRows();

    // Copies a width x height block of the bitmap `from` at (sourceX, sourceY)
    // to (x, y) as BitBlt with SRCCOPY does: a negative extent takes the block
    // the other way round from its corner, and only what lies inside both
    // bitmaps is copied.
    void CopyBlock(int x, int y, int width, int height, CanvasSource from, int sourceX, int sourceY);

    // Copies one pixel as a one-pixel BitBlt does: only when both lie inside.
    void CopyPixel(int x, int y, CanvasSource from, int sourceX, int sourceY);

    // Runs draw(context) on the buffer's context.
    template <typename Draw>
    void DrawWithGdi(Draw draw)
    {
        if (bitmap == nullptr) return;
        draw(dc);
        GdiFlush();  // done before any pixel is written directly
    }

    // A line in the stock black pen from `from` to `to`, without its end point.
    void DrawLine(POINT from, POINT to);

    // Text in the context's font, top-left at (x, y), transparent behind.
    void DrawTextAt(int x, int y, const char* text, COLORREF colour);

    // Copies all of the buffer to the window in one BitBlt. Without a window
    // context (GetDC failed) or when the copy fails nothing more is needed:
    // the next frame copies all of itself.
    void ShowFrame(HDC windowDc);

    // Gives back the buffer, its context and the bitmaps' pixels. A frame after
    // this makes them again.
    void Release();

    // What the buffer holds, for checking it: its context and bitmap (null
    // without a buffer), its pixels (0x00RRGGBB, rows from the top), its size.
    HDC Context() const { return dc; }
    HBITMAP Bitmap() const { return bitmap; }
    const uint32_t* Pixels() const { return pixels; }
    int Width() const { return width; }
    int Height() const { return height; }

private:
    // The pixels of one loaded bitmap as a frame copies them: 0x00RRGGBB
    // values, rows from the top.
    struct BitmapPixels {
        bool read {};       // false until the pixels have been read
        HBITMAP source {};  // the bitmap they were read from (null: none was loaded)
        std::vector<uint32_t> pixels;
        int width {};       // pixels
        int height {};      // pixels

        // Reads the pixels of `bitmap` unless they were read from it already:
        // through a memory context it is selected into, so a bitmap that
        // cannot be selected gives the context's own one-pixel bitmap, as it
        // does when a frame draws from it. When they cannot be read (no memory
        // for the copy, a copy that fails) the frame has none, and the next
        // frame tries again.
        void Read(HBITMAP bitmap, HDC windowDc);
    };

    const BitmapPixels& Source(CanvasSource source) const;
    void MakeBuffer(HDC windowDc, int newWidth, int newHeight);

    HDC dc {};               // memory context holding the back buffer
    HBITMAP bitmap {};       // 32-bit top-down DIB section, width x height
    HGDIOBJ savedObject {};  // what dc held before bitmap was selected
    uint32_t* pixels {};     // the DIB section's memory, row after row
    int width {};            // pixels; 0 while there is no back buffer
    int height {};           // pixels
    BitmapPixels lavaWall;
    BitmapPixels barrier;
    BitmapPixels particleSheet;
    int tileWidth {};        // the barrier tiles as this frame lays them, pixels
    int tileHeight {};
};
