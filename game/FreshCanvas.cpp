// The canvas drawn afresh every frame: its buffer made and given back, its
// rows, blocks and pixels written straight, its GDI steps, its one transfer.
#include "FreshCanvas.h"

using namespace canvasParts;

void FreshCanvas::BeginFrame(HDC windowDc, int frameWidth, int frameHeight, HBITMAP lavaWallBitmap,
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

void FreshCanvas::MakeBuffer(HDC windowDc, int newWidth, int newHeight)
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

void FreshCanvas::Release()
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

const canvasParts::BitmapPixels& FreshCanvas::Source(CanvasSource source) const
{
    if (source == CanvasSource::LavaWall) return lavaWall;
    if (source == CanvasSource::Barrier) return barrier;
    return particleSheet;
}

void FreshCanvas::PutBackgroundRow(int y, int firstX, int secondX, int copyWidth)
{
    if (y < 0 || y >= height) return;
    uint32_t* row = pixels + static_cast<size_t>(y) * width;
    int starts[2] = {firstX, secondX};
    Span copies[2] = {{0, 0}, {0, 0}};
    // Rows below the lava wall show none of it.
    for (int k = 0; k < 2 && y < lavaWall.height; ++k) {
        copies[k] = CopiedSpan(starts[k], 0, copyWidth, width, lavaWall.width);
        const uint32_t* wallRow = lavaWall.pixels.data() + static_cast<size_t>(y) * lavaWall.width;
        if (!IsEmpty(copies[k]))
            CopyPixels(row + copies[k].begin, wallRow + (copies[k].begin - starts[k]),
                       copies[k].end - copies[k].begin);
    }
    FillAround(row, {0, width}, copies[0], copies[1], freshPixel);
}

void FreshCanvas::DrawBarrierRows()
{
    for (int x = 0; tileWidth > 0 && x < width; x += tileWidth) {
        CopyBlock(x, 0, tileWidth, tileHeight, CanvasSource::Barrier, 0, 0);
        CopyBlock(x, height - tileHeight, tileWidth, tileHeight, CanvasSource::Barrier, 0, 0);
    }
}

void FreshCanvas::CopyBlock(int x, int y, int blockWidth, int blockHeight, CanvasSource from, int sourceX,
                            int sourceY)
{
    const BitmapPixels& source = Source(from);
    Span columns = CopiedSpan(x, sourceX, blockWidth, width, source.width);
    Span rows = CopiedSpan(y, sourceY, blockHeight, height, source.height);
    if (IsEmpty(columns) || IsEmpty(rows)) return;
    int64_t fromX = columns.begin - x + sourceX;
    for (int64_t row = rows.begin; row < rows.end; ++row) {
        int64_t fromY = row - y + sourceY;
        CopyPixels(pixels + row * width + columns.begin, source.pixels.data() + fromY * source.width + fromX,
                   columns.end - columns.begin);
    }
}

void FreshCanvas::CopyPixel(int x, int y, CanvasSource from, int sourceX, int sourceY)
{
    const BitmapPixels& source = Source(from);
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    if (sourceX < 0 || sourceY < 0 || sourceX >= source.width || sourceY >= source.height) return;
    pixels[static_cast<size_t>(y) * width + x] = source.pixels[static_cast<size_t>(sourceY) * source.width + sourceX];
}

void FreshCanvas::DrawLine(POINT from, POINT to)
{
    DrawWithGdi({}, [&](HDC target) {
        HGDIOBJ savedPen = SelectObject(target, GetStockObject(BLACK_PEN));
        MoveToEx(target, from.x, from.y, nullptr);
        LineTo(target, to.x, to.y);
        SelectObject(target, savedPen);
    });
}

void FreshCanvas::DrawTextAt(int x, int y, const char* text, COLORREF colour)
{
    DrawWithGdi({}, [&](HDC target) {
        SetBkMode(target, TRANSPARENT);
        SetTextColor(target, colour);
        TextOutA(target, x, y, text, lstrlenA(text));
    });
}

void FreshCanvas::ShowFrame(HWND, HDC windowDc)
{
    if (bitmap == nullptr || windowDc == nullptr) return;
    BitBlt(windowDc, 0, 0, width, height, dc, 0, 0, SRCCOPY);
}
