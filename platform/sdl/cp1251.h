// The fatal message is Windows-1251 text; SDL's message box takes UTF-8.
#pragma once
#include <string>

namespace sdlmap {

// Unicode code point of a Windows-1251 byte; 0x98, unassigned there, gives
// U+FFFD.
unsigned Cp1251CodePoint(unsigned char byte);

// A zero-terminated Windows-1251 text as UTF-8.
std::string Cp1251ToUtf8(const char* text);

}  // namespace sdlmap
