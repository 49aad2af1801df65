// The frame canvas: its buffer and bitmaps made and given back, its GDI steps,
// the marks that let the next frame put the background back, and the one
// transfer of a frame to the window.
#include <algorithm>
#include <cmath>

#include "FrameCanvas.h"

using namespace canvasParts;

void FrameCanvas::BeginFrame(HDC windowDc, int frameWidth, int frameHeight, HBITMAP lavaWallBitmap,
                             HBITMAP barrierBitmap, HBITMAP particleSheetBitmap, int frameTileWidth,
                             int frameTileHeight)
{
    bool wallRead = ReadBitmapPixels(lavaWall, lavaWallBitmap, windowDc);
    bool barrierRead = ReadBitmapPixels(barrier, barrierBitmap, windowDc);
    ReadBitmapPixels(particleSheet, particleSheetBitmap, windowDc);
    MakeBuffer(windowDc, frameWidth, frameHeight);
    if (bitmap == nullptr) return;

    GdiFlush();  // the last frame's GDI drawing is done before pixels are written
    // A new lava wall leaves nothing in the buffer worth keeping.
    if (marks.everything || wallRead) ClearAll();

    // Rows the tiles cover from edge to edge need no background: every tile
    // copies its full width, and they are laid until they reach the right edge.
    Span lastTileRows[2] = {tileRows[0], tileRows[1]};
    bool sameTiles = tileWidth == frameTileWidth && tileHeight == frameTileHeight && !barrierRead;
    tileWidth = frameTileWidth;
    tileHeight = frameTileHeight;
    tileRows[0] = {0, 0};
    tileRows[1] = {0, 0};
    if (tileWidth > 0 && barrier.width >= tileWidth) {
        tileRows[0] = CopiedSpan(0, 0, tileHeight, height, barrier.height);
        tileRows[1] = CopiedSpan(height - tileHeight, 0, tileHeight, height, barrier.height);
    }
    for (int k = 0; k < 2 && tilesInPlace; ++k)
        sameTiles = sameTiles && lastTileRows[k].begin == tileRows[k].begin && lastTileRows[k].end == tileRows[k].end;
    if (tilesInPlace && !sameTiles) {
        // Where the tiles lay, this frame's background goes back.
        for (const Span& rows : lastTileRows) MarkBox(0, rows.begin, width, rows.end);
        tilesInPlace = false;
    }
    backgroundOpen = true;
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
    ForgetDrawing();  // a new bitmap is all black
    if (newWidth <= 0 || newHeight <= 0) return;

    void* bits = nullptr;
    bitmap = MakeDibSection(windowDc, newWidth, newHeight, &bits);
    if (bitmap == nullptr) return;  // nothing is drawn; the sparks still move
    savedObject = SelectObject(dc, bitmap);
    pixels = static_cast<uint32_t*>(bits);
    width = newWidth;
    height = newHeight;
    const int span = 1 << ChangedSpans::spanShift;
    changed.spans = (width - 1) / span + 1;
    changed.rows = height;
    changed.words = (changed.spans - 1) / 64 + 1;
    changed.bits.assign(static_cast<size_t>(changed.rows) * changed.words, 0);
    // As many rectangles as a transfer can have (every other span of every
    // row), so that no frame of this size allocates.
    size_t most = static_cast<size_t>(changed.rows) * ((changed.spans + 1) / 2);
    rectangles.reserve(most);
    regionData.reserve(sizeof(RGNDATAHEADER) + most * sizeof(RECT));
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
    backgroundRows = std::vector<WallRowCopies>();
    marks = FrameMarks();
    changed = ChangedSpans();
    rectangles = std::vector<RECT>();
    regionData = std::vector<BYTE>();
    shownIn = nullptr;
    backgroundOpen = false;
    tilesInPlace = false;
}

void FrameCanvas::ClearAll()
{
    for (int y = 0; y < height; ++y) FillPixels(pixels + static_cast<size_t>(y) * width, {0, width}, freshPixel);
    ForgetDrawing();
}

// The buffer holds nothing but black now: no background, no marks.
void FrameCanvas::ForgetDrawing()
{
    backgroundRows.assign(static_cast<size_t>(lavaWall.height), WallRowCopies());
    marks = FrameMarks();
    tilesInPlace = false;
    changed.everything = true;
}

void FrameCanvas::MarkChanged(Span columns, Span rows)
{
    if (IsEmpty(columns) || IsEmpty(rows)) return;
    const int shift = ChangedSpans::spanShift;
    int64_t first = columns.begin >> shift;
    int64_t last = (columns.end - 1) >> shift;
    for (int64_t row = rows.begin; row < rows.end; ++row) {
        uint64_t* words = changed.bits.data() + row * changed.words;
        for (int64_t word = first >> 6; word <= last >> 6; ++word) {
            uint64_t mask = ~uint64_t(0);
            if (word == first >> 6) mask &= ~uint64_t(0) << (first & 63);
            if (word == last >> 6) mask &= ~uint64_t(0) >> (63 - (last & 63));
            words[word] |= mask;
        }
    }
}

