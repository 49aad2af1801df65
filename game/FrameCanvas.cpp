// The frame canvas: its buffer made and given back, the loaded bitmaps' pixels
// read, its GDI steps and its one transfer of a frame to the window.
#include "FrameCanvas.h"

#include <cstring>

namespace {

// A 32-bit DIB section, rows from the top, and its pixels.
HBITMAP MakeDibSection(HDC windowDc, int width, int height, void** bits)
{
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = -height;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    return CreateDIBSection(windowDc, &format, DIB_RGB_COLORS, bits, nullptr, 0);
}

}  // namespace

void FrameCanvas::BitmapPixels::Read(HBITMAP bitmap, HDC windowDc)
{
    if (read && source == bitmap) return;
    read = false;
    source = bitmap;
    pixels.clear();
    width = 0;
    height = 0;

    HDC sourceDc = CreateCompatibleDC(windowDc);
    HGDIOBJ savedSourceObject = SelectObject(sourceDc, bitmap);
    BITMAP info = {};
    GetObjectA(GetCurrentObject(sourceDc, OBJ_BITMAP), sizeof info, &info);
    void* bits = nullptr;
    bool empty = info.bmWidth <= 0 || info.bmHeight <= 0;
    HBITMAP copy = empty ? nullptr : MakeDibSection(windowDc, info.bmWidth, info.bmHeight, &bits);
    read = empty;
    if (copy != nullptr) {
        // A fresh context has the colours a frame's back buffer has while the
        // bitmaps are copied, should a one-bit bitmap need them.
        HDC copyDc = CreateCompatibleDC(windowDc);
        HGDIOBJ savedCopyObject = SelectObject(copyDc, copy);
        if (BitBlt(copyDc, 0, 0, info.bmWidth, info.bmHeight, sourceDc, 0, 0, SRCCOPY)) {
            GdiFlush();  // the copy is done before its pixels are read
            const uint32_t* first = static_cast<const uint32_t*>(bits);
            pixels.assign(first, first + static_cast<size_t>(info.bmWidth) * info.bmHeight);
            width = info.bmWidth;
            height = info.bmHeight;
            read = true;
        }
        SelectObject(copyDc, savedCopyObject);
        DeleteDC(copyDc);
        DeleteObject(copy);
    }
    SelectObject(sourceDc, savedSourceObject);
    DeleteDC(sourceDc);
}

void FrameCanvas::BeginFrame(HDC windowDc, int frameWidth, int frameHeight, HBITMAP lavaWallBitmap,
                             HBITMAP barrierBitmap, HBITMAP particleSheetBitmap, int frameTileWidth,
                             int frameTileHeight)
{
    // Every GDI step on the buffer has finished (GdiFlush) when it returns,
    // the last frame's transfer included, so its pixels are free to write.
    lavaWall.Read(lavaWallBitmap, windowDc);
    barrier.Read(barrierBitmap, windowDc);
    particleSheet.Read(particleSheetBitmap, windowDc);
    MakeBuffer(windowDc, frameWidth, frameHeight);
    tileWidth = frameTileWidth;
    tileHeight = frameTileHeight;
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

void FrameCanvas::ShowFrame(HDC windowDc)
{
    if (bitmap == nullptr || windowDc == nullptr) return;
    BitBlt(windowDc, 0, 0, width, height, dc, 0, 0, SRCCOPY);
    GdiFlush();  // the copy has read the buffer before the next frame writes it
}
