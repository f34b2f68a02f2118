// Where the main window goes when the user un-maximises it: the size and
// position the user last gave it, kept between runs in
// $XDG_CONFIG_HOME/quorbital/window.ini. The window itself always opens
// maximised. The same file keeps the page zoom the person chose.
#pragma once

#include <string>
#include <vector>

#include "platform/windows.h"

// The file the placement is kept in; empty when there is no settings folder.
std::string WindowPlacementFile();

// The rectangle (screen coordinates) saved in file; false when the file, the
// key or a sound value is missing.
bool LoadRestoredRect(const std::string& file, RECT* rect);

// Replaces the file with one holding rect (the file is written whole or not
// at all); creates its folder. False when it could not be written.
bool SaveRestoredRect(const std::string& file, const RECT& rect);

// Whether a window at rect can be reached on one of the screens: enough of
// its title strip, by which it is moved, lies on one of them.
bool IsOnScreen(const RECT& rect, const std::vector<RECT>& screens);

// The page zoom in percent saved in file; 0 when there is none or it is not
// one of the levels from 50 to 300.
int LoadZoomPercent(const std::string& file);
// Keeps percent in file (0 removes it: pages follow the desktop's text size
// again); the rest of the file stays. False when it could not be written.
bool SaveZoomPercent(const std::string& file, int percent);
