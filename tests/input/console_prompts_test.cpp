#include "input/console_prompts.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>

namespace salvo {
namespace {

// Runs `prompt` with `answer` as its input and returns what it wrote.
std::string Converse(const std::string& answer, const std::function<void(FILE*, FILE*)>& prompt) {
  std::FILE* in = std::tmpfile();
  std::fwrite(answer.data(), 1, answer.size(), in);
  std::rewind(in);
  std::FILE* out = std::tmpfile();
  prompt(in, out);
  std::fclose(in);
  std::string text(static_cast<std::size_t>(std::ftell(out)), '\0');
  std::rewind(out);
  text.resize(std::fread(text.data(), 1, text.size(), out));
  std::fclose(out);
  return text;
}

TEST(ConsoleTest, EachPromptWritesItsQuestionInUtf8) {
  auto notify = [](FILE*, FILE* out) { ConsoleNotify(u"Saved \u00e9", out); };
  EXPECT_EQ(Converse("", notify), "Saved \xc3\xa9\r\n");
  int confirmed = -2;
  auto confirm = [&](FILE* in, FILE* out) { confirmed = ConsoleConfirm(u"Quit", in, out); };
  EXPECT_EQ(Converse("Yes please\n", confirm), "Quit (Yes/No)?");
  EXPECT_EQ(confirmed, 1);
  auto proceed = [](FILE* in, FILE* out) { ConsoleProceed(u"Overwrite", in, out); };
  EXPECT_EQ(Converse("n\r\n", proceed), "Overwrite (Yes/No/Cancel)?");
  String line;
  auto prompt = [&](FILE* in, FILE* out) { line = ConsolePrompt("Enter a filename:", in, out); };
  EXPECT_EQ(Converse("/tmp/a b.txt\r\nnext\n", prompt), "Enter a filename:");
  EXPECT_EQ(line, u"/tmp/a b.txt");  // without its line end
}

TEST(ConsoleTest, ConfirmAndProceedAnswers) {
  struct Case {
    const char* answer;
    int confirm;
    int proceed;
  };
  for (Case c : {Case{"y\n", 1, 1}, Case{"YES", 1, 1}, Case{"no\n", 0, 0}, Case{"N", 0, 0},
                 Case{"cancel\n", 0, -1}, Case{"\n", 0, -1}, Case{"", 0, -1}, Case{" y", 0, -1}}) {
    int confirmed = -2, proceeded = -2;
    Converse(c.answer, [&](FILE* in, FILE* out) { confirmed = ConsoleConfirm(u"?", in, out); });
    Converse(c.answer, [&](FILE* in, FILE* out) { proceeded = ConsoleProceed(u"?", in, out); });
    EXPECT_EQ(confirmed, c.confirm) << c.answer;
    EXPECT_EQ(proceeded, c.proceed) << c.answer;
  }
}

}  // namespace
}  // namespace salvo
