// The simple commands of a shell line as an agent types it: compound lines
// (`cd x && make 2>&1 | tail -50; echo done`) are cut into pipelines and
// their stages, each stage into its words with the shell's quoting
// removed. Redirections (`2>&1`, `> out.txt`), leading assignments
// (`CI=1 npm test`) and the wrappers that only change how a program runs
// (`env`, `time`, `timeout 60`, `nohup`, `sudo`, `xargs`, `uv run`, `npx`)
// are dropped, and `sh -c '…'`/`bash -lc "…"` is opened: what is left
// starts with the program whose output the line prints. The reading is
// the shell's for the habits agents have, not a shell: expansions are left
// as text and here-documents are skipped. Bounded: at most kMaxShellStages
// stages and kMaxShellWrapDepth nested shells. Pure, thread-safe.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace zub {

inline constexpr size_t kMaxShellStages = 256;
inline constexpr size_t kMaxShellWrapDepth = 4;

struct ShellStage {
  std::vector<std::string> words;  // the program first; never empty
  bool piped_in = false;           // reads the previous stage's output
};

// Every stage of `line` in order, the stages of a nested `sh -c` line in
// place of the shell that runs it.
std::vector<ShellStage> shell_stages(std::string_view line);

// The last path component of a program word (`/usr/bin/cat` is `cat`,
// `./gradlew` is `gradlew`).
std::string_view program_name(std::string_view word);

}  // namespace zub
