#include <intrin.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>

#include "FrameCanvas.h"

namespace {

// What a freshly made compatible bitmap holds: black.
const uint32_t freshPixel = 0;

// Where one axis of a BitBlt lands: `extent` pixels from `at`, or for a
// negative extent the pixels from at + extent + 1 up to and including `at`.
Span BlitSpan(int64_t at, int64_t extent)
{
    if (extent >= 0) return {at, at + extent};
    return {at + extent + 1, at + 1};
}

Span Intersect(Span span, int64_t begin, int64_t end)
{
    if (span.begin < begin) span.begin = begin;
    if (span.end > end) span.end = end;
    return span;
}

// Notes that the pixels in `columns` of `rows`, which lie in the buffer,
// changed: every cell they touch is copied to the window.
void MarkChanged(ChangedCells& cells, Span columns, Span rows)
{
    if (IsEmpty(columns) || IsEmpty(rows)) return;
    const int shift = ChangedCells::cellShift;
    int64_t first = columns.begin >> shift;
    int64_t last = (columns.end - 1) >> shift;
    for (int64_t row = rows.begin >> shift; row <= (rows.end - 1) >> shift; ++row) {
        uint64_t* words = cells.bits.data() + row * cells.words;
        for (int64_t word = first >> 6; word <= last >> 6; ++word) {
            uint64_t mask = ~uint64_t(0);
            if (word == first >> 6) mask &= ~uint64_t(0) << (first & 63);
            if (word == last >> 6) mask &= ~uint64_t(0) >> (63 - (last & 63));
            words[word] |= mask;
        }
    }
}

bool IsChanged(const uint64_t* words, int column)
{
    return (words[column >> 6] >> (column & 63) & 1) != 0;
}

// The destination pixels one axis of a copy writes: within the target, and
// taken only from within the source.
Span CopiedSpan(int at, int sourceAt, int extent, int targetSize, int sourceSize)
{
    Span target = Intersect(BlitSpan(at, extent), 0, targetSize);
    Span source = Intersect(BlitSpan(sourceAt, extent), 0, sourceSize);
    int64_t shift = static_cast<int64_t>(at) - sourceAt;
    return Intersect(target, source.begin + shift, source.end + shift);
}

// The string instructions copy and fill a frame's rows a good deal faster than
// the C library's memcpy and memset do under Wine; a few pixels are quicker
// one by one.
const int64_t shortRun = 16;

void CopyPixels(uint32_t* target, const uint32_t* source, int64_t count)
{
    if (count < shortRun) {
        for (int64_t k = 0; k < count; ++k) target[k] = source[k];
        return;
    }
    __movsb(reinterpret_cast<unsigned char*>(target), reinterpret_cast<const unsigned char*>(source),
            static_cast<size_t>(count) * sizeof(uint32_t));
}

void FillPixels(uint32_t* row, Span columns, uint32_t value)
{
    int64_t count = columns.end - columns.begin;
    if (count <= 0) return;
    if (count < shortRun) {
        for (int64_t x = columns.begin; x < columns.end; ++x) row[x] = value;
        return;
    }
    __stosd(reinterpret_cast<unsigned long*>(row + columns.begin), value, static_cast<size_t>(count));
}

// Fills the columns of `within` that neither copy covers.
void FillAround(uint32_t* row, Span within, Span first, Span second, uint32_t value)
{
    if (second.begin < first.begin) std::swap(first, second);
    int64_t done = within.begin;
    for (const Span& copy : {first, second}) {
        if (IsEmpty(copy)) continue;
        FillPixels(row, Intersect({done, copy.begin}, within.begin, within.end), value);
        done = std::max(done, copy.end);
    }
    FillPixels(row, {done, within.end}, value);
}

Span CopySpan(const WallRowCopies& record, int k)
{
    return {record.begins[k], record.ends[k]};
}

// One row of the wavy background: the two copies of row y of the lava wall,
// the second over the first where they meet. Where the row's last copies lay
// and these do not, the fresh bitmap's black is written again.
void DrawBackgroundRow(FrameCanvas& canvas, int y, int firstX, int secondX, int copyWidth)
{
    const BitmapPixels& wall = canvas.lavaWall;
    WallRowCopies& record = canvas.backgroundRows[y];
    uint32_t* row = canvas.pixels + static_cast<size_t>(y) * canvas.width;
    const uint32_t* wallRow = wall.pixels.data() + static_cast<size_t>(y) * wall.width;
    int starts[2] = {firstX, secondX};
    Span copies[2];
    for (int k = 0; k < 2; ++k) {
        copies[k] = CopiedSpan(starts[k], 0, copyWidth, canvas.width, wall.width);
        if (!IsEmpty(copies[k]))
            CopyPixels(row + copies[k].begin, wallRow + (copies[k].begin - starts[k]),
                       copies[k].end - copies[k].begin);
    }
    Span changed = {canvas.width, 0};
    auto widen = [&changed](Span span) {
        if (IsEmpty(span)) return;
        changed = {std::min(changed.begin, span.begin), std::max(changed.end, span.end)};
    };
    widen(copies[0]);
    widen(copies[1]);
    if (record.copied) {
        for (int k = 0; k < 2; ++k) {
            FillAround(row, CopySpan(record, k), copies[0], copies[1], freshPixel);
            widen(CopySpan(record, k));
        }
    }
    MarkChanged(canvas.changed, changed, {y, y + 1});
    record.copied = true;
    record.redrawn = true;
    record.copyWidth = copyWidth;
    for (int k = 0; k < 2; ++k) {
        record.starts[k] = starts[k];
        record.begins[k] = static_cast<int>(copies[k].begin);
        record.ends[k] = static_cast<int>(copies[k].end);
    }
}

// Puts back in columns `columns` of row y what this frame's background has
// there: the lava wall where a copy lies, black elsewhere. A row whose copies
// were written afresh in this frame needs only the black.
void RedrawBackground(FrameCanvas& canvas, int y, Span columns)
{
    uint32_t* row = canvas.pixels + static_cast<size_t>(y) * canvas.width;
    bool recorded = static_cast<size_t>(y) < canvas.backgroundRows.size();
    if (recorded && canvas.backgroundRows[y].underTiles) return;
    MarkChanged(canvas.changed, columns, {y, y + 1});
    if (!recorded || !canvas.backgroundRows[y].copied) {
        FillPixels(row, columns, freshPixel);
        return;
    }
    const WallRowCopies& record = canvas.backgroundRows[y];
    FillAround(row, columns, CopySpan(record, 0), CopySpan(record, 1), freshPixel);
    if (record.redrawn) return;
    const BitmapPixels& wall = canvas.lavaWall;
    const uint32_t* wallRow = wall.pixels.data() + static_cast<size_t>(y) * wall.width;
    for (int k = 0; k < 2; ++k) {
        Span part = Intersect(CopySpan(record, k), columns.begin, columns.end);
        if (!IsEmpty(part))
            CopyPixels(row + part.begin, wallRow + (part.begin - record.starts[k]), part.end - part.begin);
    }
}

// The one-pixel case of RedrawBackground.
void RedrawBackgroundPixel(FrameCanvas& canvas, int x, int y)
{
    size_t offset = static_cast<size_t>(y) * canvas.width + x;
    const WallRowCopies* record = nullptr;
    if (static_cast<size_t>(y) < canvas.backgroundRows.size()) {
        if (canvas.backgroundRows[y].underTiles) return;
        if (canvas.backgroundRows[y].copied) record = &canvas.backgroundRows[y];
    }
    MarkChangedPixel(canvas.changed, x, y);
    for (int k = 1; record != nullptr && k >= 0; --k) {  // the second copy lies over the first
        if (record->begins[k] <= x && x < record->ends[k]) {
            if (!record->redrawn)
                canvas.pixels[offset] = canvas.lavaWall.pixels[static_cast<size_t>(y) * canvas.lavaWall.width +
                                                               (x - record->starts[k])];
            return;
        }
    }
    canvas.pixels[offset] = freshPixel;
}

// The back buffer holds nothing but black now: no background, no marks.
void ForgetDrawing(FrameCanvas& canvas)
{
    canvas.backgroundRows.assign(static_cast<size_t>(canvas.lavaWall.height), WallRowCopies());
    canvas.marks = FrameMarks();
    canvas.changed.everything = true;
}

// Calls visit(y, columns) for every row of the buffer that a GDI line from
// `from` to `to` may draw on, with the columns it may draw there: those it
// passes within a few rows, with a few pixels to spare on each side for rounding.
template <typename Visit>
void VisitLineRows(const FrameCanvas& canvas, POINT from, POINT to, Visit visit)
{
    const int64_t slack = 3;
    int64_t top = std::max<int64_t>(std::min(from.y, to.y) - slack, 0);
    int64_t bottom = std::min<int64_t>(std::max(from.y, to.y) + slack + 1, canvas.height);
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
        columns = Intersect(columns, 0, canvas.width);
        if (!IsEmpty(columns)) visit(static_cast<int>(y), columns);
    }
}

