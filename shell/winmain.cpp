// Start-up and the main loop: every waiting message is handled before the
// next frame, and frames are drawn from here only.
#include "display/display.h"
#include "scene/scene.h"
#include "shell/shell.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    WNDCLASSEX wc;
    wc.cbSize = sizeof(WNDCLASSEX);
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = WindowProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hInstance = instance;
    wc.hIcon = LoadIcon(NULL, IDI_WINLOGO);
    wc.hCursor = LoadCursor(NULL, IDC_ARROW);
    wc.hbrBackground = NULL;
    wc.lpszMenuName = NULL;
    wc.lpszClassName = "DX_Window";
    wc.hIconSm = LoadIcon(NULL, IDI_WINLOGO);
    RegisterClassEx(&wc);

    HWND window = CreateWindowEx(0, "DX_Window", "Velkaro", WS_POPUP, 0, 0, GetSystemMetrics(SM_CXSCREEN),
                                 GetSystemMetrics(SM_CYSCREEN), NULL, NULL, instance, NULL);
    ShowCursor(FALSE);
    DeleteFile("debug.log");
    ShowWindow(window, showCommand);
    UpdateWindow(window);

    if (!InitDirectDraw(window, 800, 600, 8)) return 0;

    MSG message;
    for (;;) {
        if (PeekMessage(&message, NULL, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) return static_cast<int>(message.wParam);
            TranslateMessage(&message);
            DispatchMessage(&message);
        } else if (AppActive) {
            RenderFrame();
        }
    }
}
