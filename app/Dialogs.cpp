// The About box and the two editors, which show fields of the game when they
// open and store the typed values straight back on OK.
#include <cstdint>
#include <string>

#include "../game/PaddleGame.h"
#include "MainWindow.h"
#include "resource.h"

namespace {

struct EditedField {
    int control;
    int PaddleGame::*field;
};

const EditedField backgroundFields[] = {
    {IDC_WAVELENGTH, &PaddleGame::waveLength},
    {IDC_FREQUENCY, &PaddleGame::waveFrequency},
    {IDC_AMPLITUDE, &PaddleGame::waveAmplitude},
};

const EditedField vectorFields[] = {
    {IDC_X_VECTOR, &PaddleGame::ballVelX},
    {IDC_Y_VECTOR, &PaddleGame::ballVelY},
};

// A box's text as a signed decimal number, by the rules documented for a
// signed GetDlgItemInt: spaces at the start are skipped, a minus sign may
// come next, then the digits are read up to the first other character ("12x"
// is 12). Only spaces are skipped and only a minus sign is taken, so a tab or
// a plus sign before the digits leaves no number. No number, or one outside
// the signed 32-bit range, gives 0. Converted here rather than by
// GetDlgItemInt: Wine's keeps an out-of-range error for later calls, so after
// one such box even 2147483647 read as 0 for the rest of the run.
int ReadBoxNumber(HWND dialog, int control)
{
    HWND box = GetDlgItem(dialog, control);
    int length = GetWindowTextLengthA(box);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(box, text.data(), length + 1)));
    size_t at = text.find_first_not_of(' ');
    if (at == std::string::npos) return 0;
    // find_first_not_of found `at` inside the text, which cppcheck does not
    // know (the size check below is for after the sign).
    // cppcheck-suppress containerOutOfBounds
    bool negative = text[at] == '-';
    if (negative) ++at;
    if (at == text.size() || text[at] < '0' || text[at] > '9') return 0;
    const int64_t limit = negative ? int64_t(INT32_MAX) + 1 : int64_t(INT32_MAX);
    int64_t magnitude = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        magnitude = magnitude * 10 + (text[at] - '0');
        if (magnitude > limit) return 0;
    }
    return static_cast<int>(negative ? -magnitude : magnitude);
}

// Shared by both editors: a box that does not convert to a number stores 0.
template <size_t count>
INT_PTR EditorDialogProc(const EditedField (&fields)[count], HWND dialog, UINT message, WPARAM wParam)
{
    switch (message) {
    case WM_INITDIALOG:
        for (const EditedField& edited : fields)
            SetDlgItemInt(dialog, edited.control, static_cast<UINT>(game.*edited.field), TRUE);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            for (const EditedField& edited : fields)
                game.*edited.field = ReadBoxNumber(dialog, edited.control);
            EndDialog(dialog, IDOK);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

}  // namespace

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        break;
    }
    return FALSE;
}

INT_PTR CALLBACK BackgroundEditorDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    return EditorDialogProc(backgroundFields, dialog, message, wParam);
}

INT_PTR CALLBACK VectorEditDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    return EditorDialogProc(vectorFields, dialog, message, wParam);
}