void FrameCanvas::MarkChangedPixel(int x, int y)
{
    int span = x >> ChangedSpans::spanShift;
    size_t word = static_cast<size_t>(y) * changed.words + (span >> 6);
    changed.bits[word] |= uint64_t(1) << (span & 63);
}

// Notes that the box from (left, top) up to (right, bottom) was drawn on.
void FrameCanvas::MarkBox(int64_t left, int64_t top, int64_t right, int64_t bottom)
{
    Span columns = Intersect({left, right}, 0, width);
    Span rows = Intersect({top, bottom}, 0, height);
    if (IsEmpty(columns) || IsEmpty(rows)) return;
    MarkChanged(columns, rows);
    RECT box = {static_cast<LONG>(columns.begin), static_cast<LONG>(rows.begin), static_cast<LONG>(columns.end),
                static_cast<LONG>(rows.end)};
    // Rows of tiles and stacks of paddle pieces become one box each.
    for (int k = 0; k < marks.boxCount; ++k) {
        RECT& other = marks.boxes[k];
        bool sameRows = other.top == box.top && other.bottom == box.bottom;
        bool sameColumns = other.left == box.left && other.right == box.right;
        if ((sameRows && box.left <= other.right && other.left <= box.right) ||
            (sameColumns && box.top <= other.bottom && other.top <= box.bottom)) {
            UnionRect(&other, &other, &box);
            return;
        }
    }
    if (marks.boxCount < FrameMarks::boxLimit) {
        marks.boxes[marks.boxCount++] = box;
        return;
    }
    RECT& last = marks.boxes[FrameMarks::boxLimit - 1];
    UnionRect(&last, &last, &box);
}

// Calls visit(y, columns) for every row of the buffer that a GDI line from
// `from` to `to` may draw on, with the columns it may draw there: those it
// passes within a few rows, with a few pixels to spare on each side for rounding.
template <typename Visit>
void FrameCanvas::VisitLineRows(POINT from, POINT to, Visit visit) const
{
    const int64_t slack = 3;
    int64_t top = std::max<int64_t>(std::min(from.y, to.y) - slack, 0);
    int64_t bottom = std::min<int64_t>(std::max(from.y, to.y) + slack + 1, height);
    Span lineColumns = {std::min(from.x, to.x) - slack, std::max(from.x, to.x) + slack + 1};
    for (int64_t y = top; y < bottom; ++y) {
        Span columns = lineColumns;
        if (from.y != to.y) {
            double slope = static_cast<double>(to.x - from.x) / (to.y - from.y);
            double a = from.x + static_cast<double>(y - slack - from.y) * slope;
            double b = from.x + static_cast<double>(y + slack - from.y) * slope;
            columns = Intersect(columns, static_cast<int64_t>(std::floor(std::min(a, b))) - slack,
                                static_cast<int64_t>(std::ceil(std::max(a, b))) + slack + 1);
        }
        columns = Intersect(columns, 0, width);
        if (!IsEmpty(columns)) visit(static_cast<int>(y), columns);
    }
}

// Puts back this frame's background wherever the last frame drew something
// else over it; from here on this frame's own marks are noted.
void FrameCanvas::RedrawMarks()
{
    backgroundOpen = false;
    if (marks.lineDrawn)
        VisitLineRows(marks.lineFrom, marks.lineTo, [this](int y, Span columns) { RedrawBackground(y, columns); });
    for (int k = 0; k < marks.boxCount; ++k) {
        const RECT& box = marks.boxes[k];
        for (int y = box.top; y < box.bottom; ++y) RedrawBackground(y, {box.left, box.right});
    }
    for (int k = 0; k < marks.pixelCount; ++k) RedrawBackgroundPixel(marks.pixels[k].x, marks.pixels[k].y);
    marks.lineDrawn = false;
    marks.boxCount = 0;
    marks.pixelCount = 0;
}

namespace {

RECT Ordered(const RECT& box)
{
    return {std::min(box.left, box.right), std::min(box.top, box.bottom), std::max(box.left, box.right),
            std::max(box.top, box.bottom)};
}

}  // namespace

// The two halves of DrawWithGdi around its drawing: false when there is no
// buffer to draw in.
bool FrameCanvas::StartGdiStep(const RECT& box)
{
    FinishBackground();
    if (bitmap == nullptr) return false;
    RECT inside = Ordered(box);
    SaveDC(dc);
    IntersectClipRect(dc, inside.left, inside.top, inside.right, inside.bottom);
    return true;
}

void FrameCanvas::EndGdiStep(const RECT& box)
{
    RestoreDC(dc, -1);
    GdiFlush();
    RECT inside = Ordered(box);
    MarkBox(inside.left, inside.top, inside.right, inside.bottom);
}

