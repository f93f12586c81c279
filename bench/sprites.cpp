// 5,000 rotated, alpha-blended 32 x 32 sprites per frame, drawn three ways in
// one run so the figures compare: our drawing front end on the OpenGL driver,
// SDL_Renderer (its OpenGL back end) and SFML. Each frame clears, draws every
// sprite at its own position and angle, reads back one pixel so the figure
// includes all rasterisation, and presents. Run under an X display
// (tools/with-display.sh); on Mesa's llvmpipe the rasteriser dominates.
#include <GL/gl.h>
#include <SDL.h>
#include <benchmark/benchmark.h>

#include <SFML/Graphics.hpp>
#include <cmath>
#include <cstdint>
#include <vector>

#include "pixmap/pixmap.h"
#include "render/gl_driver.h"
#include "render/graphics.h"
#include "render/image.h"

namespace {

using namespace salvo;

constexpr int kSprites = 5000;
constexpr int kSize = 32;
constexpr int kWidth = 640;
constexpr int kHeight = 480;

// A soft disc with a coloured rim: every pixel has its own alpha, so the
// blend really runs everywhere.
std::vector<uint8_t> SpritePixels() {
  std::vector<uint8_t> rgba(kSize * kSize * 4);
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      float dx = x - 15.5f;
      float dy = y - 15.5f;
      float d = std::sqrt(dx * dx + dy * dy) / 16.0f;
      uint8_t* p = &rgba[(y * kSize + x) * 4];
      p[0] = static_cast<uint8_t>(255 * (1 - d * 0.5f));
      p[1] = static_cast<uint8_t>(128 + x * 4);
      p[2] = static_cast<uint8_t>(64 + y * 6);
      p[3] = d >= 1 ? 0 : static_cast<uint8_t>(255 * (1 - d * d));
    }
  }
  return rgba;
}

struct Placement {
  float x, y, angle;
};

std::vector<Placement> Placements() {
  std::vector<Placement> all;
  for (int i = 0; i < kSprites; ++i) {
    all.push_back({static_cast<float>((i * 7919) % kWidth),
                   static_cast<float>((i * 104729) % kHeight), static_cast<float>((i * 37) % 360)});
  }
  return all;
}

void BM_SpritesOurs(benchmark::State& state) {
  InstallGLDriver();
  OpenGraphics(kWidth, kHeight, 0, 0);
  std::vector<uint8_t> rgba = SpritePixels();
  Ref<TPixmap> pixmap = CreatePixmap(kSize, kSize, PF_RGBA8888);
  for (int y = 0; y < kSize; ++y) {
    std::copy_n(&rgba[y * kSize * 4], kSize * 4, pixmap->pixels + y * pixmap->pitch);
  }
  Ref<TImage> sprite = LoadImage(pixmap, ImageFiltered);
  CentreImageHandle(sprite);
  SetBlendMode(BlendAlpha);
  const std::vector<Placement> placements = Placements();
  for (auto _ : state) {
    ClearScreen();
    for (const Placement& p : placements) {
      SetRotation(p.angle);
      DrawImage(sprite, p.x, p.y);
    }
    SetRotation(0);
    benchmark::DoNotOptimize(CapturePixmap(0, 0, 1, 1));
    PresentFrame();
  }
  sprite = Ref<TImage>();
  CloseGraphics();
}
BENCHMARK(BM_SpritesOurs)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void BM_SpritesSDLRenderer(benchmark::State& state) {
  SDL_SetHint(SDL_HINT_RENDER_DRIVER, "opengl");
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "linear");
  SDL_Init(SDL_INIT_VIDEO);
  SDL_Window* window = SDL_CreateWindow("sprites", 0, 0, kWidth, kHeight, SDL_WINDOW_OPENGL);
  SDL_Renderer* renderer = SDL_CreateRenderer(window, -1, SDL_RENDERER_ACCELERATED);
  if (window == nullptr || renderer == nullptr) {
    state.SkipWithError(SDL_GetError());
    return;
  }
  std::vector<uint8_t> rgba = SpritePixels();
  SDL_Texture* texture =
      SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ABGR8888, SDL_TEXTUREACCESS_STATIC, kSize, kSize);
  SDL_UpdateTexture(texture, nullptr, rgba.data(), kSize * 4);
  SDL_SetTextureBlendMode(texture, SDL_BLENDMODE_BLEND);
  const std::vector<Placement> placements = Placements();
  for (auto _ : state) {
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    SDL_RenderClear(renderer);
    for (const Placement& p : placements) {
      SDL_FRect where{p.x - kSize / 2.0f, p.y - kSize / 2.0f, kSize, kSize};
      SDL_RenderCopyExF(renderer, texture, nullptr, &where, p.angle, nullptr, SDL_FLIP_NONE);
    }
    uint32_t pixel = 0;
    SDL_Rect one{0, 0, 1, 1};
    SDL_RenderReadPixels(renderer, &one, SDL_PIXELFORMAT_ARGB8888, &pixel, 4);
    benchmark::DoNotOptimize(pixel);
    SDL_RenderPresent(renderer);
  }
  SDL_DestroyTexture(texture);
  SDL_DestroyRenderer(renderer);
  SDL_DestroyWindow(window);
}
BENCHMARK(BM_SpritesSDLRenderer)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

void BM_SpritesSFML(benchmark::State& state) {
  sf::RenderWindow window(sf::VideoMode(kWidth, kHeight), "sprites", sf::Style::Titlebar);
  window.setVerticalSyncEnabled(false);
  std::vector<uint8_t> rgba = SpritePixels();
  sf::Texture texture;
  texture.create(kSize, kSize);
  texture.update(rgba.data());
  texture.setSmooth(true);
  sf::Sprite sprite(texture);
  sprite.setOrigin(kSize / 2.0f, kSize / 2.0f);
  const std::vector<Placement> placements = Placements();
  for (auto _ : state) {
    window.clear(sf::Color::Black);
    for (const Placement& p : placements) {
      sprite.setPosition(p.x, p.y);
      sprite.setRotation(p.angle);
      window.draw(sprite);
    }
    uint8_t pixel[4];
    glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    benchmark::DoNotOptimize(pixel);
    window.display();
  }
}
BENCHMARK(BM_SpritesSFML)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

}  // namespace

BENCHMARK_MAIN();
