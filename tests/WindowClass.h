// A plain window class for the test programs and the benchmark alike: their
// windows differ only in what they do on a message.
#pragma once

#include <windows.h>

// Registers the class `name` of this module with `procedure`, the arrow
// cursor and the window colour behind.
inline ATOM RegisterPlainWindowClass(const char* name, WNDPROC procedure, UINT style)
{
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = style;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = name;
    return RegisterClassExA(&windowClass);
}
