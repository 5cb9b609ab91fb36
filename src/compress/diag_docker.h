// docker build (BuildKit) wraps every other tool's output: it writes step
// N's output as "#N 0.613 text" and its own progress as "#N [2/3] RUN
// make", "#N DONE 0.1s", "#N CACHED"; its errors as "#N ERROR: ..." and
// "ERROR: failed to solve: ...". After the steps it quotes the failed
// step's last lines again, between "------" rules under " > [3/3] RUN
// make:". The text of a step goes on to the families without its prefix
// (so "main.c:3:5: error:" is located); BuildKit's own lines are taken
// here, before any family sees them. Single-threaded.
#pragma once

#include <string_view>

#include "compress/diag_state.h"

namespace zub {

struct BuildKitState {
  bool seen = false;   // "#6 0.613 ..." lines were seen
  bool quote = false;  // inside its closing quote of the failed step
};

// What BuildKit makes of a line: not its own (the families read it, with
// the step prefix taken off `line`), its progress, or an error it recorded.
enum class BuildKit { kNone, kProgress, kTaken };

BuildKit buildkit_line(DiagState& st, BuildKitState& bs, std::string_view& line);

}  // namespace zub
