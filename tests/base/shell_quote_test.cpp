#include "base/shell_quote.h"

#include <gtest/gtest.h>

#include "base/process.h"

using namespace zub;

// Every word a hint or `wrap` writes must reach the program byte for byte
// through a real shell, "$" and quotes included.
TEST(ShellQuote, EveryWordReachesAProgramAsItWas) {
  for (const char* w :
       {"plain-word_1.cpp", "$scope", "it's", "a b", "*", "`x`", "한글", "=x", ""}) {
    const std::string line = "printf %s " + shell_word(w);
    ProcessResult p = run_process({"sh", "-c", line});
    EXPECT_EQ(p.out, w) << line;
  }
  EXPECT_EQ(shell_word("src/a.cpp:12"), "src/a.cpp:12");  // nothing to quote
  EXPECT_EQ(shell_word("$x"), "'$x'");
  EXPECT_EQ(shell_quoted("it's"), "'it'\\''s'");
}
