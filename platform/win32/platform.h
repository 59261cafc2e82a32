// The platform header of the Windows build: the real Win32 and DirectDraw.
#pragma once
#include <windows.h>
#include <ddraw.h>

// The program's texts are Windows-1251 bytes. MessageBoxA would read them in
// the ANSI code page of whatever locale the system runs, so the message box
// goes through a wide-character call that always decodes them as 1251.
#undef MessageBox
#define MessageBox VelkaroMessageBox1251
int WINAPI VelkaroMessageBox1251(HWND window, LPCSTR text, LPCSTR caption, UINT type);
