// The process entry: static initialisers have run by now; the program gets
// the show state a normally started process has.
#include "platform.h"

int main() { return WinMain(nullptr, nullptr, const_cast<char*>(""), SW_SHOWNORMAL); }
