// Not harness/recording_driver.h: these tests need raw calls in order and must not link the game.
// A drawing driver that records every call with its resolved arguments, so
// that tests can check what the front end asks of a driver without a GPU.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "pixmap/pixmap.h"
#include "render/graphics.h"
#include "render/image.h"

namespace salvo::testing {

using Args = std::vector<float>;

struct Call {
  std::string name;
  Args args;
  const TImageFrame* frame = nullptr;  // the frame that drew, for "Draw"
};

struct RecordingFrame : TImageFrame {
  explicit RecordingFrame(std::vector<Call>* calls) : calls(calls) {}
  void Draw(float x0, float y0, float x1, float y1, float tx, float ty) override {
    calls->push_back({"Draw", {x0, y0, x1, y1, tx, ty}, this});
  }
  Ref<TPixmap> Lock(int, int) override { return nullptr; }
  void Unlock() override {}
  std::vector<Call>* calls;
};

struct RecordingDriver : TDrawingDriver {
  std::vector<Call> calls;

  void Open(int w, int h, int d, int hz) override { Record("Open", w, h, d, hz); }
  void Close() override { Record("Close"); }
  void Present() override { Record("Present"); }
  void SetMouseVisible(int visible) override { Record("SetMouseVisible", visible); }
  Ref<TImageFrame> CreateFrame(int, int, int) override { return New<RecordingFrame>(&calls); }
  Ref<TImageFrame> CreateFrameFromPixmap(const Ref<TPixmap>&, int flags) override {
    Record("CreateFrameFromPixmap", flags);
    return New<RecordingFrame>(&calls);
  }
  void SetBlend(int mode) override { Record("SetBlend", mode); }
  void SetAlpha(float alpha) override { Record("SetAlpha", alpha); }
  void SetColor(int r, int g, int b) override { Record("SetColor", r, g, b); }
  void SetClearColor(int r, int g, int b) override { Record("SetClearColor", r, g, b); }
  void SetViewport(int x, int y, int w, int h) override { Record("SetViewport", x, y, w, h); }
  void SetMatrix(float ix, float iy, float jx, float jy) override {
    Record("SetMatrix", ix, iy, jx, jy);
  }
  void SetLineWidth(float width) override { Record("SetLineWidth", width); }
  void Clear() override { Record("Clear"); }
  void Plot(float x, float y) override { Record("Plot", x, y); }
  void DrawLine(float x0, float y0, float x1, float y1, float tx, float ty) override {
    Record("DrawLine", x0, y0, x1, y1, tx, ty);
  }
  void DrawRect(float x0, float y0, float x1, float y1, float tx, float ty) override {
    Record("DrawRect", x0, y0, x1, y1, tx, ty);
  }
  void DrawOval(float x0, float y0, float x1, float y1, float tx, float ty) override {
    Record("DrawOval", x0, y0, x1, y1, tx, ty);
  }
  void DrawPoly(const std::vector<float>& points, float hx, float hy, float tx, float ty) override {
    Record("DrawPoly", hx, hy, tx, ty);
    calls.back().args.insert(calls.back().args.end(), points.begin(), points.end());
  }
  void DrawPixmap(const Ref<TPixmap>&, int x, int y) override { Record("DrawPixmap", x, y); }
  Ref<TPixmap> CapturePixmap(int, int, int w, int h) override {
    return CreatePixmap(w, h, PF_RGBA8888, 4);
  }

  // The recorded calls of one name, oldest first.
  std::vector<Call> Named(const std::string& name) const {
    std::vector<Call> found;
    for (const Call& call : calls) found.insert(found.end(), call.name == name ? 1 : 0, call);
    return found;
  }
  int Count(const std::string& name) const { return int(Named(name).size()); }
  Args LastArgs(const std::string& name) const {
    const std::vector<Call> found = Named(name);
    return found.empty() ? Args{} : found.back().args;
  }

  template <class... Values>
  void Record(const char* name, Values... values) {
    calls.push_back({name, {static_cast<float>(values)...}});
  }
};

// Puts a recording driver in place for the test and the previous one back after.
class RecordingTest : public ::testing::Test {
 protected:
  void SetUp() override { SetDrawingDriver(driver); }
  void TearDown() override {
    CloseGraphics();
    SetDrawingDriver(previous_);
    ReleaseStep();
  }

  Ref<TDrawingDriver> previous_ = GetDrawingDriver();
  Ref<RecordingDriver> driver = New<RecordingDriver>();
};

}  // namespace salvo::testing
