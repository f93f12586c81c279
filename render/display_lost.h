// The last thing done when the display is lost and the process ends at once,
// without unwinding or exit handlers (for instance finishing a recording).
#pragma once

namespace salvo {

// The hook runs on the thread that found the display gone, possibly inside a
// window-system call: it must not touch the display. Null clears it.
using DisplayLostHook = void (*)();
void SetDisplayLostHook(DisplayLostHook hook);
// Runs the hook once, if one is set; later calls do nothing.
void RunDisplayLostHook();

}  // namespace salvo
