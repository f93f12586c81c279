// Internal header of render/ (not part of its public API).
// Debug builds report any OpenGL error after a driver call on stderr, naming
// the call; release builds compile the check away.
#pragma once

namespace salvo {

#ifdef NDEBUG
inline void CheckGL(const char*) {}
#else
void CheckGL(const char* where);
#endif

}  // namespace salvo