// Puts back the background over every pixel that a line may have drawn.
void RedrawLine(FrameCanvas& canvas, POINT from, POINT to)
{
    VisitLineRows(canvas, from, to, [&canvas](int y, Span columns) { RedrawBackground(canvas, y, columns); });
}

// Draws the rows `rows` of the tiles laid along one edge, with their top at
// row `top`, where they cover whole rows: each row is the tile's row over and
// over, written once and then doubled.
void DrawTileRows(FrameCanvas& canvas, int top, int tileWidth, Span rows)
{
    const BitmapPixels& tile = canvas.barrier;
    for (int64_t y = rows.begin; y < rows.end; ++y) {
        uint32_t* row = canvas.pixels + y * canvas.width;
        int64_t done = std::min(tileWidth, canvas.width);
        CopyPixels(row, tile.pixels.data() + (y - top) * tile.width, done);
        while (done < canvas.width) {
            int64_t count = std::min<int64_t>(done, canvas.width - done);
            CopyPixels(row + done, row, count);
            done += count;
        }
    }
}

}  // namespace

bool IsEmpty(const Span& span)
{
    return span.begin >= span.end;
}

bool ReadBitmapPixels(BitmapPixels& cache, HBITMAP bitmap, HDC windowDc)
{
    if (cache.read && cache.source == bitmap) return false;
    cache.read = true;
    cache.source = bitmap;
    cache.width = 0;
    cache.height = 0;
    cache.pixels.clear();

    HDC sourceDc = CreateCompatibleDC(windowDc);
    HGDIOBJ savedSourceObject = SelectObject(sourceDc, bitmap);
    BITMAP info = {};
    GetObjectA(GetCurrentObject(sourceDc, OBJ_BITMAP), sizeof info, &info);
    if (info.bmWidth > 0 && info.bmHeight > 0) {
        BITMAPINFO format = {};
        format.bmiHeader.biSize = sizeof format.bmiHeader;
        format.bmiHeader.biWidth = info.bmWidth;
        format.bmiHeader.biHeight = -info.bmHeight;  // top row first
        format.bmiHeader.biPlanes = 1;
        format.bmiHeader.biBitCount = 32;
        format.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HBITMAP copy = CreateDIBSection(windowDc, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (copy != nullptr) {
            // A fresh context has the colours a frame's back buffer has while
            // the bitmaps are copied, should a one-bit bitmap need them.
            HDC copyDc = CreateCompatibleDC(windowDc);
            HGDIOBJ savedCopyObject = SelectObject(copyDc, copy);
            BitBlt(copyDc, 0, 0, info.bmWidth, info.bmHeight, sourceDc, 0, 0, SRCCOPY);
            GdiFlush();
            const uint32_t* first = static_cast<const uint32_t*>(bits);
            cache.pixels.assign(first, first + static_cast<size_t>(info.bmWidth) * info.bmHeight);
            cache.width = info.bmWidth;
            cache.height = info.bmHeight;
            SelectObject(copyDc, savedCopyObject);
            DeleteDC(copyDc);
            DeleteObject(copy);
        }
    }
    SelectObject(sourceDc, savedSourceObject);
    DeleteDC(sourceDc);
    return true;
}

void MakeBackBuffer(FrameCanvas& canvas, HDC windowDc, int width, int height)
{
    if (canvas.dc != nullptr && canvas.width == width && canvas.height == height) return;
    if (canvas.dc == nullptr) canvas.dc = CreateCompatibleDC(windowDc);
    if (canvas.bitmap != nullptr) {
        SelectObject(canvas.dc, canvas.savedObject);
        DeleteObject(canvas.bitmap);
    }
    canvas.bitmap = nullptr;
    canvas.savedObject = nullptr;
    canvas.pixels = nullptr;
    canvas.width = 0;
    canvas.height = 0;
    ForgetDrawing(canvas);  // a new bitmap is all black
    if (width <= 0 || height <= 0) return;

    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = -height;  // top row first
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    canvas.bitmap = CreateDIBSection(windowDc, &format, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (canvas.bitmap == nullptr) return;  // nothing is drawn; the sparks still move
    canvas.savedObject = SelectObject(canvas.dc, canvas.bitmap);
    canvas.pixels = static_cast<uint32_t*>(bits);
    canvas.width = width;
    canvas.height = height;
    ChangedCells& cells = canvas.changed;
    const int cell = 1 << ChangedCells::cellShift;
    cells.columns = (width - 1) / cell + 1;
    cells.rows = (height - 1) / cell + 1;
    cells.words = (cells.columns - 1) / 64 + 1;
    cells.bits.assign(static_cast<size_t>(cells.rows) * cells.words, 0);
}

void ReleaseCanvas(FrameCanvas& canvas)
{
    if (canvas.bitmap != nullptr) {
        SelectObject(canvas.dc, canvas.savedObject);
        DeleteObject(canvas.bitmap);
    }
    if (canvas.dc != nullptr) DeleteDC(canvas.dc);
    canvas.dc = nullptr;
    canvas.bitmap = nullptr;
    canvas.savedObject = nullptr;
    canvas.pixels = nullptr;
    canvas.width = 0;
    canvas.height = 0;
    canvas.lavaWall = BitmapPixels();
    canvas.barrier = BitmapPixels();
    canvas.particleSheet = BitmapPixels();
    canvas.backgroundRows = std::vector<WallRowCopies>();
    canvas.marks = FrameMarks();
    canvas.changed = ChangedCells();
    canvas.shownIn = nullptr;
}

void ClearAll(FrameCanvas& canvas)
{
    for (int y = 0; y < canvas.height; ++y)
        FillPixels(canvas.pixels + static_cast<size_t>(y) * canvas.width, {0, canvas.width}, freshPixel);
    ForgetDrawing(canvas);
}

void RowsUnderTiles(const FrameCanvas& canvas, int tileWidth, int tileHeight, Span (&rows)[2])
{
    rows[0] = {0, 0};
    rows[1] = {0, 0};
    if (tileWidth <= 0 || canvas.barrier.width < tileWidth) return;
    rows[0] = CopiedSpan(0, 0, tileHeight, canvas.height, canvas.barrier.height);
    rows[1] = CopiedSpan(canvas.height - tileHeight, 0, tileHeight, canvas.height, canvas.barrier.height);
}

void PlaceBackgroundRow(FrameCanvas& canvas, int y, int firstX, int secondX, int copyWidth)
{
    WallRowCopies& record = canvas.backgroundRows[y];
    record.redrawn = false;
    record.underTiles = false;
    if (record.copied && record.starts[0] == firstX && record.starts[1] == secondX && record.copyWidth == copyWidth)
        return;
    DrawBackgroundRow(canvas, y, firstX, secondX, copyWidth);
}

void LeaveRowToTiles(FrameCanvas& canvas, int y)
{
    WallRowCopies& record = canvas.backgroundRows[y];
    record = WallRowCopies();
    record.underTiles = true;
}

void RedrawMarks(FrameCanvas& canvas)
{
    FrameMarks& marks = canvas.marks;
    if (marks.lineDrawn) RedrawLine(canvas, marks.lineFrom, marks.lineTo);
    for (int k = 0; k < marks.boxCount; ++k) {
        const RECT& box = marks.boxes[k];
        for (int y = box.top; y < box.bottom; ++y) RedrawBackground(canvas, y, {box.left, box.right});
    }
    for (int k = 0; k < marks.pixelCount; ++k) RedrawBackgroundPixel(canvas, marks.pixels[k].x, marks.pixels[k].y);
    marks.lineDrawn = false;
    marks.boxCount = 0;
    marks.pixelCount = 0;
}

void DrawTiles(FrameCanvas& canvas, int tileWidth, int tileHeight, const Span (&tileRows)[2])
{
    if (!IsEmpty(tileRows[0]) || !IsEmpty(tileRows[1])) {
        // The bottom row of tiles lies over the top one where they meet.
        int tops[2] = {0, canvas.height - tileHeight};
        for (int k = 0; k < 2; ++k) {
            DrawTileRows(canvas, tops[k], tileWidth, tileRows[k]);
            MarkBox(canvas, 0, tileRows[k].begin, canvas.width, tileRows[k].end);
        }
        return;
    }
    for (int x = 0; tileWidth > 0 && x < canvas.width; x += tileWidth) {
        CopyBlock(canvas, x, 0, tileWidth, tileHeight, canvas.barrier, 0, 0);
        CopyBlock(canvas, x, canvas.height - tileHeight, tileWidth, tileHeight, canvas.barrier, 0, 0);
    }
}

void CopyBlock(FrameCanvas& canvas, int x, int y, int width, int height, const BitmapPixels& source,
               int sourceX, int sourceY)
{
    Span columns = CopiedSpan(x, sourceX, width, canvas.width, source.width);
    Span rows = CopiedSpan(y, sourceY, height, canvas.height, source.height);
    if (IsEmpty(columns) || IsEmpty(rows)) return;
    int64_t fromX = columns.begin - x + sourceX;
    for (int64_t row = rows.begin; row < rows.end; ++row) {
        int64_t fromY = row - y + sourceY;
        CopyPixels(canvas.pixels + row * canvas.width + columns.begin,
                   source.pixels.data() + fromY * source.width + fromX, columns.end - columns.begin);
    }
    MarkBox(canvas, columns.begin, rows.begin, columns.end, rows.end);
}

void MarkBox(FrameCanvas& canvas, int64_t left, int64_t top, int64_t right, int64_t bottom)
{
    Span columns = Intersect({left, right}, 0, canvas.width);
    Span rows = Intersect({top, bottom}, 0, canvas.height);
    if (IsEmpty(columns) || IsEmpty(rows)) return;
    MarkChanged(canvas.changed, columns, rows);
    RECT box = {static_cast<LONG>(columns.begin), static_cast<LONG>(rows.begin), static_cast<LONG>(columns.end),
                static_cast<LONG>(rows.end)};
    FrameMarks& marks = canvas.marks;
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

void MarkLine(FrameCanvas& canvas, POINT from, POINT to)
{
    canvas.marks.lineDrawn = true;
    canvas.marks.lineFrom = from;
    canvas.marks.lineTo = to;
    VisitLineRows(canvas, from, to,
                  [&canvas](int y, Span columns) { MarkChanged(canvas.changed, columns, {y, y + 1}); });
}

void ShowChanges(FrameCanvas& canvas, HWND window, HDC windowDc)
{
    ChangedCells& cells = canvas.changed;
    if (cells.everything || canvas.shownIn != window) {
        BitBlt(windowDc, 0, 0, canvas.width, canvas.height, canvas.dc, 0, 0, SRCCOPY);
    } else {
        const int cell = 1 << ChangedCells::cellShift;
        for (int top = 0; top < cells.rows;) {
            const uint64_t* band = cells.bits.data() + static_cast<size_t>(top) * cells.words;
            int bottom = top + 1;
            while (bottom < cells.rows &&
                   std::equal(band, band + cells.words, cells.bits.data() + static_cast<size_t>(bottom) * cells.words))
                ++bottom;
            int y = top * cell;
            int height = std::min(bottom * cell, canvas.height) - y;
            for (int column = 0; column < cells.columns;) {
                if (!IsChanged(band, column)) {
                    ++column;
                    continue;
                }
                int end = column + 1;
                while (end < cells.columns && IsChanged(band, end)) ++end;
                int x = column * cell;
                BitBlt(windowDc, x, y, std::min(end * cell, canvas.width) - x, height, canvas.dc, x, y, SRCCOPY);
                column = end;
            }
            top = bottom;
        }
    }
    cells.everything = false;
    std::fill(cells.bits.begin(), cells.bits.end(), 0);
    canvas.shownIn = window;
}
