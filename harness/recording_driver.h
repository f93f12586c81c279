// A drawing driver that draws nothing and records every call with the drawing
// state in force, so tests and benchmarks can run the game without a GPU and
// look at exactly what a frame asked for.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "render/drawing_driver.h"
#include "runtime/string.h"

namespace salvo {

enum class DrawKind { Clear, Image, Rect, Oval, Line, Plot, Poly, Pixmap, Text };

struct DrawRecord {
  DrawKind kind = DrawKind::Clear;
  // Image draws: the picture's name ("ship.png"; "glyph" for font glyphs), its
  // cell and cell size. Glyph draws carry their character in `text`.
  std::string image;
  int cell = 0;
  int imageWidth = 0;
  int imageHeight = 0;
  // The driver arguments: local corners and translation. For text, (tx, ty)
  // is the position DrawText was given.
  float x0 = 0, y0 = 0, x1 = 0, y1 = 0, tx = 0, ty = 0;
  int red = 255, green = 255, blue = 255;
  float alpha = 1;
  int blend = 1;
  float ix = 1, iy = 0, jx = 0, jy = 1;
  String text;

  float ScaleX() const;    // length of the matrix's first column
  float Rotation() const;  // degrees, from the matrix
};

class TRecordingDriver;

// A frame of a recorded image: remembers its picture's name and cell.
class TRecordingFrame : public TImageFrame {
 public:
  TRecordingFrame(TRecordingDriver* driver, int width, int height)
      : width(width), height(height), driver_(driver) {}
  void Draw(float x0, float y0, float x1, float y1, float tx, float ty) override;
  // Recorded frames are not lockable, like the static frames of a real driver.
  Ref<TPixmap> Lock(int read, int write) override;
  void Unlock() override;

  std::string name;
  int cell = 0;
  String glyph;  // the character, for glyphs of the font
  int width = 0;
  int height = 0;

 private:
  TRecordingDriver* driver_;
};

class TRecordingDriver : public TDrawingDriver {
 public:
  void Open(int width, int height, int depth, int hertz) override;
  void Close() override;
  void Present() override;
  void SetMouseVisible(int visible) override { mouseVisible = visible; }
  Ref<TImageFrame> CreateFrame(int width, int height, int flags) override;
  Ref<TImageFrame> CreateFrameFromPixmap(const Ref<TPixmap>& pixmap, int flags) override;
  void SetBlend(int mode) override { state_.blend = mode; }
  void SetAlpha(float alpha) override { state_.alpha = alpha; }
  void SetColor(int red, int green, int blue) override;
  void SetClearColor(int, int, int) override {}
  void SetViewport(int, int, int, int) override {}
  void SetMatrix(float ix, float iy, float jx, float jy) override;
  void SetLineWidth(float) override {}
  void Clear() override;
  void Plot(float x, float y) override;
  void DrawLine(float x0, float y0, float x1, float y1, float tx, float ty) override;
  void DrawRect(float x0, float y0, float x1, float y1, float tx, float ty) override;
  void DrawOval(float x0, float y0, float x1, float y1, float tx, float ty) override;
  void DrawPoly(const std::vector<float>& points, float hx, float hy, float tx, float ty) override;
  void DrawPixmap(const Ref<TPixmap>& pixmap, int x, int y) override;
  Ref<TPixmap> CapturePixmap(int x, int y, int width, int height) override;

  // A text as DrawText was asked to draw it (reported by the game's text hook).
  void RecordText(const String& text, float x, float y);
  void RecordFrameDraw(const TRecordingFrame& frame, float x0, float y0, float x1, float y1,
                       float tx, float ty);

  // Records of the frame being drawn, and of the last presented frame.
  const std::vector<DrawRecord>& Current() const { return current_; }
  const std::vector<DrawRecord>& LastFrame() const { return lastFrame_; }
  int Presents() const { return presents_; }
  // Called at every Present after the records moved (the harness advances its
  // clock there).
  std::function<void()> onPresent;

  int openWidth = 0, openHeight = 0, openDepth = 0, openHertz = 0;
  int mouseVisible = 1;
  int framesCreated = 0;

 private:
  DrawRecord Stamp(DrawKind kind, float x0, float y0, float x1, float y1, float tx, float ty) const;
  DrawRecord state_;
  std::vector<DrawRecord> current_;
  std::vector<DrawRecord> lastFrame_;
  int presents_ = 0;
};

}  // namespace salvo
