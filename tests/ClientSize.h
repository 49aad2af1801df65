// Sizing a window by its client area, for the test programs, the end-to-end
// helper and the benchmark alike.
#pragma once

#include <windows.h>

// Resizes `window` so its client area is width x height (0 x 0 is allowed),
// keeping its position; true when it is that size now. The frame is measured
// rather than computed, and measured again after each try: captions differ
// between platforms, and the menu bar wraps onto more lines in a narrow window.
inline bool SetClientSize(HWND window, int width, int height)
{
    for (int attempt = 0; attempt < 4; ++attempt) {
        RECT outer;
        RECT client;
        GetWindowRect(window, &outer);
        GetClientRect(window, &client);
        if (client.right == width && client.bottom == height) return true;
        int frameWidth = (outer.right - outer.left) - client.right;
        int frameHeight = (outer.bottom - outer.top) - client.bottom;
        SetWindowPos(window, nullptr, 0, 0, width + frameWidth, height + frameHeight,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    RECT client;
    GetClientRect(window, &client);
    return client.right == width && client.bottom == height;
}
