// Running the program in tests. Its state is module-level and starts as the
// program is loaded, so each scenario runs in a child process of its own.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "headless.h"
#include "program_support.h"

// Runs body in a fresh child process; its failures fail the calling test.
void InFreshProcess(const std::function<void()>& body);

// Runs WinMain to its end in this process and returns its exit code.
int RunWinMain(int showCommand = SW_SHOWNORMAL);

// The fatal message for a step, as the message box receives it (Windows-1251).
std::string FatalText(const std::string& step);



// A copy of a surface's memory, rows of `pitch` bytes.
struct SurfaceImage {
    int width = 0, height = 0, pitch = 0;
    std::vector<uint8_t> bytes;
    uint8_t at(int x, int y) const { return bytes[static_cast<size_t>(y) * pitch + x]; }
};
SurfaceImage ReadSurface(LPDIRECTDRAWSURFACE surface);
// Sets every byte of a surface's memory, the bytes beyond its width too.
void FillSurface(LPDIRECTDRAWSURFACE surface, uint8_t value);
