// Fonts made of images: one small image per glyph, drawn along the current
// transform. The built-in font comes from the embedded 8 x 16 bitmap
// "quarnfont.bin" and is rebuilt every time graphics are opened.
#pragma once

#include <vector>

#include "render/image.h"
#include "runtime/stream.h"

namespace salvo {

// The glyph interface of fonts that font loaders return.
class TGlyph : public Object {
 public:
  // The glyph's pixels, or Null for a glyph with no ink (such as a space).
  virtual Ref<TPixmap> GetPixels() = 0;
  virtual float GetAdvance() = 0;
  virtual void GetRect(int& outX, int& outY, int& outWidth, int& outHeight) = 0;
};

// The font interface that font loaders return: glyph i is character firstChar + i.
class TFont : public Object {
 public:
  virtual int GetStyle() = 0;
  virtual int GetHeight() = 0;
  virtual int GetFirstChar() = 0;
  virtual int CountGlyphs() = 0;
  virtual Ref<TGlyph> LoadGlyph(int index) = 0;
};

// A decoder for one font format. Constructing a loader links it at the head
// of the process-wide list, so the newest loader is asked first. Loaders are
// never removed.
class TFontLoader : public Object {
 public:
  TFontLoader();
  // The font, or Null when the source is not this loader's format.
  virtual Ref<TFont> LoadFont(const StreamSource& source, int size, int style) = 0;

  Ref<TFontLoader> next;
};

// The first font a registered loader returns for the source, or Null.
Ref<TFont> LoadFont(const StreamSource& source, int size, int style);

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

  // A font of images made from the font some loader returns, or Null.
  static Ref<TImageFont> Load(const StreamSource& source, int size, int style);
  // The font of the embedded "quarnfont.bin": 96 glyphs for codes 32 to 127.
  // Raises a runtime error when that file is missing or too short.
  static Ref<TImageFont> CreateBuiltIn();

  int style = 0;
  int height = 0;
  int firstChar = 0;
  std::vector<Ref<TImageGlyph>> glyphs;
  Ref<TPixmap> sheet;  // keeps the glyph pixmaps' memory alive
};

// Registers the built-in font bitmap "quarnfont.bin" as an embedded file. Runs once.
void InitImageFontModule();

void DrawText(const String& text, float x, float y);
int MeasureTextWidth(const String& text);
int MeasureTextHeight(const String& text);
// TImageFont::Load: the new font, or Null when no font loader accepts the source.
Ref<TImageFont> LoadImageFont(const StreamSource& source, int size, int style);
// Selects the font, or the built-in font for Null.
void SetImageFont(const Ref<TImageFont>& font);
Ref<TImageFont> GetImageFont();

}  // namespace salvo
