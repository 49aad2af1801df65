// The About box and the two editors, which show fields of the game when they
// open and store the typed values straight back on OK.
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
                game.*edited.field = static_cast<int>(GetDlgItemInt(dialog, edited.control, nullptr, TRUE));
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
