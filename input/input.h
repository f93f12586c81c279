// Polled keyboard and mouse input. Each query first pumps pending events into
// the input state (while AutoPump is set), so a game loop needs no explicit
// pump: it asks how often a key was pressed since it last asked
// (KeyPressCount) and whether it is held now (KeyDown). Key numbers are the
// virtual-key codes of virtual_keys.h.
#pragma once

#include "input/virtual_keys.h"

namespace salvo {

// Set (1) at start; while set, every query pumps first.
extern int AutoPump;

// Folds every pending event into the input state; never blocks.
void PumpMessages();
// Blocks until any input is pending, then pumps.
void WaitForMessages();
// Waits at most ms milliseconds for input, then pumps.
void WaitForMessagesTimeout(int ms);

// Presses of key (1..255) since the last call for it; 0 for other keys.
int KeyPressCount(int key);
// 1 while key (1..255) is held; 0 for other keys.
int KeyDown(int key);
// The oldest typed character (UTF-16 code unit), removed; 0 when none.
int GetChar();
// Forgets all key presses, held keys and typed characters; the mouse
// position and wheel stay.
void ResetKeys();

int MouseX();
int MouseY();
// Wheel position in notches.
int MouseZ();
// Button 1 left, 2 right, 3 middle; any other button gives 0.
int MousePressCount(int button);
int MouseDown(int button);
// Forgets the presses of the three buttons.
void ResetMouseButtons();
// Places the pointer at (x, y) of the active window, if there is one.
void MoveMouse(int x, int y);

// ResetKeys, then waits for the next key press and returns its code.
int WaitKey();
// ResetKeys, then waits for the next typed character.
int WaitChar();
// ResetMouseButtons, then waits for the next button press (1..3).
int WaitMouse();

}  // namespace salvo
