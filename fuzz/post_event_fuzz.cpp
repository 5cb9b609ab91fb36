// Feeds arbitrary bytes to the PostToolUse side: once as a whole hook event
// (JSON parsing, the choice of shortening, the answer) and once as a shell
// line (stage splitting and the output kind), the parts that see outside
// input. The answer, when there is one, must be one line of JSON.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/json_doc.h"
#include "base/output.h"
#include "compress/hits.h"
#include "compress/ls_listing.h"
#include "compress/path_list.h"
#include "compress/progress.h"
#include "hook/output_kind.h"
#include "hook/post_tool.h"
#include "hook/shell_line.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Raw copies (a ring of 20) and markers go to a scratch place.
  static char dir[] = "/tmp/zub-post-fuzz-XXXXXX";
  if (mkdtemp(dir) == nullptr) return 0;
  setenv("XDG_STATE_HOME", dir, 1);
  setenv("TMPDIR", dir, 1);
  setenv("ZUB_NO_GAIN", "1", 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  for (const zub::ShellStage& st : zub::shell_stages(text))
    if (st.words.empty()) __builtin_trap();
  if (zub::shell_stages(text).size() > zub::kMaxShellStages) __builtin_trap();
  (void)zub::output_kind_name(zub::output_kind(text));
  if (auto g = zub::group_hits(text, "RAW", 2000); g && g->hits == 0) __builtin_trap();
  if (zub::fold_progress(text).text.size() > text.size() + 64 * (size / 2 + 1)) __builtin_trap();
  // The listing folds only take away, but for one line of their own.
  if (auto l = zub::fold_long_listing(text); l && l->size() > text.size() + 200) __builtin_trap();
  if (auto p = zub::fold_path_list(text); p && p->size() > text.size() + size / 2 + 2)
    __builtin_trap();

  // As an event: with a large output the shortening paths run too.
  zub::Output out;
  out.capture = true;
  std::string event =
      R"({"hook_event_name":"PostToolUse","tool_name":"Bash","tool_input":{"command":)";
  zub::JsonValue command = zub::json_string(text.substr(0, 200));
  event += command.text;
  event += R"(},"tool_response":{"stdout":)";
  std::string big(text);
  while (!big.empty() && big.size() < 9000) big += big;
  event += zub::json_string(big).text;
  event += R"(,"stderr":"","interrupted":true}})";
  for (std::string_view e : {text, std::string_view(event)}) {
    out.out.clear();
    zub::answer_post_tool(e, out);
    if (out.out.empty()) continue;
    if (out.out.find('\n') != out.out.size() - 1) __builtin_trap();
    if (!zub::parse_json(out.out).doc) __builtin_trap();
  }
  return 0;
}
