// How the OpenGL driver sends primitives: one glBegin/glEnd each on the plain
// path, or gathered into vertex arrays that are drawn when the state they
// share is about to change.
#include <GL/gl.h>

#include <cstdint>

#include "render/gl_check_internal.h"
#include "render/gl_driver_internal.h"
#include "render/gl_platform_internal.h"

namespace salvo {

namespace {

// Batched vertices between two flushes of GL's pipeline.
constexpr int kVerticesPerFlush = 24000;
// Vertices of one batch: what 16-bit indices reach, the widest index type
// WebGL takes from client memory.
constexpr std::size_t kMaxBatchVertices = 65536;

// The GL primitive a batched primitive is drawn as. Textured quads stay
// quads so that GL splits them into triangles as it does for glBegin; flat
// coloured quads and polygons become triangles, which cover the same pixels.
unsigned BatchModeFor(unsigned mode, bool textured) {
  return mode == GL_QUADS && textured ? GL_QUADS : GL_TRIANGLES;
}

void AppendToBatch(GLDriverState& state) {
  const std::vector<GLBatchVertex>& corners = state.primitive;
  const unsigned mode = BatchModeFor(state.primitiveMode, state.texturingOn != 0);
  if (mode != state.batchMode || state.batch.size() + corners.size() > kMaxBatchVertices) {
    FlushBatch();
    state.batchMode = mode;
  }
  if (mode == GL_QUADS) {
    state.batch.insert(state.batch.end(), corners.begin(), corners.end());
    return;
  }
  // A fan over the convex outline: the same pixels as the whole polygon.
  // Indexed, so that GL transforms each corner once.
  const auto first = static_cast<unsigned>(state.batch.size());
  state.batch.insert(state.batch.end(), corners.begin(), corners.end());
  for (unsigned i = 1; i + 1 < corners.size(); ++i) {
    state.batchIndices.push_back(static_cast<uint16_t>(first));
    state.batchIndices.push_back(static_cast<uint16_t>(first + i));
    state.batchIndices.push_back(static_cast<uint16_t>(first + i + 1));
  }
}

void DrawImmediately(const GLDriverState& state) {
  const bool textured = state.texturingOn != 0;
  glBegin(ImmediateMode(state.primitiveMode));
  for (const GLBatchVertex& vertex : state.primitive) {
    if (textured) glTexCoord2f(vertex.u, vertex.v);
    glVertex2f(vertex.x, vertex.y);
  }
  glEnd();
}

// The blend state a primitive needs: the current mode, or no blending at all
// when alpha blending would only copy an opaque source.
int BlendFor(const GLDriverState& state, unsigned mode, bool opaqueSource) {
  const bool fills = mode == GL_QUADS || mode == GL_POLYGON;
  if (state.shortcuts.opaqueUnblended && fills && opaqueSource &&
      state.currentBlend == BlendAlpha && state.color[3] == 255) {
    return kBlendOpaque;
  }
  return state.currentBlend;
}

}  // namespace

void ApplyBlend(int mode) {
  switch (mode) {
    case BlendMask:
      glDisable(GL_BLEND);
      glEnable(GL_ALPHA_TEST);
      glAlphaFunc(GL_GEQUAL, 0.5f);
      break;
    case BlendAlpha:
      glEnable(GL_BLEND);
      glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
      glDisable(GL_ALPHA_TEST);
      break;
    case BlendAdditive:
      glEnable(GL_BLEND);
      glBlendFunc(GL_SRC_ALPHA, GL_ONE);
      glDisable(GL_ALPHA_TEST);
      break;
    case BlendMultiply:
      glEnable(GL_BLEND);
      glBlendFunc(GL_DST_COLOR, GL_ZERO);
      glDisable(GL_ALPHA_TEST);
      break;
    default:  // BlendSolid, kBlendOpaque and unknown modes
      glDisable(GL_BLEND);
      glDisable(GL_ALPHA_TEST);
      break;
  }
}

void SendColor() {
  glColor4ubv(GLState().color);
}

void FlushBatch() {
  GLDriverState& state = GLState();
  if (state.batch.empty()) return;
  const GLBatchVertex* first = state.batch.data();
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glEnableClientState(GL_COLOR_ARRAY);
  glVertexPointer(2, GL_FLOAT, sizeof(GLBatchVertex), &first->x);
  glTexCoordPointer(2, GL_FLOAT, sizeof(GLBatchVertex), &first->u);
  glColorPointer(4, GL_UNSIGNED_BYTE, sizeof(GLBatchVertex), first->color);
  if (state.batchMode == GL_TRIANGLES) {
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(state.batchIndices.size()), GL_UNSIGNED_SHORT,
                   state.batchIndices.data());
  } else {
    glDrawArrays(state.batchMode, 0, static_cast<GLsizei>(state.batch.size()));
  }
  glDisableClientState(GL_COLOR_ARRAY);
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  glDisableClientState(GL_VERTEX_ARRAY);
  // A software rasteriser starts on what it was given only at a flush; a
  // crowded frame handed over in parts keeps its scene small and lets its
  // threads draw the first part while the rest is being built (about a
  // fifth less time per crowded frame on llvmpipe).
  state.verticesSinceFlush += static_cast<int>(state.batch.size());
  if (state.verticesSinceFlush >= kVerticesPerFlush) {
    glFlush();
    state.verticesSinceFlush = 0;
  }
  state.batch.clear();
  state.batchIndices.clear();
  // GL leaves the current colour undefined after drawing a colour array.
  SendColor();
  CheckGL("FlushBatch");
}

void BeginPrimitive(unsigned mode, bool opaqueSource) {
  GLDriverState& state = GLState();
  const int blend = BlendFor(state, mode, opaqueSource);
  if (blend != state.appliedBlend) {
    FlushBatch();
    ApplyBlend(blend);
    state.appliedBlend = blend;
  }
  state.primitiveMode = mode;
  state.primitive.clear();
}

void PrimitiveVertex(float x, float y, float u, float v) {
  GLDriverState& state = GLState();
  GLBatchVertex vertex{x, y, u, v, {}};
  for (int i = 0; i < 4; ++i) vertex.color[i] = state.color[i];
  state.primitive.push_back(vertex);
}

void EndPrimitive() {
  GLDriverState& state = GLState();
  const bool batchable = state.primitiveMode == GL_QUADS || state.primitiveMode == GL_POLYGON;
  // A polygon of more corners than one batch holds is drawn on its own.
  if (state.shortcuts.batching && batchable && state.primitive.size() <= kMaxBatchVertices) {
    AppendToBatch(state);
    return;
  }
  FlushBatch();
  DrawImmediately(state);
}

}  // namespace salvo
