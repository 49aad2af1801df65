#include "FrameRenderingFixture.h"

Pixels ReferenceScoreText(const char* text)
{
    HDC screen = GetDC(nullptr);
    HDC referenceDc = CreateCompatibleDC(screen);
    HBITMAP reference = CreateCompatibleBitmap(screen, 200, 60);
    HGDIOBJ saved = SelectObject(referenceDc, reference);
    PatBlt(referenceDc, 0, 0, 200, 60, BLACKNESS);
    SetBkMode(referenceDc, TRANSPARENT);
    SetTextColor(referenceDc, white);
    TextOutA(referenceDc, 0, 0, text, lstrlenA(text));
    SelectObject(referenceDc, saved);
    DeleteDC(referenceDc);
    ReleaseDC(nullptr, screen);
    Pixels pixels = ReadBitmap(reference);
    DeleteObject(reference);
    return pixels;
}

int ScoreTextMismatches(const Pixels& shown, const char* text)
{
    Pixels reference = ReferenceScoreText(text);
    int mismatches = 0;
    for (int y = 0; y < 60; ++y) {
        for (int x = 0; x < 200; ++x) {
            if ((reference.At(x, y) == white) != (shown.At(400 + x, 16 + y) == white)) ++mismatches;
        }
    }
    return mismatches;
}
