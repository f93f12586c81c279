// The 25 pictures and sounds the game carries inside the executable.
#pragma once

#include <span>

namespace salvo {

// The embedded files in registration and load order.
std::span<const char* const> GameFileNames();
// Registers every game file from the bundled assets under its bare name.
// Raises a runtime error naming a file the build did not bundle.
void RegisterGameFiles();
// Loads every picture and sound into its global, in table order.
void LoadGameAssets();

}  // namespace salvo
