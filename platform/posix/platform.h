// The platform header of builds without Windows: the Win32 and DirectDraw
// subset the program is written against, provided by this folder.
#pragma once
#include "win_api.h"
#include "ddraw_api.h"
