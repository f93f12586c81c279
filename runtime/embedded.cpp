// The embedded file table and the "incbin" protocol that opens its entries as
// read-only memory streams.
#include "runtime/embedded.h"

#include "runtime/stream.h"

namespace salvo {
namespace {

struct EmbeddedFile {
  EmbeddedFile* next;
  String name;
  const void* data;
  int32_t size;
};

// Newest entry first; entries are never removed.
EmbeddedFile* embeddedFiles = nullptr;

const EmbeddedFile* FindEmbeddedFile(const String& name) {
  for (const EmbeddedFile* file = embeddedFiles; file; file = file->next) {
    if (file->name == name) return file;
  }
  return nullptr;
}

class TIncbinStreamFactory : public TStreamFactory {
 public:
  Ref<TStream> CreateStream(const String&, const String& protocol, const String& path,
                            bool readable, bool writeable) override {
    if (protocol != u"incbin" || writeable) return nullptr;
    const EmbeddedFile* file = FindEmbeddedFile(path);
    if (!file || !file->data) return nullptr;
    // The stream never writes (writeable is refused above), so the bytes stay
    // read-only even though the stream type takes a mutable pointer.
    return New<TMemoryStream>(const_cast<void*>(file->data), file->size, readable, false);
  }
};

}  // namespace

bool RegisterEmbeddedFile(const String& name, const void* data, int32_t size) {
  if (FindEmbeddedFile(name)) return false;
  embeddedFiles = new EmbeddedFile{embeddedFiles, name, data, size < 0 ? 0 : size};
  return true;
}

const void* EmbeddedFileData(const String& name) {
  const EmbeddedFile* file = FindEmbeddedFile(name);
  return file ? file->data : nullptr;
}

int32_t EmbeddedFileSize(const String& name) {
  const EmbeddedFile* file = FindEmbeddedFile(name);
  return file ? file->size : 0;
}

void InitStreamModule() {
  static bool initialised = false;
  if (initialised) return;
  initialised = true;
  New<TIncbinStreamFactory>();  // links itself into the factory list
}

}  // namespace salvo
