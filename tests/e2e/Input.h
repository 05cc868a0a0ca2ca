#pragma once
// Real input, as a user gives it: the pointer moves, the buttons and keys go
// down and up. It reaches whichever window is under the pointer or has the
// focus, through the input queue, as a hand's would.

#include <windows.h>

#include <vector>

namespace marovan::e2e {

// Keys go down in order and up in reverse order.
void SendKeys(const std::vector<WORD>& keys, bool up);
void PressKey(WORD key);
void MovePointer(POINT screen);
void LeftClick(POINT screen);
// A left click where the pointer already is, with no move.
void ClickInPlace();

// Where a window is on screen, and the middle of a rectangle.
RECT ScreenRect(HWND window);
POINT Centre(const RECT& r);

} // namespace marovan::e2e
