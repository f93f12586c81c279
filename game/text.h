// Every text of the game goes through DrawGameText, so that a recorder (the
// headless harness) can see the strings the way they were asked for as well
// as the glyphs the font draws.
#pragma once

#include <functional>

#include "runtime/string.h"

namespace salvo {

using TextObserver = std::function<void(const String& text, float x, float y)>;

// DrawText, after telling the observer (if any).
void DrawGameText(const String& text, float x, float y);
// Installs the observer; an empty function removes it.
void SetTextObserver(TextObserver observer);

}  // namespace salvo
