#include "input/console_prompts.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace salvo {
namespace {

// A stream from which `text` can be read.
std::FILE* InputOf(const std::string& text) {
  std::FILE* file = std::tmpfile();
  std::fwrite(text.data(), 1, text.size(), file);
  std::rewind(file);
  return file;
}

// An answer to read and a buffer that collects what was written.
class ConsoleTest : public ::testing::Test {
 protected:
  ~ConsoleTest() override {
    if (in_) std::fclose(in_);
    if (out_) std::fclose(out_);
    std::free(written_);
  }
  std::FILE* Answer(const std::string& text) {
    in_ = InputOf(text);
    return in_;
  }
  std::FILE* Out() {
    out_ = open_memstream(&written_, &size_);
    return out_;
  }
  std::string Written() {
    std::fflush(out_);
    return std::string(written_, size_);
  }

 private:
  std::FILE* in_ = nullptr;
  std::FILE* out_ = nullptr;
  char* written_ = nullptr;
  std::size_t size_ = 0;
};

TEST_F(ConsoleTest, NotifyEndsTheLineWithCarriageReturnAndNewline) {
  ConsoleNotify(u"Saved \u00e9", Out());
  EXPECT_EQ(Written(), "Saved \xc3\xa9\r\n");
}

TEST_F(ConsoleTest, ConfirmAcceptsAnAnswerStartingWithY) {
  EXPECT_EQ(ConsoleConfirm(u"Quit", Answer("Yes please\n"), Out()), 1);
  EXPECT_EQ(Written(), "Quit (Yes/No)?");
}

TEST(ConsoleAnswerTest, ConfirmAndProceedAnswers) {
  struct Case {
    const char* answer;
    int confirm;
    int proceed;
  };
  for (Case c : {Case{"y\n", 1, 1}, Case{"YES", 1, 1}, Case{"no\n", 0, 0}, Case{"N", 0, 0},
                 Case{"cancel\n", 0, -1}, Case{"\n", 0, -1}, Case{"", 0, -1}, Case{" y", 0, -1}}) {
    std::FILE* out = std::tmpfile();
    std::FILE* in = InputOf(c.answer);
    EXPECT_EQ(ConsoleConfirm(u"?", in, out), c.confirm) << c.answer;
    std::fclose(in);
    in = InputOf(c.answer);
    EXPECT_EQ(ConsoleProceed(u"?", in, out), c.proceed) << c.answer;
    std::fclose(in);
    std::fclose(out);
  }
}

TEST_F(ConsoleTest, ProceedWritesItsChoices) {
  ConsoleProceed(u"Overwrite", Answer("n\r\n"), Out());
  EXPECT_EQ(Written(), "Overwrite (Yes/No/Cancel)?");
}

TEST_F(ConsoleTest, PromptReturnsTheLineWithoutItsEnd) {
  EXPECT_EQ(ConsolePrompt("Enter a filename:", Answer("/tmp/a b.txt\r\nnext\n"), Out()),
            u"/tmp/a b.txt");
  EXPECT_EQ(Written(), "Enter a filename:");
}

}  // namespace
}  // namespace salvo
