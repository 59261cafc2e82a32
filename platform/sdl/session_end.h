// The desktop session ending under the program: the terminal's hang-up and
// the X display going away.
#pragma once

namespace sdlsession {

// Call once SDL's video is up. A hang-up (SIGHUP) becomes a request that
// HangUpRequested reports; a lost X connection ends the process on the spot.
void Watch(const char* videoDriver);

// Whether a hang-up arrived since the last call.
bool HangUpRequested();

}  // namespace sdlsession
