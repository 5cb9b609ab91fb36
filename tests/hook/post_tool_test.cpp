// End-to-end tests of the hook's PostToolUse side: the answer's shape, the
// outputs it never shortens, the raw copy its note names, the off switch
// and what it leaves to the PreToolUse side.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "base/json_doc.h"
#include "base/json_string.h"
#include "support/run_zub.h"

using zub_test::run_zub;
using zub_test::RunOptions;
using zub_test::TempDir;

namespace {

std::string quoted(const std::string& s) {
  std::string out;
  zub::append_json_quoted(out, s);
  return out;
}

std::string read_all(const std::string& path) {
  std::ifstream f(path);
  std::stringstream ss;
  ss << f.rdbuf();
  return ss.str();
}

struct Event {
  std::string command;
  std::string stdout_text;
  std::string stderr_text;
  std::string session = "s1";
  std::string more_response = R"(,"interrupted":false,"isImage":false)";
  std::string json() const {
    return R"({"session_id":)" + quoted(session) +
           R"(,"transcript_path":"/t.jsonl","cwd":"/w","hook_event_name":"PostToolUse",)"
           R"("tool_name":"Bash","tool_input":{"command":)" +
           quoted(command) + R"(,"description":"d"},"tool_response":{"stdout":)" +
           quoted(stdout_text) + R"(,"stderr":)" + quoted(stderr_text) + more_response +
           R"(},"tool_use_id":"toolu_1"})";
  }
};

struct Hook {
  TempDir tmp;
  std::vector<std::string> env;
  zub_test::Run send(const std::string& event) const {
    RunOptions o;
    o.has_stdin = true;
    o.stdin_data = event;
    o.env_set = {"TMPDIR=" + tmp.path(), "XDG_STATE_HOME=" + (tmp / "state")};
    o.env_set.insert(o.env_set.end(), env.begin(), env.end());
    return run_zub({"hook"}, o);
  }
  // The replaced tool response, or nothing when the hook kept quiet.
  std::optional<zub::JsonValue> response(const Event& e) const {
    const zub_test::Run r = send(e.json());
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    if (r.out.empty()) return std::nullopt;
    EXPECT_EQ(r.out.find('\n'), r.out.size() - 1) << "one line";
    zub::JsonParse p = zub::parse_json(r.out);
    EXPECT_TRUE(p.doc) << r.out;
    if (!p.doc) return std::nullopt;
    const auto& specific =
        p.doc->root.entries.at(*zub::find_member(p.doc->root, "hookSpecificOutput"));
    EXPECT_EQ(zub::json_text(specific.value.entries.at(0).value), "PostToolUse");
    const auto at = zub::find_member(specific.value, "updatedToolOutput");
    EXPECT_TRUE(at);
    EXPECT_EQ(specific.value.entries.size(), 2u) << "no permission decision, nothing else";
    return specific.value.entries.at(*at).value;
  }
};

std::string field(const zub::JsonValue& v, const char* name) {
  return zub::json_text(v.entries.at(*zub::find_member(v, name)).value).value_or("<not a string>");
}

// The path and line count the note of a shortened output names.
std::pair<std::string, std::string> note_target(const std::string& shown) {
  const size_t at = shown.rfind("zub read ");
  if (at == std::string::npos) return {};
  const size_t space = shown.find(' ', at + 9);
  const size_t end = shown.find(']', space);
  return {shown.substr(at + 9, space - at - 9), shown.substr(space + 1, end - space - 1)};
}

std::string numbered_lines(int n, const char* what) {
  std::string s;
  for (int i = 1; i <= n; ++i) s += std::string(what) + " " + std::to_string(i) + " of the text\n";
  return s;
}

std::string failing_pytest() {
  std::string s =
      "============================= test session starts ==============================\n";
  for (int i = 0; i < 60; ++i) s += "tests/test_mod.py::test_ok_" + std::to_string(i) + " PASSED\n";
  s += "=================================== FAILURES ===================================\n"
       "_________________________________ test_parse __________________________________\n\n"
       "    def test_parse():\n>       assert parse('1') == 2\nE       AssertionError: assert 1 == "
       "2\n\n"
       "tests/test_mod.py:14: AssertionError\n"
       "=========================== short test summary info ============================\n"
       "FAILED tests/test_mod.py::test_parse - AssertionError: assert 1 == 2\n"
       "========================= 1 failed, 60 passed in 0.31s =========================\n";
  return s;
}

TEST(PostToolHook, AnswerKeepsTheResponseShapeAndDecodesTheEvent) {
  Hook h;
  Event e{"cd /w && pytest -q 2>&1 | tail -80", failing_pytest(), ""};
  // Fields the host may add, nested, and in any order, come back as they were.
  e.more_response = R"(,"isImage":false,"extra":{"a":[1,2.50,"\u00e9"]},"interrupted":false)";
  const auto r = h.response(e);
  ASSERT_TRUE(r);
  ASSERT_EQ(r->entries.size(), 5u);
  const char* order[] = {"stdout", "stderr", "isImage", "extra", "interrupted"};
  for (size_t i = 0; i < 5; ++i) EXPECT_EQ(zub::json_key(r->entries[i]), order[i]);
  EXPECT_EQ(zub::write_json(r->entries[3].value), R"({"a":[1,2.50,"\u00e9"]})");
  const std::string out = field(*r, "stdout");
  EXPECT_NE(out.find("test_parse"), std::string::npos) << out;
  EXPECT_NE(out.find("tests/test_mod.py:14"), std::string::npos) << out;
  EXPECT_EQ(out.find("test_ok_59 PASSED"), std::string::npos) << out;
  EXPECT_NE(out.find("[zub hook: diag summary"), std::string::npos) << out;
  EXPECT_EQ(field(*r, "stderr"), "");

  // The raw copy the note names holds the output byte for byte.
  const auto [path, range] = note_target(out);
  EXPECT_EQ(read_all(path), e.stdout_text);
  EXPECT_EQ(range,
            "1-" + std::to_string(std::count(e.stdout_text.begin(), e.stdout_text.end(), '\n')));

  // A command spelled with \u escapes and a surrogate pair is read decoded:
  // "cat" makes it file contents, left alone.
  std::string ev = Event{"cat notes.md", numbered_lines(400, "\xF0\x9F\x98\x80 line"), ""}.json();
  ev.replace(ev.find("\"cat "), 5, "\"\\u0063at ");
  const size_t emoji = ev.find("\xF0\x9F\x98\x80");
  ASSERT_NE(emoji, std::string::npos);
  ev.replace(emoji, 4, "\\ud83d\\ude00");
  const zub_test::Run quiet = h.send(ev);
  EXPECT_EQ(quiet.status, 0);
  EXPECT_EQ(quiet.out, "");

  // Not shell, not PostToolUse's shape, not JSON: no answer, status 0.
  for (const std::string& bad :
       {std::string(
            R"({"hook_event_name":"PostToolUse","tool_name":"Read","tool_response":{"stdout":)") +
            quoted(failing_pytest()) + "}}",
        std::string(R"({"hook_event_name":"PostToolUse","tool_name":"Bash","tool_response":"x"})"),
        std::string(R"({"hook_event_name":"PostToolUse","tool_name":"Bash",)")}) {
    const zub_test::Run r2 = h.send(bad);
    EXPECT_EQ(r2.status, 0);
    EXPECT_EQ(r2.out, "") << bad;
  }
}

TEST(PostToolHook, ContentsSmallOutputAndImagesAreNeverShortenedBelowTheInlineLimit) {
  Hook h;
  const std::string text = numbered_lines(300, "line");  // about 6 KB, repetitive
  for (const char* command :
       {"cat src/a.txt", "head -400 src/a.txt", "sed -n '1,400p' src/a.txt", "nl src/a.txt",
        "git show HEAD~1:src/a.txt", "jq . data.json", "zub read src/a.txt",
        "awk 'NR<500' src/a.txt", "cd src && cat a.txt | head -400"})
    EXPECT_FALSE(h.response({command, text, ""})) << command;
  EXPECT_FALSE(h.response({"make", failing_pytest().substr(0, 2000), ""})) << "2 KB or less";
  Event image{"make", failing_pytest(), ""};
  image.more_response = R"(,"interrupted":false,"isImage":true)";
  EXPECT_FALSE(h.response(image));

  // Past the inline limit a file's text keeps its head and tail, and the gap
  // names exactly the lines left out of the raw copy.
  const std::string big = numbered_lines(3000, "line");
  const auto r = h.response({"cat big.txt", big, ""});
  ASSERT_TRUE(r);
  const std::string out = field(*r, "stdout");
  EXPECT_LE(out.size(), 30000u);
  EXPECT_EQ(out.substr(0, 40), big.substr(0, 40));
  EXPECT_NE(out.find("line 3000 of the text\n"), std::string::npos);
  const size_t gap = out.find("[zub hook: ");
  ASSERT_NE(gap, std::string::npos);
  const std::string gap_line = out.substr(gap, out.find('\n', gap) - gap);
  const size_t read_at = gap_line.find("zub read ");
  ASSERT_NE(read_at, std::string::npos) << gap_line;
  std::istringstream words(gap_line.substr(read_at + 9));
  std::string path, range;
  words >> path >> range;
  range.pop_back();  // "]"
  const int from = std::stoi(range), to = std::stoi(range.substr(range.find('-') + 1));
  EXPECT_NE(out.find("line " + std::to_string(from - 1) + " of the text\n["), std::string::npos)
      << gap_line;
  EXPECT_NE(out.find("]\nline " + std::to_string(to + 1) + " of the text\n"), std::string::npos);
  EXPECT_EQ(read_all(path), big);

  // The host's limit is the user's to set.
  h.env = {"ZUB_HOST_INLINE_CHARS=10000"};
  const auto r10 = h.response({"cat big.txt", big, ""});
  ASSERT_TRUE(r10);
  EXPECT_LE(field(*r10, "stdout").size(), 10000u);
}

TEST(PostToolHook, SearchesKeepEveryLineNumberAndLogsAndInterruptsSaySo) {
  Hook h;
  std::string hits;
  for (int f = 0; f < 30; ++f)
    for (int k = 0; k < 12; ++k)
      hits += "src/mod" + std::to_string(f) + ".c:" + std::to_string(k * 7 + 3) +
              ":    result = parse_value(input, " + std::to_string(f * k) + ");\n";
  const auto r = h.response({"rg -n parse_value src", hits, ""});
  ASSERT_TRUE(r);
  const std::string out = field(*r, "stdout");
  EXPECT_LT(out.size(), hits.size() / 2);
  for (int f = 0; f < 30; ++f) {
    const std::string file = "src/mod" + std::to_string(f) + ".c (12 hits)";
    const size_t at = out.find(file);
    ASSERT_NE(at, std::string::npos) << file << "\n" << out;
    const std::string block = out.substr(at, out.find("\xE2\x94\x80", at + 3) - at);
    for (int k = 0; k < 12; ++k)
      EXPECT_NE(block.find(std::to_string(k * 7 + 3)), std::string::npos) << block;
  }
  // A search under 8 KB stays as it is.
  EXPECT_FALSE(h.response({"rg -n parse_value src", hits.substr(0, 8000), ""}));

  Event logs{"docker logs api", "", ""};
  for (int i = 0; i < 400; ++i)
    logs.stderr_text += "2026-12-09T10:00:" + std::to_string(i % 60) + "Z GET /health 200 in " +
                        std::to_string(i % 13) + "ms\n";
  logs.more_response = R"(,"interrupted":true,"isImage":false)";
  const auto l = h.response(logs);
  ASSERT_TRUE(l);
  EXPECT_EQ(field(*l, "stdout"), "");
  const std::string err = field(*l, "stderr");
  EXPECT_NE(err.find("[400 lines in -> 1 unique]"), std::string::npos) << err;
  EXPECT_NE(err.find("logs folded \xC2\xB7 interrupted"), std::string::npos) << err;
}

TEST(PostToolHook, OffSwitchesGainAndTheProbeFile) {
  Hook h;
  const Event e{"npm test", failing_pytest(), ""};
  // Without a raw copy nothing is shortened; ZUB_NO_POST turns it all off.
  for (const char* off : {"ZUB_NO_RAW=1", "ZUB_NO_POST=1"}) {
    h.env = {off};
    EXPECT_FALSE(h.response(e)) << off;
  }
  h.env.clear();
  EXPECT_FALSE(std::ifstream(h.tmp / "zub-probe-s1").good()) << "the counter is not touched";

  // The session's build command gets no `zub wrap` hint once its outputs
  // are shortened (above, with ZUB_NO_RAW, the PostToolUse side ran).
  const std::string pre =
      R"({"session_id":"s1","hook_event_name":"PreToolUse","tool_name":"Bash","tool_input":{"command":"make"}})";
  EXPECT_EQ(h.send(pre).out, "");
  h.env = {"ZUB_NO_POST=1"};
  EXPECT_NE(h.send(pre).out.find("zub wrap --diag -- make"), std::string::npos);

  // gain: one record per shortened output, its baseline what the host shows.
  h.env.clear();
  std::string big;
  for (int i = 0; i < 4000; ++i) big += "   Compiling crate" + std::to_string(i) + " v1.0.0\n";
  const auto r = h.response({"cargo build", big, ""});
  ASSERT_TRUE(r);
  const std::string ledger = read_all(h.tmp / "state/zub/gain.log");
  std::istringstream rec(ledger.substr(ledger.find('\t') + 1));
  std::string sub;
  uint64_t baseline = 0, printed = 0;
  rec >> sub >> baseline >> printed;
  EXPECT_EQ(sub, "hook");
  EXPECT_EQ(baseline, 30000u);
  EXPECT_EQ(printed, field(*r, "stdout").size());
}

}  // namespace
