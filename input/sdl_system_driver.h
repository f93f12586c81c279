// The system driver on SDL2: pumps SDL's event queue into the input state,
// takes its time from the monotonic clock and shows SDL message boxes.
#pragma once

#include "input/polled_system_driver.h"

union SDL_Event;

namespace salvo {

class TSDLSystemDriver : public TPolledSystemDriver {
 public:
  // Starts SDL's event subsystem (with SDL's signal handlers off, so Ctrl+C
  // keeps its default effect) and, when it can, the gamepads.
  TSDLSystemDriver();
  ~TSDLSystemDriver() override;

  void Poll() override;
  void Wait() override;
  void WaitTimeout(int ms) override;
  // Places the pointer in the window that has the keyboard focus, if any.
  void MoveMouse(int x, int y) override;

  // Message boxes; the console versions when no box can be shown.
  void Notify(const String& text, bool serious) override;
  int Confirm(const String& text, bool serious) override;
  int Proceed(const String& text, bool serious) override;
  // There are no file dialogs here: both give the empty string.
  String RequestFile(const String& title, const String& filter, bool save,
                     const String& path) override;
  String RequestDir(const String& title, const String& path) override;
};

// Folds one SDL event into the input state: key down (auto-repeat ignored)
// and up, text, pointer motion, left/right/middle buttons, the wheel, and the
// gamepads' plugging, buttons and axes (as the keys they stand for). Any other
// event, the quit request and window close among them, changes nothing.
void FeedSDLEvent(const SDL_Event& event);

}  // namespace salvo
