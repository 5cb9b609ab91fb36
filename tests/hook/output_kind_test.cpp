// The kind of output a shell line prints, told from the line as agents
// type it: compound lines, wrappers, nested shells and pipes.
#include "hook/output_kind.h"

#include <gtest/gtest.h>

#include "hook/shell_line.h"

namespace {

using zub::OutputKind;

TEST(OutputKind, CommandLinesAsAgentsTypeThem) {
  const struct {
    const char* line;
    OutputKind kind;
  } cases[] = {
      // Builds and tests behind cd, assignments, wrappers and pipes.
      {"cd /w/app && npm test 2>&1 | tail -50", OutputKind::kBuild},
      {"CI=1 FORCE_COLOR=0 npx vitest run", OutputKind::kBuild},
      {"timeout 300 uv run pytest -x -q tests/", OutputKind::kBuild},
      {"sh -lc 'cd repo && python -m pytest -q'", OutputKind::kBuild},
      {"bash -c \"make -j8 2>&1\" | head -100", OutputKind::kBuild},
      {"npx tsc --noEmit", OutputKind::kBuild},
      {"pnpm run typecheck", OutputKind::kBuild},
      {"node --test test/", OutputKind::kBuild},
      {"./gradlew build", OutputKind::kBuild},
      {"cmake --build build -j2 && ctest --output-on-failure", OutputKind::kBuild},
      {"npm install && npm test", OutputKind::kBuild},
      {"(cd sub; cargo test)", OutputKind::kBuild},
      {"for f in a b; do g++ -c $f.cpp; done", OutputKind::kBuild},
      // Diffs, logs, searches, installs.
      {"git --no-pager log -p -3", OutputKind::kDiff},
      {"git show HEAD~2", OutputKind::kDiff},
      {"diff -u a.txt b.txt", OutputKind::kDiff},
      {"docker compose logs --tail 500 api", OutputKind::kLogs},
      {"tail -n 300 /var/log/app.log", OutputKind::kLogs},
      {"rg -n 'fn main' . | head -500", OutputKind::kSearch},
      {"grep -rn TODO src/ 2>/dev/null", OutputKind::kSearch},
      {"git grep -n parse_args", OutputKind::kSearch},
      {"pip install -r requirements.txt", OutputKind::kInstall},
      {"sudo apt-get install -y libssl-dev", OutputKind::kInstall},
      {"python3 -m pip install requests", OutputKind::kInstall},
      // File contents anywhere on the line win: their lines may be edited from.
      {"cat src/main.rs", OutputKind::kContent},
      {"sed -n '100,200p' src/app.py", OutputKind::kContent},
      {"git show HEAD:src/app.py | sed -n 1,80p", OutputKind::kContent},
      {"make && cat build/log.txt", OutputKind::kContent},
      {"curl -s localhost:8080/api | jq .", OutputKind::kContent},
      {"zub grep -rn foo src", OutputKind::kContent},
      {"echo '== A =='; head -40 a.c; echo '== B =='; nl b.c", OutputKind::kContent},
      {"awk 'NR>=10 && NR<=20' f.c", OutputKind::kContent},
      // Not contents: an in-place edit, a filter reading a pipe.
      {"sed -i 's/a/b/' f.c", OutputKind::kOther},
      {"ls -la | head -20", OutputKind::kOther},
      {"python script.py 2>&1 | tail -20", OutputKind::kOther},
      {"cat <<'EOF' > f.txt\nmake\nEOF", OutputKind::kContent},
      {"", OutputKind::kOther},
  };
  for (const auto& c : cases)
    EXPECT_EQ(zub::output_kind_name(zub::output_kind(c.line)), zub::output_kind_name(c.kind))
        << c.line;
}

TEST(ShellLine, QuotingRedirectionsAndHereDocuments) {
  const auto stages = zub::shell_stages(
      "A=1 env -u X nohup make 'all tests' \"x\\\"y\" 2>&1 >out.log | tail -5\n"
      "cat <<EOF\nnpm install\nEOF\n"
      "bash -lc 'pytest -k \"a or b\"'");
  ASSERT_EQ(stages.size(), 4u);
  EXPECT_EQ(stages[0].words, (std::vector<std::string>{"make", "all tests", "x\"y"}));
  EXPECT_FALSE(stages[0].piped_in);
  EXPECT_EQ(stages[1].words, (std::vector<std::string>{"tail", "-5"}));
  EXPECT_TRUE(stages[1].piped_in);
  // The here-document's body is no command.
  EXPECT_EQ(stages[2].words, (std::vector<std::string>{"cat"}));
  EXPECT_EQ(stages[3].words, (std::vector<std::string>{"pytest", "-k", "a or b"}));
}

}  // namespace
