// The start-up list of the runtime modules that need no window, GPU or sound
// card, shared by the game and the headless harness so that both run with the
// same loaders and stream factories.
#pragma once

namespace salvo {

// Runs the one-time initialisation of each platform-free module: the built-in
// font, pixmaps and their loaders, audio samples and their loaders, the
// stream factories and the silent audio driver. Callers add their own drawing,
// audio and system drivers.
void InitPlatformFreeModules();

}  // namespace salvo
