// Text-console versions of the system dialogs, for drivers without a window
// system. They write the prompt to `out` and read one line from `in`.
#pragma once

#include <cstdio>

#include "runtime/string.h"

namespace salvo {

// Writes the text and "\r\n".
void ConsoleNotify(const String& text, std::FILE* out);
// Writes the text and " (Yes/No)?"; 1 when the answer starts with y or Y.
int ConsoleConfirm(const String& text, std::FILE* in, std::FILE* out);
// Writes the text and " (Yes/No/Cancel)?"; 1 for y, 0 for n, -1 otherwise.
int ConsoleProceed(const String& text, std::FILE* in, std::FILE* out);
// Writes the prompt and returns the line typed, without its line end.
String ConsolePrompt(const char* prompt, std::FILE* in, std::FILE* out);

}  // namespace salvo
