// The back buffer that frames are drawn in, kept from frame to frame, with the
// pixels of the bitmaps they are drawn from and the one transfer to the window.
//
// What holds between two calls: every pixel of the buffer is what the records
// say it is (the background row each row's record names, the barrier tiles on
// the rows they cover, black where no copy lies) except where a mark says
// something was drawn over it; and every pixel that differs from what the
// window was last shown lies in a changed row span. Each operation below keeps
// this itself: a write marks what it wrote, a GDI step is clipped to the box
// it marks and flushed before any pixel is written directly, the first step
// after the background rows puts the background back under last frame's
// marks, and a transfer that fails keeps what it did not show marked for the
// next one. Two rules are the caller's, because only the caller knows them:
// - every frame puts every row of the buffer (PutBackgroundRow for rows 0 to
//   height - 1, in order) before any drawing step: a row left out keeps last
//   frame's background, and the marks put back under it would not match;
// - a drawing whose extent cannot be known beforehand gets an operation here
//   that marks what it draws, as DrawLine does; DrawLine itself draws with the
//   one-pixel stock black pen, whatever the context holds, because its marks
//   allow for a one-pixel line only.
// Keeping the buffer saves rewriting the rows whose copies have not moved and
// copying what lies outside the changes to the window (docs/rendering.md has
// the numbers); it makes no frame differ by one pixel from drawing it afresh.
#pragma once

#include <windows.h>

#include <cstdint>

#include "FrameCanvasParts.h"

class FrameCanvas {
    // The canvas's own records, from FrameCanvasParts.h.
    using Span = canvasParts::Span;
    using BitmapPixels = canvasParts::BitmapPixels;
    using WallRowCopies = canvasParts::WallRowCopies;
    using FrameMarks = canvasParts::FrameMarks;
    using ChangedSpans = canvasParts::ChangedSpans;

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
    // pixels each, starting at firstX and secondX, the second over the first.
    // Rows the barrier tiles will cover and rows whose copies already lie
    // there are left as they are.
    void PutBackgroundRow(int y, int firstX, int secondX, int copyWidth);

    // The barrier tiles along the top and the bottom edge, from the left edge
    // until they reach the right one.
    void DrawBarrierRows();

    // Copies a width x height block of `source` at (sourceX, sourceY) to
    // (x, y) as BitBlt with SRCCOPY does: a negative extent takes the block the
    // other way round from its corner, and only what lies inside both bitmaps
    // is copied.
    void CopyBlock(int x, int y, int width, int height, CanvasSource source, int sourceX, int sourceY);

    // Copies one pixel as a one-pixel BitBlt does: only when both lie inside.
    void CopyPixel(int x, int y, CanvasSource source, int sourceX, int sourceY);

    // Runs draw(context) on the buffer's context with drawing clipped to `box`.
    template <typename Draw>
    void DrawWithGdi(const RECT& box, Draw draw)
    {
        if (!StartGdiStep(box)) return;
        draw(dc);
        EndGdiStep(box);
    }

    // A line in the stock black pen (one pixel wide, the context's default)
    // from `from` to `to`, without its end point.
    void DrawLine(POINT from, POINT to);

    // Text in the context's font, top-left at (x, y), transparent behind.
    void DrawTextAt(int x, int y, const char* text, COLORREF colour);

    // Copies to the window, in one BitBlt, at least every row span that
    // changed since the last copy that worked; all of the buffer to another
    // window or after WindowPainted. Without a window context (GetDC failed) or when a copy
    // fails, what was not shown stays marked for the next frame.
    void ShowFrame(HWND window, HDC windowDc);

    // The window's pixels were painted over: the next frame shows all of itself.
    void WindowPainted();

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
    const BitmapPixels& Source(CanvasSource source) const;
    void ReadBitmaps(HDC windowDc, HBITMAP lavaWallBitmap, HBITMAP barrierBitmap, HBITMAP particleSheetBitmap);
    void MakeBuffer(HDC windowDc, int newWidth, int newHeight);
    void ClearAll();
    void ForgetDrawing();
    bool StartGdiStep(const RECT& box);
    void EndGdiStep(const RECT& box);
    // The first step after the background rows puts the background back under
    // the last frame's marks.
    void FinishBackground() { if (backgroundOpen) RedrawMarks(); }
    void MarkBox(int64_t left, int64_t top, int64_t right, int64_t bottom);
    void MarkChanged(Span columns, Span rows);
    void MarkChangedPixel(int x, int y);
    void DrawBackgroundRow(int y, int firstX, int secondX, int copyWidth);
    void RedrawBackground(int y, Span columns);
    void RedrawBackgroundPixel(int x, int y);
    void RedrawMarks();
    void DrawTileRows(int top, Span rows);
    void RedrawTiles(int y, Span columns);
    bool UnderTiles(int y) const
    {
        return (tileRows[0].begin <= y && y < tileRows[0].end) || (tileRows[1].begin <= y && y < tileRows[1].end);
    }
    bool CopyRectangles(HDC windowDc);
    template <typename Visit>
    void VisitLineRows(POINT from, POINT to, Visit visit) const;

    HDC dc {};                 // memory context holding the back buffer
    HBITMAP bitmap {};         // 32-bit top-down DIB section, width x height
    HGDIOBJ savedObject {};    // what dc held before bitmap was selected
    uint32_t* pixels {};       // the DIB section's memory, row after row
    int width {};              // pixels; 0 while there is no back buffer
    int height {};             // pixels
    BitmapPixels lavaWall;
    BitmapPixels barrier;
    BitmapPixels particleSheet;
    int tileWidth {};          // the barrier tiles as this frame lays them
    int tileHeight {};
    Span tileRows[2] {};       // rows the tiles cover from edge to edge, top and bottom
    bool backgroundOpen {};    // background rows are being put; marks not yet redrawn
    std::vector<WallRowCopies> backgroundRows;  // one for each row of the lava wall
    FrameMarks marks;
    bool tilesInPlace {};      // the tiles lie on tileRows, under no more than the marks
    ChangedSpans changed;
    std::vector<RECT> rectangles;  // the transfer's, kept from frame to frame: no allocation once grown
    std::vector<BYTE> regionData;  // the region made of them
    HWND shownIn {};           // the window the buffer was last copied to
};
