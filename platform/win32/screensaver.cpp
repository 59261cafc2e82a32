// The entry of velkaro.scr. Windows starts a screen saver with /s to run it,
// /p <window> for the preview in the settings dialog, /c[:<window>] or
// nothing for its settings, and /a for a password change. Only /s runs the
// program; the others must neither take the screen nor change its mode.
#include "platform.h"

#include "resource_ids.h"

namespace {

// "У Velkaro нет настроек." in Windows-1251, as the program's other message.
const char NoSettingsText[] = "\xD3 Velkaro \xED\xE5\xF2 \xED\xE0\xF1\xF2\xF0\xEE\xE5\xEA.";

const wchar_t PreviewClass[] = L"VelkaroPreview";
const UINT_PTR ParentCheckTimer = 1;
const UINT ParentCheckMs = 500;

struct Arguments {
    wchar_t option;  // lower case; 0 when there is none
    HWND window;     // NULL when none is given
};

bool IsSpace(wchar_t c) { return c == L' ' || c == L'\t'; }

// "/x", "-x", "/x:<n>", "/x <n>", in any case; <n> is a decimal handle.
Arguments ParseArguments(const wchar_t* text) {
    Arguments parsed = {0, NULL};
    while (IsSpace(*text)) ++text;
    if (*text == L'\0') return parsed;
    if (*text != L'/' && *text != L'-') {
        parsed.option = L'?';
        return parsed;
    }
    ++text;
    wchar_t letter = *text;
    if (letter >= L'A' && letter <= L'Z') letter = static_cast<wchar_t>(letter - L'A' + L'a');
    if (letter == L'\0') {
        parsed.option = L'?';
        return parsed;
    }
    ++text;
    if (*text != L'\0' && *text != L':' && !IsSpace(*text)) {
        parsed.option = L'?';
        return parsed;
    }
    parsed.option = letter;
    if (*text == L':') ++text;
    while (IsSpace(*text)) ++text;
    ULONG_PTR handle = 0;
    for (; *text >= L'0' && *text <= L'9'; ++text) handle = handle * 10 + static_cast<ULONG_PTR>(*text - L'0');
    parsed.window = reinterpret_cast<HWND>(handle);
    return parsed;
}

LRESULT CALLBACK PreviewProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT area;
        GetClientRect(window, &area);
        FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        HICON icon = static_cast<HICON>(
            LoadImage(GetModuleHandle(NULL), MAKEINTRESOURCE(IDI_APP), IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR));
        if (icon != NULL) {
            DrawIconEx(dc, (area.right - 32) / 2, (area.bottom - 32) / 2, icon, 32, 32, 0, NULL, DI_NORMAL);
            DestroyIcon(icon);
        }
        EndPaint(window, &paint);
        return 0;
    }
    case WM_TIMER:
        // A host that dies is not always told to its children's process.
        if (!IsWindow(GetParent(window))) DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// The icon on black, inside the host window, until the host goes away.
int RunPreview(HINSTANCE instance, HWND host) {
    if (host == NULL || !IsWindow(host)) return 0;
    WNDCLASSW wc = {};
    wc.lpfnWndProc = PreviewProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(NULL, IDC_ARROW);
    wc.lpszClassName = PreviewClass;
    RegisterClassW(&wc);
    RECT area;
    GetClientRect(host, &area);
    HWND preview = CreateWindowExW(0, PreviewClass, L"Velkaro", WS_CHILD | WS_VISIBLE | WS_DISABLED, 0, 0,
                                   area.right, area.bottom, host, NULL, instance, NULL);
    if (preview == NULL) return 0;
    SetTimer(preview, ParentCheckTimer, ParentCheckMs, NULL);
    MSG message;
    while (GetMessageW(&message, NULL, 0, 0) > 0) DispatchMessageW(&message);
    return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE previous, LPWSTR commandLine, int showCommand) {
    Arguments arguments = ParseArguments(commandLine);
    switch (arguments.option) {
    case L's': {
        // The program reads no command line.
        char none[] = "";
        return WinMain(instance, previous, none, showCommand);
    }
    case L'p':
        return RunPreview(instance, arguments.window);
    case L'c':
    case 0: {
        HWND owner = arguments.window != NULL && IsWindow(arguments.window) ? arguments.window : NULL;
        MessageBox(owner, NoSettingsText, "Velkaro", MB_OK);
        return 0;
    }
    default:
        return 0;
    }
}
