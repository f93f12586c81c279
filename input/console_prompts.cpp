#include "input/console_prompts.h"

#include <string>

namespace salvo {
namespace {

void Write(const String& text, const char* suffix, std::FILE* out) {
  std::string bytes = ToUtf8(text);
  std::fwrite(bytes.data(), 1, bytes.size(), out);
  std::fputs(suffix, out);
  std::fflush(out);
}

// One line of any length, without "\n" or "\r\n"; empty at end of input.
std::string ReadLine(std::FILE* in) {
  std::string line;
  int c;
  while ((c = std::fgetc(in)) != EOF && c != '\n') line.push_back(static_cast<char>(c));
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

// The answer's first character with A to Z lower-cased; 0 for an empty line.
char FirstAnswerChar(std::FILE* in) {
  std::string line = ReadLine(in);
  if (line.empty()) return 0;
  char c = line[0];
  if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return c;
}

}  // namespace

void ConsoleNotify(const String& text, std::FILE* out) {
  Write(text, "\r\n", out);
}

int ConsoleConfirm(const String& text, std::FILE* in, std::FILE* out) {
  Write(text, " (Yes/No)?", out);
  return FirstAnswerChar(in) == 'y' ? 1 : 0;
}

int ConsoleProceed(const String& text, std::FILE* in, std::FILE* out) {
  Write(text, " (Yes/No/Cancel)?", out);
  switch (FirstAnswerChar(in)) {
    case 'y':
      return 1;
    case 'n':
      return 0;
    default:
      return -1;
  }
}

String ConsolePrompt(const char* prompt, std::FILE* in, std::FILE* out) {
  Write(String(), prompt, out);
  return FromUtf8(ReadLine(in));
}

}  // namespace salvo
