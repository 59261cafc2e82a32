#include "platform.h"

#include <string>

namespace {

const UINT kProgramCodePage = 1251;

std::wstring FromProgramText(LPCSTR text)
{
    if (text == NULL) {
        return std::wstring();
    }
    int length = MultiByteToWideChar(kProgramCodePage, 0, text, -1, NULL, 0);
    if (length <= 0) {
        return std::wstring();
    }
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(kProgramCodePage, 0, text, -1, &wide[0], length);
    wide.resize(static_cast<size_t>(length - 1));
    return wide;
}

}  // namespace

int WINAPI VelkaroMessageBox1251(HWND window, LPCSTR text, LPCSTR caption, UINT type)
{
    std::wstring wideText = FromProgramText(text);
    std::wstring wideCaption = FromProgramText(caption);
    return MessageBoxW(window, wideText.c_str(), caption != NULL ? wideCaption.c_str() : NULL, type);
}
