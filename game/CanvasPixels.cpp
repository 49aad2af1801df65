// The frame canvas's writes straight into the back buffer: background rows,
// barrier tiles, blocks and single pixels.
#include <intrin.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

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

// `count` pixels side by side in memory from `first`: a buffer, one of its rows,
// or a run within a row. Every run the canvas writes or reads is taken with
// Part from the buffer it lies in. In the hardened build (BRELLIX_CHECKED_SPANS)
// Part traps on a run that does not lie wholly within the one it is taken
// from, before any pixel is touched, and a copy traps when its two runs differ
// in length; in the release neither check is compiled.
template <typename Pixel>
struct PixelRun {
    Pixel* first;
    int64_t count;

    PixelRun Part(int64_t at, int64_t length) const
    {
#ifdef BRELLIX_CHECKED_SPANS
        if (length < 0 || at < 0 || at > count - length) __builtin_trap();
#endif
        return {first + at, length};
    }
};

using TargetRun = PixelRun<uint32_t>;
using SourceRun = PixelRun<const uint32_t>;

// Row y of the back buffer, width x height pixels at `pixels`.
TargetRun BufferRow(uint32_t* pixels, int width, int height, int64_t y)
{
    TargetRun buffer = {pixels, static_cast<int64_t>(width) * height};
    return buffer.Part(y * width, width);
}

// Row y of a loaded bitmap's pixels, rows of `width`.
SourceRun SourceRow(const std::vector<uint32_t>& pixels, int width, int64_t y)
{
    SourceRun all = {pixels.data(), static_cast<int64_t>(pixels.size())};
    return all.Part(y * width, width);
}

// Copies all of `source` to `target`, which is as long: with the C library's
// memcpy, a few pixels one by one.
void CopyPixels(TargetRun target, SourceRun source)
{
#ifdef BRELLIX_CHECKED_SPANS
    if (source.count != target.count) __builtin_trap();
#endif
    if (target.count < shortRun) {
        for (int64_t k = 0; k < target.count; ++k) target.first[k] = source.first[k];
        return;
    }
    std::memcpy(target.first, source.first, static_cast<size_t>(target.count) * sizeof(uint32_t));
}

// Fills the columns of `row` that `columns` names, with the string instruction
// rep stosd, a few pixels one by one.
void FillPixels(const TargetRun& row, Span columns, uint32_t value)
{
    if (IsEmpty(columns)) return;
    TargetRun run = row.Part(columns.begin, columns.end - columns.begin);
    if (run.count < shortRun) {
        for (int64_t k = 0; k < run.count; ++k) run.first[k] = value;
        return;
    }
    __stosd(reinterpret_cast<unsigned long*>(run.first), value, static_cast<size_t>(run.count));
}

// Fills the columns of `within` that neither copy covers.
void FillAround(const TargetRun& row, Span within, Span first, Span second, uint32_t value)
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
    TargetRun row = BufferRow(pixels, width, height, y);
    int starts[2] = {firstX, secondX};
    Span copies[2] = {{0, 0}, {0, 0}};
    // Rows below the lava wall show none of it.
    for (int k = 0; k < 2 && y < lavaWall.height; ++k) {
        copies[k] = CopiedSpan(starts[k], 0, copyWidth, width, lavaWall.width);
        if (IsEmpty(copies[k])) continue;
        int64_t count = copies[k].end - copies[k].begin;
        SourceRun wallRow = SourceRow(lavaWall.pixels, lavaWall.width, y);
        CopyPixels(row.Part(copies[k].begin, count), wallRow.Part(copies[k].begin - starts[k], count));
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
    int64_t count = columns.end - columns.begin;
    for (int64_t row = rows.begin; row < rows.end; ++row) {
        int64_t fromY = row - y + sourceY;
        CopyPixels(BufferRow(pixels, width, height, row).Part(columns.begin, count),
                   SourceRow(source.pixels, source.width, fromY).Part(fromX, count));
    }
}

void FrameCanvas::CopyPixel(int x, int y, CanvasSource from, int sourceX, int sourceY)
{
    const BitmapPixels& source = Source(from);
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    if (sourceX < 0 || sourceY < 0 || sourceX >= source.width || sourceY >= source.height) return;
    CopyPixels(BufferRow(pixels, width, height, y).Part(x, 1),
               SourceRow(source.pixels, source.width, sourceY).Part(sourceX, 1));
}

