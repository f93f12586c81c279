#include "render/image_font.h"

#include <algorithm>

#include "assets/bundled_assets.h"
#include "render/graphics.h"
#include "runtime/embedded.h"

namespace salvo {
namespace {

constexpr const char* kBuiltInFontName = "quarnfont.bin";
constexpr int kBuiltInFirstChar = 32;
constexpr int kBuiltInGlyphCount = 96;
constexpr int kBuiltInGlyphWidth = 8;
constexpr int kBuiltInGlyphHeight = 16;
// 16 rows of 96 bytes, one byte per glyph row.
constexpr int kBuiltInFontBytes = kBuiltInGlyphCount * kBuiltInGlyphHeight;

Ref<TFontLoader> firstFontLoader;

// The 1-bit font file spread over a 768 x 16 RGBA sheet: ink is opaque white,
// background transparent black. Byte g of row r is row r of glyph g, least
// significant bit leftmost.
Ref<TPixmap> BuildBuiltInSheet(const uint8_t* bytes) {
  Ref<TPixmap> sheet =
      CreatePixmap(kBuiltInGlyphCount * kBuiltInGlyphWidth, kBuiltInGlyphHeight, PF_RGBA8888, 4);
  for (int row = 0; row < kBuiltInGlyphHeight; ++row) {
    for (int glyph = 0; glyph < kBuiltInGlyphCount; ++glyph) {
      const uint8_t bits = bytes[row * kBuiltInGlyphCount + glyph];
      for (int bit = 0; bit < kBuiltInGlyphWidth; ++bit) {
        const uint32_t value = (bits >> bit) & 1 ? 0xFFFFFFFFu : 0u;
        WritePixel(sheet, glyph * kBuiltInGlyphWidth + bit, row, value);
      }
    }
  }
  return sheet;
}

// The glyph for a character code, or Null when the font has none for it.
Ref<TImageGlyph> GlyphFor(TImageFont& font, char16_t code) {
  const int index = static_cast<int>(code) - font.firstChar;
  if (index < 0 || index >= font.CountGlyphs()) return nullptr;
  return font.LoadGlyph(index);
}

}  // namespace

void TImageGlyph::GetRect(int& outX, int& outY, int& outWidth, int& outHeight) {
  outX = x;
  outY = y;
  outWidth = width;
  outHeight = height;
}

TFontLoader::TFontLoader() {
  next = firstFontLoader;
  firstFontLoader = Ref<TFontLoader>::Retain(this);
}

Ref<TFont> LoadFont(const StreamSource& source, int size, int style) {
  for (Ref<TFontLoader> loader = firstFontLoader; loader; loader = loader->next) {
    try {
      if (Ref<TFont> font = loader->LoadFont(source, size, style)) return font;
    } catch (const TStreamException&) {
      // A source this loader cannot read: the next loader gets its turn.
    }
  }
  return nullptr;
}

void InitImageFontModule() {
  static bool initialised = false;
  if (initialised) return;
  initialised = true;
  if (const BundledAsset* asset = FindBundledAsset(kBuiltInFontName)) {
    RegisterEmbeddedFile(FromUtf8(kBuiltInFontName), asset->data, asset->size);
  }
}

Ref<TImageFont> TImageFont::CreateBuiltIn() {
  InitImageFontModule();
  const String name = FromUtf8(kBuiltInFontName);
  const auto* bytes = static_cast<const uint8_t*>(EmbeddedFileData(name));
  if (!bytes || EmbeddedFileSize(name) < kBuiltInFontBytes) {
    ThrowRuntimeError("Built-in font \"quarnfont.bin\" is missing or incomplete");
  }

  Ref<TImageFont> font = New<TImageFont>();
  font->style = 0;
  font->height = kBuiltInGlyphHeight;
  font->firstChar = kBuiltInFirstChar;
  font->sheet = BuildBuiltInSheet(bytes);
  font->glyphs.resize(kBuiltInGlyphCount);
  for (int g = 0; g < kBuiltInGlyphCount; ++g) {
    Ref<TImageGlyph> glyph = New<TImageGlyph>();
    glyph->advance = static_cast<float>(kBuiltInGlyphWidth);
    glyph->width = kBuiltInGlyphWidth;
    glyph->height = kBuiltInGlyphHeight;
    // The window shares the sheet's pixels; the font keeps the sheet alive.
    Ref<TPixmap> cell = PixmapWindow(font->sheet, g * kBuiltInGlyphWidth, 0, kBuiltInGlyphWidth,
                                     kBuiltInGlyphHeight);
    glyph->image = TImage::Load(cell, 0, 0, 0, 0);
    font->glyphs[g] = glyph;
  }
  return font;
}

Ref<TImageFont> TImageFont::Load(const StreamSource& source, int size, int style) {
  Ref<TFont> outline = LoadFont(source, size, style);
  if (!outline) return nullptr;
  Ref<TImageFont> font = New<TImageFont>();
  font->style = outline->GetStyle();
  font->height = outline->GetHeight();
  font->firstChar = outline->GetFirstChar();
  font->glyphs.resize(std::max(outline->CountGlyphs(), 0));
  for (int i = 0; i < static_cast<int>(font->glyphs.size()); ++i) {
    Ref<TGlyph> outlineGlyph = outline->LoadGlyph(i);
    Ref<TImageGlyph> glyph = New<TImageGlyph>();
    if (outlineGlyph) {
      glyph->advance = outlineGlyph->GetAdvance();
      outlineGlyph->GetRect(glyph->x, glyph->y, glyph->width, glyph->height);
      if (Ref<TPixmap> pixels = outlineGlyph->GetPixels()) {
        glyph->image = TImage::Load(pixels, 0, 0, 0, ImageFiltered);
      }
    }
    font->glyphs[i] = glyph;
  }
  return font;
}

void TImageFont::Draw(const String& text, float x, float y, float ix, float iy, float jx,
                      float jy) {
  for (char16_t code : text) {
    Ref<TImageGlyph> glyph = GlyphFor(*this, code);
    if (!glyph) continue;  // no glyph: nothing drawn, the pen stays
    const auto gx = static_cast<float>(glyph->x);
    const auto gy = static_cast<float>(glyph->y);
    const float dx = static_cast<float>(static_cast<int>(gx * ix + gy * iy));
    const float dy = static_cast<float>(static_cast<int>(gx * jx + gy * jy));
    const Ref<TImage>& image = glyph->image;
    if (image && !image->frames.empty() && image->frames[0]) {
      image->frames[0]->Draw(0, 0, static_cast<float>(image->width),
                             static_cast<float>(image->height), x + dx, y + dy);
    }
    x += glyph->advance * ix;
    y += glyph->advance * jx;
  }
}

void DrawText(const String& text, float x, float y) {
  const TDrawingContext& context = DrawingContext();
  // The stored handle is already negated: the text moves like a primitive.
  const float hx = context.handleX;
  const float hy = context.handleY;
  const float startX = x + context.originX + hx * context.ix + hy * context.iy;
  const float startY = y + context.originY + hx * context.jx + hy * context.jy;
  context.currentFont->Draw(text, startX, startY, context.ix, context.iy, context.jx, context.jy);
}

int MeasureTextWidth(const String& text) {
  TImageFont& font = *DrawingContext().currentFont;
  int width = 0;
  for (char16_t code : text) {
    if (Ref<TImageGlyph> glyph = GlyphFor(font, code)) {
      width = static_cast<int>(glyph->advance + static_cast<float>(width));
    }
  }
  return width;
}

int MeasureTextHeight(const String& text) {
  TImageFont& font = *DrawingContext().currentFont;
  int height = 0;
  for (char16_t code : text) {
    if (Ref<TImageGlyph> glyph = GlyphFor(font, code)) height = std::max(height, glyph->height);
  }
  return height;
}

Ref<TImageFont> LoadImageFont(const StreamSource& source, int size, int style) {
  return TImageFont::Load(source, size, style);
}

void SetImageFont(const Ref<TImageFont>& font) {
  TDrawingContext& context = DrawingContext();
  context.currentFont = font ? font : context.defaultFont;
}

Ref<TImageFont> GetImageFont() {
  return DrawingContext().currentFont;
}

}  // namespace salvo
