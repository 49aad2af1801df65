// The back buffer that frames are drawn in, kept from frame to frame, the
// pixels of the bitmaps they are drawn from, and what is known about what the
// buffer and the window hold: which background each row has, where the last
// frame drew over it, and what the window has not been shown yet.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

// The pixels of one bitmap as a frame copies them: 0x00RRGGBB values, rows
// from the top, read once from the bitmap they came from.
struct BitmapPixels {
    bool read {};              // false until the pixels have been read
    HBITMAP source {};         // the bitmap they were read from (null: none was loaded)
    std::vector<uint32_t> pixels;
    int width {};              // pixels
    int height {};             // pixels
};

// Where the last frame drew over the background and the black that a fresh
// bitmap holds. The next frame puts back what belongs there before it draws.
struct FrameMarks {
    static const int boxLimit = 8;
    static const int pixelLimit = 3000;  // one for each spark
    bool everything {};          // too much to note: the whole buffer
    RECT boxes[boxLimit] {};     // blocks, ball, text; each may hold more than was drawn
    int boxCount {};
    bool lineDrawn {};           // the ball's path line, from lineFrom to lineTo
    POINT lineFrom {};
    POINT lineTo {};
    POINT pixels[pixelLimit] {}; // single pixels
    int pixelCount {};
};

// Which parts of the back buffer changed since it was last copied to the
// window, in square cells of pixels: a frame copies only those, unless the
// window needs the whole buffer (a new or cleared buffer, a window that was
// painted over or is another one).
struct ChangedCells {
    static const int cellShift = 6;  // a cell is 64 x 64 pixels
    bool everything {};
    int columns {};                  // cells across the buffer
    int rows {};                     // cells down the buffer
    int words {};                    // 64-bit words for one row of cells
    std::vector<uint64_t> bits;      // one bit for each cell, row after row
};

// Notes that pixel (x, y), which lies in the buffer, changed.
inline void MarkChangedPixel(ChangedCells& cells, int x, int y)
{
    int column = x >> ChangedCells::cellShift;
    size_t word = static_cast<size_t>(y >> ChangedCells::cellShift) * cells.words + (column >> 6);
    cells.bits[word] |= uint64_t(1) << (column & 63);
}

// What one row of the back buffer holds of the background: the two copies of
// the lava wall's row as they were last placed, so that a row whose copies
// would land where they are is left as it is.
struct WallRowCopies {
    bool copied {};        // false: the row holds no background, only black and marks
    bool redrawn {};       // the copies were written afresh in this frame
    bool underTiles {};    // the barrier tiles cover the whole row in this frame
    int starts[2] {};      // where the two copies were asked to start
    int copyWidth {};      // the width they were asked for
    int begins[2] {};      // the columns they cover, clipped to the buffer
    int ends[2] {};        // and to the lava wall: begin up to (not including) end
};

// Sines of wave phases already worked out. Most rows of a frame have a phase
// that some row had in the frame before, and a sine costs about as much as
// copying a row of the background. An empty slot holds phase 0 with its sine, 0.
struct WaveSines {
    static const int slotBits = 13;
    static const int slots = 1 << slotBits;
    int phases[slots] {};
    double sines[slots] {};
};

// What the drawing keeps from frame to frame: the back buffer, made again when
// the client size changes, the pixels of the three loaded bitmaps, what the
// buffer's rows hold of the background, where the last frame drew over it,
// what the window has not been shown yet, and the wave's sines.
struct FrameCanvas {
    HDC dc {};                 // memory context holding the back buffer
    HBITMAP bitmap {};         // 32-bit top-down DIB section, width x height
    HGDIOBJ savedObject {};    // what dc held before bitmap was selected
    uint32_t* pixels {};       // the DIB section's memory, row after row
    int width {};              // pixels; 0 while there is no back buffer
    int height {};             // pixels
    BitmapPixels lavaWall;
    BitmapPixels barrier;
    BitmapPixels particleSheet;
    std::vector<WallRowCopies> backgroundRows;  // one for each row of the lava wall
    FrameMarks marks;
    ChangedCells changed;
    HWND shownIn {};           // the window the buffer was last copied to
    WaveSines sines;
};

