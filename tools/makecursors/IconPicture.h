#pragma once
#include "gui/CursorPack.h"

// The program's icon, a blue rounded square with a white "Z", drawn at any size from one
// outline, so the window icon and the desktop's icons are the same picture.
CursorPicture DrawIcon(int side);
