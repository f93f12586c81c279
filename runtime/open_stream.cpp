// URL opening: a URL is split at its first "::" into protocol and path and
// offered to every registered stream factory, newest first.
#include "runtime/stream.h"

namespace salvo {
namespace {

Ref<TStreamFactory>& FactoryListHead() {
  static auto* head = new Ref<TStreamFactory>();
  return *head;
}

}  // namespace

TStreamFactory::TStreamFactory() {
  next = FactoryListHead();
  FactoryListHead() = Ref<TStreamFactory>::Retain(this);
}

StreamSource::StreamSource(const Ref<Object>& object) : stream_(Cast<TStream>(object)) {}

Ref<TStream> OpenStream(const StreamSource& url, bool readable, bool writeable) {
  if (url.Stream()) return New<TBorrowedStream>(url.Stream());

  const String& text = url.Url();
  String protocol;
  String path;
  if (!text.empty()) {
    std::size_t separator = text.find(u"::");
    if (separator == String::npos) return TCFileStream::Open(text, readable, writeable);
    protocol = text.substr(0, separator);
    path = text.substr(separator + 2);
  }
  for (Ref<TStreamFactory> factory = FactoryListHead(); factory; factory = factory->next) {
    Ref<TStream> stream = factory->CreateStream(text, protocol, path, readable, writeable);
    if (stream) return stream;
  }
  return nullptr;
}

Ref<TStream> ReadStream(const StreamSource& url) {
  return OpenStream(url, true, false);
}

Ref<TStream> WriteStream(const StreamSource& url) {
  return OpenStream(url, false, true);
}

}  // namespace salvo