void FrameCanvas::DrawLine(POINT from, POINT to)
{
    FinishBackground();
    if (bitmap == nullptr) return;
    // The marks below allow for a one-pixel line.
    HGDIOBJ savedPen = SelectObject(dc, GetStockObject(BLACK_PEN));
    MoveToEx(dc, from.x, from.y, nullptr);
    LineTo(dc, to.x, to.y);
    SelectObject(dc, savedPen);
    GdiFlush();
    marks.lineDrawn = true;
    marks.lineFrom = from;
    marks.lineTo = to;
    VisitLineRows(from, to, [this](int y, Span columns) { MarkChanged(columns, {y, y + 1}); });
}

void FrameCanvas::DrawTextAt(int x, int y, const char* text, COLORREF colour)
{
    if (bitmap == nullptr) return;
    int length = lstrlenA(text);
    SIZE extent = {};
    GetTextExtentPoint32A(dc, text, length, &extent);
    // Glyphs may reach a little past the text's cells.
    const int spare = 8;
    RECT box = {x - spare, y - spare, x + extent.cx + spare, y + extent.cy + spare};
    DrawWithGdi(box, [&](HDC target) {
        SetBkMode(target, TRANSPARENT);
        SetTextColor(target, colour);
        TextOutA(target, x, y, text, length);
    });
}

void FrameCanvas::WindowPainted()
{
    changed.everything = true;
}

// The changed spans as rectangles: rows whose spans changed alike make one
// band, and each run of changed spans across a band is one rectangle.
namespace {

void ChangedRectangles(const ChangedSpans& changed, int width, std::vector<RECT>& rectangles)
{
    const int span = 1 << ChangedSpans::spanShift;
    auto isChanged = [](const uint64_t* words, int column) {
        return (words[column >> 6] >> (column & 63) & 1) != 0;
    };
    auto isEmpty = [&changed](const uint64_t* words) {
        return std::all_of(words, words + changed.words, [](uint64_t word) { return word == 0; });
    };
    rectangles.clear();
    for (int top = 0; top < changed.rows;) {
        const uint64_t* band = changed.bits.data() + static_cast<size_t>(top) * changed.words;
        int bottom = top + 1;
        while (bottom < changed.rows &&
               std::equal(band, band + changed.words, changed.bits.data() + static_cast<size_t>(bottom) * changed.words))
            ++bottom;
        for (int column = 0; !isEmpty(band) && column < changed.spans;) {
            if (!isChanged(band, column)) {
                ++column;
                continue;
            }
            int end = column + 1;
            while (end < changed.spans && isChanged(band, end)) ++end;
            rectangles.push_back({column * span, top, std::min(end * span, width), bottom});
            column = end;
        }
        top = bottom;
    }
}

}  // namespace

void FrameCanvas::ShowFrame(HWND window, HDC windowDc)
{
    FinishBackground();
    if (bitmap == nullptr) return;
    // Without the window's context nothing is shown: all stays marked.
    if (windowDc == nullptr) return;
    bool shown = true;
    if (changed.everything || shownIn != window) {
        shown = BitBlt(windowDc, 0, 0, width, height, dc, 0, 0, SRCCOPY) != FALSE;
    } else {
        ChangedRectangles(changed, width, rectangles);
        shown = CopyRectangles(windowDc);
    }
    // A copy that failed leaves its rows marked, and the next frame copies
    // them with its own.
    if (!shown) return;
    changed.everything = false;
    std::fill(changed.bits.begin(), changed.bits.end(), 0);
    shownIn = window;
}

// One copy, so the window never shows a frame half copied: clipped to the
// rectangles when they are few, otherwise of all that lies between them.
// Wine makes a region of many rectangles slowly: with the default wave the
// changed rows come in many short runs, and the clipped copy of those cost
// the game more than copying the rows between them too (docs/rendering.md).
// False when the copy failed.
bool FrameCanvas::CopyRectangles(HDC windowDc)
{
    if (rectangles.empty()) return true;
    RECT bounds = rectangles[0];
    for (const RECT& each : rectangles) UnionRect(&bounds, &bounds, &each);
    const size_t regionLimit = 32;  // about as many bands as 64-pixel cells made at 3840 x 2160
    HRGN clip = nullptr;
    if (rectangles.size() <= regionLimit) {
        regionData.resize(sizeof(RGNDATAHEADER) + rectangles.size() * sizeof(RECT));
        RGNDATA* region = reinterpret_cast<RGNDATA*>(regionData.data());
        region->rdh.dwSize = sizeof(RGNDATAHEADER);
        region->rdh.iType = RDH_RECTANGLES;
        region->rdh.nCount = static_cast<DWORD>(rectangles.size());
        region->rdh.nRgnSize = static_cast<DWORD>(rectangles.size() * sizeof(RECT));
        region->rdh.rcBound = bounds;
        std::copy(rectangles.begin(), rectangles.end(), reinterpret_cast<RECT*>(region->Buffer));
        clip = ExtCreateRegion(nullptr, static_cast<DWORD>(regionData.size()), region);
        SelectClipRgn(windowDc, clip);
    }
    BOOL copied = BitBlt(windowDc, bounds.left, bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top,
                         dc, bounds.left, bounds.top, SRCCOPY);
    if (clip != nullptr) {
        SelectClipRgn(windowDc, nullptr);
        DeleteObject(clip);
    }
    return copied != FALSE;
}