// Copies one pixel of `source` at (sourceX, sourceY) into the back buffer at
// (x, y) as a one-pixel BitBlt does: only when both lie inside their bitmaps.
// The pixel is marked, for the next frame to put back what belongs there.
inline void CopyPixel(FrameCanvas& canvas, int x, int y, const BitmapPixels& source, int sourceX, int sourceY)
{
    if (x < 0 || y < 0 || x >= canvas.width || y >= canvas.height) return;
    if (sourceX < 0 || sourceY < 0 || sourceX >= source.width || sourceY >= source.height) return;
    canvas.pixels[static_cast<size_t>(y) * canvas.width + x] =
        source.pixels[static_cast<size_t>(sourceY) * source.width + sourceX];
    MarkChangedPixel(canvas.changed, x, y);
    FrameMarks& marks = canvas.marks;
    if (marks.pixelCount < FrameMarks::pixelLimit)
        marks.pixels[marks.pixelCount++] = {x, y};
    else
        marks.everything = true;
}

// Pixels along one axis, from begin up to (not including) end; empty when
// begin >= end.
struct Span {
    int64_t begin;
    int64_t end;
};

bool IsEmpty(const Span& span);

// Reads the pixels of `bitmap` as a frame would copy them: through a memory
// context it is selected into, so a bitmap that cannot be selected gives the
// context's own one-pixel bitmap, as it does when a frame draws from it.
// False when they were read already.
bool ReadBitmapPixels(BitmapPixels& cache, HBITMAP bitmap, HDC windowDc);

// The back buffer lives from frame to frame and is made again only when the
// client size changes; a new one is all black. ReleaseCanvas gives it back.
void MakeBackBuffer(FrameCanvas& canvas, HDC windowDc, int width, int height);

// Gives back the back buffer, its context and the bitmaps' pixels.
void ReleaseCanvas(FrameCanvas& canvas);

// Everything back to black, when the marks cannot say what was drawn.
void ClearAll(FrameCanvas& canvas);

// The rows that the barrier tiles will cover from edge to edge in this frame,
// along the top and along the bottom: every tile copies its full width, and
// they are laid until they reach the right edge.
void RowsUnderTiles(const FrameCanvas& canvas, int tileWidth, int tileHeight, Span (&rows)[2]);

// Places the two copies of the lava wall's row y, starting at firstX and
// secondX, copyWidth pixels each, into row y of the buffer; a row whose copies
// already lie there is left as it is.
void PlaceBackgroundRow(FrameCanvas& canvas, int y, int firstX, int secondX, int copyWidth);

// Row y gets no background in this frame: the barrier tiles cover it.
void LeaveRowToTiles(FrameCanvas& canvas, int y);

// Puts back this frame's background wherever the last frame drew something
// else over it.
void RedrawMarks(FrameCanvas& canvas);

// Lays the tileWidth x tileHeight barrier tiles along the top and the bottom,
// from the left edge until they reach the right one; `tileRows` are the rows
// RowsUnderTiles gave for them.
void DrawTiles(FrameCanvas& canvas, int tileWidth, int tileHeight, const Span (&tileRows)[2]);

// Copies a width x height block of `source` at (sourceX, sourceY) into the back
// buffer at (x, y) as BitBlt with SRCCOPY does: a negative width or height
// takes the block the other way round from its corner, and only the part that
// lies inside both bitmaps is copied; everything else keeps its pixels. The
// copied block is marked.
void CopyBlock(FrameCanvas& canvas, int x, int y, int width, int height, const BitmapPixels& source,
               int sourceX, int sourceY);

// Notes that the box from (left, top) up to (right, bottom) was drawn on.
void MarkBox(FrameCanvas& canvas, int64_t left, int64_t top, int64_t right, int64_t bottom);

// Notes that a GDI line was drawn from `from` to `to`.
void MarkLine(FrameCanvas& canvas, POINT from, POINT to);

// Copies to the window what changed in the back buffer since the last copy.
// Rows of cells that changed alike make one band, and each run of changed
// cells across a band is one BitBlt. The whole buffer goes when it is new or
// was cleared, when the window was painted over, and to another window.
void ShowChanges(FrameCanvas& canvas, HWND window, HDC windowDc);
