// The frame canvas's own records and pixel helpers, in a namespace of their
// own: only FrameCanvas and its two source files use them; the rest of the
// program draws through FrameCanvas.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "Sparks.h"

// The loaded bitmaps a frame copies from.
enum class CanvasSource { LavaWall, Barrier, ParticleSheet };

namespace canvasParts {

// What a freshly made bitmap holds, and so every pixel no copy covers: black.
const uint32_t freshPixel = 0;

// Pixels along one axis, from begin up to (not including) end; empty when
// begin >= end.
struct Span {
    int64_t begin;
    int64_t end;
};

inline bool IsEmpty(const Span& span)
{
    return span.begin >= span.end;
}

inline Span Intersect(Span span, int64_t begin, int64_t end)
{
    if (span.begin < begin) span.begin = begin;
    if (span.end > end) span.end = end;
    return span;
}

// The destination pixels one axis of a BitBlt writes: `extent` pixels from
// `at` (for a negative extent those up to and including `at`), within the
// target, and taken only from within the source.
Span CopiedSpan(int at, int sourceAt, int extent, int targetSize, int sourceSize);

// Row copies with the C library's memcpy; fills with the string instruction
// rep stosd. A copy by rep movsb showed no gain on an idle machine (2160 rows
// of 4030 pixels: 4.34 ms against 4.22 ms with memcpy).
void CopyPixels(uint32_t* target, const uint32_t* source, int64_t count);
void FillPixels(uint32_t* row, Span columns, uint32_t value);

// Fills the columns of `within` that neither copy covers.
void FillAround(uint32_t* row, Span within, Span first, Span second, uint32_t value);

// The pixels of one bitmap as a frame copies them: 0x00RRGGBB values, rows
// from the top, read once from the bitmap they came from.
struct BitmapPixels {
    bool read {};              // false until the pixels have been read
    HBITMAP source {};         // the bitmap they were read from (null: none was loaded)
    std::vector<uint32_t> pixels;
    int width {};              // pixels
    int height {};             // pixels
};

// A 32-bit DIB section, rows from the top, and its pixels.
HBITMAP MakeDibSection(HDC windowDc, int width, int height, void** bits);

// Reads the pixels of `bitmap` as a frame would copy them: through a memory
// context it is selected into, so a bitmap that cannot be selected gives the
// context's own one-pixel bitmap, as it does when a frame draws from it.
// False when they were read already. When they cannot be read (no memory for
// the copy, a copy that fails) the frame has none, and the next frame tries
// again.
bool ReadBitmapPixels(BitmapPixels& cache, HBITMAP bitmap, HDC windowDc);

// Where the last frame drew over the background and the black that a fresh
// bitmap holds. The next frame puts back what belongs there before it draws.
struct FrameMarks {
    static const int boxLimit = 8;
    // One for each spark pixel a frame draws; a frame that draws more marks
    // everything.
    static const int pixelLimit = sparkPixels;
    bool everything {};          // too much to note: the whole buffer
    RECT boxes[boxLimit] {};     // blocks, ball, text; each may hold more than was drawn
    int boxCount {};
    bool lineDrawn {};           // the ball's path line, from lineFrom to lineTo
    POINT lineFrom {};
    POINT lineTo {};
    POINT pixels[pixelLimit] {}; // single pixels
    int pixelCount {};
};

// Which parts of the back buffer changed since they were last copied to the
// window: for every row, which 64-pixel spans of it. A row is as fine as the
// background changes: the wave moves some rows and leaves others in place.
struct ChangedSpans {
    static const int spanShift = 6;  // a span is 64 pixels of one row
    bool everything {};              // the window needs all of the buffer
    int spans {};                    // spans across the buffer
    int rows {};                     // rows of the buffer
    int words {};                    // 64-bit words for one row's spans
    std::vector<uint64_t> bits;      // one bit for each span, row after row
};

// What one row of the back buffer holds of the background: the two copies of
// the lava wall's row as they were last placed.
struct WallRowCopies {
    bool copied {};        // false: the row holds no background, only black and marks
    bool redrawn {};       // the copies were written afresh in this frame
    int starts[2] {};      // where the two copies were asked to start
    int copyWidth {};      // the width they were asked for
    int begins[2] {};      // the columns they cover, clipped to the buffer
    int ends[2] {};        // and to the lava wall: begin up to (not including) end
};

}  // namespace canvasParts
