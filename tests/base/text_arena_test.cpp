#include "base/text_arena.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

// Views handed out stay valid while the arena grows and after it is moved:
// small strings share chunks, large ones are adopted or copied whole.
TEST(TextArena, ViewsOutliveGrowthAndMoves) {
  zub::TextArena arena;
  std::vector<std::pair<std::string_view, std::string>> kept;
  for (size_t i = 0; i < 3000; ++i) {
    std::string s(i % 97 + (i % 500 == 0 ? 300000 : 0), static_cast<char>('a' + i % 26));
    const std::string want = s;
    std::string_view v;
    if (i % 3 == 0)
      v = arena.take(std::move(s));
    else if (i % 3 == 1)
      v = arena.keep(s);
    else
      v = arena.keep("> ", s);
    kept.emplace_back(v, i % 3 == 2 ? "> " + want : want);
  }
  zub::TextArena moved = std::move(arena);
  for (const auto& [view, want] : kept) ASSERT_EQ(view, want);
  EXPECT_GT(moved.allocated(), 3000u * 40);
  EXPECT_EQ(moved.keep(""), "");
}
