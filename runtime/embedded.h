// The table of files carried inside the executable, opened as "incbin::name".
#pragma once

#include <cstdint>

#include "runtime/string.h"

namespace salvo {

// Adds an entry; false (nothing changed) when the name is already registered.
bool RegisterEmbeddedFile(const String& name, const void* data, int32_t size);
// The entry's bytes, or nullptr when no entry has that exact name.
const void* EmbeddedFileData(const String& name);
// The entry's size, or 0 when no entry has that exact name.
int32_t EmbeddedFileSize(const String& name);

}  // namespace salvo
