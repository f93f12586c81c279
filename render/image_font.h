// Fonts made of images: one small image per glyph, drawn along the current
// transform. The built-in font comes from the embedded 8 x 16 bitmap
// "quarnfont.bin" and is rebuilt every time graphics are opened.
#pragma once

#include <vector>

#include "render/image.h"

namespace salvo {

class TImageGlyph : public Object {
 public:
  virtual Ref<TImage> GetPixels() { return image; }
  virtual float GetAdvance() { return advance; }
  virtual void GetRect(int& outX, int& outY, int& outWidth, int& outHeight);

  Ref<TImage> image;  // Null for a glyph with no pixels
  float advance = 0;
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

class TImageFont : public Object {
 public:
  virtual int GetStyle() { return style; }
  virtual int GetHeight() { return height; }
  virtual int GetFirstChar() { return firstChar; }
  virtual int CountGlyphs() { return static_cast<int>(glyphs.size()); }
  virtual Ref<TImageGlyph> LoadGlyph(int index) { return glyphs[index]; }
  // Draws the text with its pen at (x, y), following the matrix (ix iy / jx jy).
  virtual void Draw(const String& text, float x, float y, float ix, float iy, float jx, float jy);

  // The font of the embedded "quarnfont.bin": 96 glyphs for codes 32 to 127.
  static Ref<TImageFont> CreateBuiltIn();

  int style = 0;
  int height = 0;
  int firstChar = 0;
  std::vector<Ref<TImageGlyph>> glyphs;
  Ref<TPixmap> sheet;  // keeps the glyph pixmaps' memory alive
};

void DrawText(const String& text, float x, float y);
int MeasureTextWidth(const String& text);
int MeasureTextHeight(const String& text);
// Selects the font, or the built-in font for Null.
void SetImageFont(const Ref<TImageFont>& font);
Ref<TImageFont> GetImageFont();

}  // namespace salvo
