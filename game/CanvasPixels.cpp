// The frame canvas's writes straight into the back buffer: background rows,
// barrier tiles, blocks and single pixels.
#include <intrin.h>

#include <algorithm>
#include <cstring>
#include <utility>

#include "FrameCanvas.h"

namespace {

// What a freshly made bitmap holds, and so every pixel no copy covers: black.
const uint32_t freshPixel = 0;

// A few pixels are written one by one rather than by memcpy or a string instruction.
const int64_t shortRun = 16;

// Pixels along one axis, from begin up to (not including) end; empty when
// begin >= end.
struct Span {
    int64_t begin;
    int64_t end;
};

bool IsEmpty(const Span& span)
{
    return span.begin >= span.end;
}

Span Intersect(Span span, int64_t begin, int64_t end)
{
    if (span.begin < begin) span.begin = begin;
    if (span.end > end) span.end = end;
    return span;
}

Span BlitSpan(int64_t at, int64_t extent)
{
    if (extent >= 0) return {at, at + extent};
    return {at + extent + 1, at + 1};
}

// The destination pixels one axis of a BitBlt writes: `extent` pixels from
// `at` (for a negative extent those up to and including `at`), within the
// target, and taken only from within the source.
Span CopiedSpan(int at, int sourceAt, int extent, int targetSize, int sourceSize)
{
    Span target = Intersect(BlitSpan(at, extent), 0, targetSize);
    Span source = Intersect(BlitSpan(sourceAt, extent), 0, sourceSize);
    int64_t shift = static_cast<int64_t>(at) - sourceAt;
    return Intersect(target, source.begin + shift, source.end + shift);
}

// Row copies with the C library's memcpy; fills with the string instruction
// rep stosd.
void CopyPixels(uint32_t* target, const uint32_t* source, int64_t count)
{
    if (count < shortRun) {
        for (int64_t k = 0; k < count; ++k) target[k] = source[k];
        return;
    }
    std::memcpy(target, source, static_cast<size_t>(count) * sizeof(uint32_t));
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

}  // namespace

const FrameCanvas::BitmapPixels& FrameCanvas::Source(CanvasSource source) const
{
    if (source == CanvasSource::LavaWall) return lavaWall;
    if (source == CanvasSource::Barrier) return barrier;
    return particleSheet;
}

void FrameCanvas::PutBackgroundRow(int y, int firstX, int secondX, int copyWidth)
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

void FrameCanvas::DrawBarrierRows()
{
    for (int x = 0; tileWidth > 0 && x < width; x += tileWidth) {
        CopyBlock(x, 0, tileWidth, tileHeight, CanvasSource::Barrier, 0, 0);
        CopyBlock(x, height - tileHeight, tileWidth, tileHeight, CanvasSource::Barrier, 0, 0);
    }
}

void FrameCanvas::CopyBlock(int x, int y, int blockWidth, int blockHeight, CanvasSource from, int sourceX,
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

void FrameCanvas::CopyPixel(int x, int y, CanvasSource from, int sourceX, int sourceY)
{
    const BitmapPixels& source = Source(from);
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    if (sourceX < 0 || sourceY < 0 || sourceX >= source.width || sourceY >= source.height) return;
    pixels[static_cast<size_t>(y) * width + x] = source.pixels[static_cast<size_t>(sourceY) * source.width + sourceX];
}

