// The system driver: one object that carries the message pump, the polled
// input queries, the millisecond clock and sleep, and the user dialogs. The
// global operations of input.h and clock.h forward to the driver held in the
// module global, so a test or a replay can install a scripted driver.
#pragma once

#include "runtime/object.h"
#include "runtime/string.h"

namespace salvo {

class TSystemDriver : public Object {
 public:
  // Slots 0 to 9 belong to a concrete driver; calling them on this base raises
  // "Attempt to call abstract method".

  // Folds every pending input event into the input state; never blocks.
  virtual void Poll();
  // Blocks until an input event or message is pending, then polls.
  virtual void Wait();
  // Milliseconds since an arbitrary start, wrapping after 2^32.
  virtual int Millis();
  // Sleeps the calling thread; nothing for ms <= 0.
  virtual void Delay(int ms);
  virtual int GetChar();
  virtual int KeyPressCount(int key);
  virtual int KeyDown(int key);
  virtual void ResetKeys();
  // Axis 0, 1, 2: mouse x, y, wheel; any other axis gives 0.
  virtual int MouseCoordinate(int axis);
  virtual void MoveMouse(int x, int y);

  // Slots 10 to 14 default to console versions on stdout/stdin.
  virtual void Notify(const String& text, bool serious);
  // 1 for yes/OK, else 0.
  virtual int Confirm(const String& text, bool serious);
  // 1 for yes, 0 for no, -1 for cancel.
  virtual int Proceed(const String& text, bool serious);
  // The chosen path, or the empty string.
  virtual String RequestFile(const String& title, const String& filter, bool save,
                             const String& path);
  virtual String RequestDir(const String& title, const String& path);

  // Waits at most ms milliseconds for input, then polls. This default sleeps
  // the whole time; drivers that can wake on input override it.
  virtual void WaitTimeout(int ms);
};

// Installs the driver the global operations use (Null uninstalls it).
void SetSystemDriver(Ref<TSystemDriver> driver);
// The installed driver; Null before InitSystemModule or SetSystemDriver.
Ref<TSystemDriver> GetSystemDriver();
// One-time module start: installs the SDL driver unless a driver is already
// installed (tests and replays install a scripted one first).
void InitSystemModule();
// The driver the global operations call: starts the module when needed.
TSystemDriver& CurrentSystemDriver();

}  // namespace salvo
