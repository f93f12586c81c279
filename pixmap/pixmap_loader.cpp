// The loader list and LoadPixmap, which offers a stream to every loader.
#include "pixmap/pixmap.h"

namespace salvo {
namespace {

// Heap-allocated and never freed: loaders live for the whole process, and
// references dropped by other globals' destructors at exit still find it.
Ref<TPixmapLoader>& LoaderListHead() {
  static auto* head = new Ref<TPixmapLoader>();
  return *head;
}

Ref<TPixmap> TryLoader(const Ref<TPixmapLoader>& loader, const Ref<TStream>& stream) {
  try {
    return loader->LoadPixmap(stream);
  } catch (const TStreamException&) {
    // A stream error means this loader could not read the data.
    return nullptr;
  }
}

}  // namespace

TPixmapLoader::TPixmapLoader() {
  Ref<TPixmapLoader>& head = LoaderListHead();
  next = head;
  head = Ref<TPixmapLoader>::Retain(this);
}

Ref<TPixmapLoader> FirstPixmapLoader() {
  return LoaderListHead();
}

Ref<TPixmap> LoadPixmap(const StreamSource& source) {
  StreamCloser closer(ReadStream(source));
  const Ref<TStream>& stream = closer.Stream();
  if (!stream) return nullptr;
  const int32_t start = stream->Pos();
  if (start == -1) return nullptr;
  for (Ref<TPixmapLoader> loader = LoaderListHead(); loader; loader = loader->next) {
    stream->Seek(start);
    Ref<TPixmap> pixmap = TryLoader(loader, stream);
    if (pixmap) return pixmap;
  }
  return nullptr;
}

void InitPixmapModule() {
  static bool initialised = false;
  if (initialised) return;
  initialised = true;
  InitStreamModule();
}

}  // namespace salvo
