#include "program_support.h"
#include "shell/shell.h"

HWND CreateProgramWindow() {
    WNDCLASSEX wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.lpszClassName = "DX_Window";
    RegisterClassEx(&wc);
    HWND window = CreateWindowEx(0, "DX_Window", "Velkaro", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr,
                                 nullptr, nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    return window;
}
