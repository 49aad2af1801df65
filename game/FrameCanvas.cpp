// The frame canvas: its buffer and bitmaps made and given back, its GDI steps
// and its one transfer of a frame to the window.
#include "FrameCanvas.h"

#include <cstring>

using namespace canvasParts;

void FrameCanvas::BeginFrame(HDC windowDc, int frameWidth, int frameHeight, HBITMAP lavaWallBitmap,
                             HBITMAP barrierBitmap, HBITMAP particleSheetBitmap, int frameTileWidth,
                             int frameTileHeight)
{
    ReadBitmapPixels(lavaWall, lavaWallBitmap, windowDc);
    ReadBitmapPixels(barrier, barrierBitmap, windowDc);
    ReadBitmapPixels(particleSheet, particleSheetBitmap, windowDc);
    MakeBuffer(windowDc, frameWidth, frameHeight);
    tileWidth = frameTileWidth;
    tileHeight = frameTileHeight;
    GdiFlush();  // the last frame's GDI drawing is done before pixels are written
}

void FrameCanvas::MakeBuffer(HDC windowDc, int newWidth, int newHeight)
{
    if (dc != nullptr && width == newWidth && height == newHeight) return;
    if (dc == nullptr) dc = CreateCompatibleDC(windowDc);
    if (bitmap != nullptr) {
        SelectObject(dc, savedObject);
        DeleteObject(bitmap);
    }
    bitmap = nullptr;
    savedObject = nullptr;
    pixels = nullptr;
    width = 0;
    height = 0;
    if (newWidth <= 0 || newHeight <= 0) return;

    void* bits = nullptr;
    bitmap = MakeDibSection(windowDc, newWidth, newHeight, &bits);
    if (bitmap == nullptr) return;  // nothing is drawn; the sparks still move
    savedObject = SelectObject(dc, bitmap);
    pixels = static_cast<uint32_t*>(bits);
    width = newWidth;
    height = newHeight;
}

void FrameCanvas::Release()
{
    if (bitmap != nullptr) {
        SelectObject(dc, savedObject);
        DeleteObject(bitmap);
    }
    if (dc != nullptr) DeleteDC(dc);
    dc = nullptr;
    bitmap = nullptr;
    savedObject = nullptr;
    pixels = nullptr;
    width = 0;
    height = 0;
    lavaWall = BitmapPixels();
    barrier = BitmapPixels();
    particleSheet = BitmapPixels();
}

void FrameCanvas::DrawLine(POINT from, POINT to)
{
    DrawWithGdi([&](HDC target) {
        HGDIOBJ savedPen = SelectObject(target, GetStockObject(BLACK_PEN));
        MoveToEx(target, from.x, from.y, nullptr);
        LineTo(target, to.x, to.y);
        SelectObject(target, savedPen);
    });
}

void FrameCanvas::DrawTextAt(int x, int y, const char* text, COLORREF colour)
{
    DrawWithGdi([&](HDC target) {
        SetBkMode(target, TRANSPARENT);
        SetTextColor(target, colour);
        // strlen, not lstrlenA, which takes a bad pointer for an empty text.
        TextOutA(target, x, y, text, static_cast<int>(std::strlen(text)));
    });
}

void FrameCanvas::ShowFrame(HWND, HDC windowDc)
{
    if (bitmap == nullptr || windowDc == nullptr) return;
    BitBlt(windowDc, 0, 0, width, height, dc, 0, 0, SRCCOPY);
}
