#include "game/text.h"

#include "render/image_font.h"

namespace salvo {

namespace {
TextObserver textObserver;
}  // namespace

void DrawGameText(const String& text, float x, float y) {
  if (textObserver) textObserver(text, x, y);
  DrawText(text, x, y);
}

void SetTextObserver(TextObserver observer) {
  textObserver = std::move(observer);
}

}  // namespace salvo
