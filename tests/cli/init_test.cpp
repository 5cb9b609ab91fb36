// `zub init` end to end, with a private HOME and real git repositories:
// registering, showing, refusing and taking away, to the byte.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "base/json_doc.h"
#include "base/process.h"
#include "cli/hook_entry.h"
#include "support/run_zub.h"

using zub_test::file_bytes;
using zub_test::run_zub;
using zub_test::RunOptions;
using zub_test::TempDir;

namespace {

std::string bin_dir() {
  std::string b = ZUB_BINARY;
  return b.substr(0, b.rfind('/'));
}

// A HOME of its own; zub is on PATH unless `on_path` is false.
struct Home {
  TempDir t;
  std::string home = t.mkdir("home");
  std::string settings = home + "/.claude/settings.json";

  zub_test::Run init(std::vector<std::string> args, const std::string& cwd = "",
                     bool on_path = true) const {
    RunOptions o;
    o.env_set = {"HOME=" + home, "PATH=" + (on_path ? bin_dir() + ":" : "") + "/usr/bin:/bin"};
    o.cwd = cwd.empty() ? t.path() : cwd;
    args.insert(args.begin(), "init");
    return run_zub(args, o);
  }
};

mode_t mode_of(const std::string& path) {
  struct stat st;
  return ::lstat(path.c_str(), &st) == 0 ? st.st_mode : 0;
}

bool exists(const std::string& path) { return mode_of(path) != 0; }

size_t count(const std::string& hay, const std::string& needle) {
  size_t n = 0;
  for (size_t p = hay.find(needle); p != std::string::npos; p = hay.find(needle, p + 1)) ++n;
  return n;
}

std::string git_repo(const TempDir& t) {
  std::string repo = t.mkdir("repo");
  t.mkdir("repo/sub");
  zub::ProcessResult r = zub::run_process({"git", "init", "-q", repo});
  EXPECT_EQ(r.exit_code, 0) << r.err;
  return repo;
}

}  // namespace

TEST(InitTest, FreshHomeRegistersShowsStaysIdempotentAndUninstalls) {
  Home h;
  auto r = h.init({});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("`zub hook`"), std::string::npos) << r.out;
  const std::string registered = file_bytes(h.settings);
  EXPECT_EQ(registered, zub::text_with_hook("", "zub hook").value());
  EXPECT_FALSE(exists(h.settings + ".zub-bak"));  // there was no file to keep

  r = h.init({"--show"});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("사용자 설정: " + h.settings +
                       ": 등록됨 PreToolUse `zub hook`, PostToolUse `zub hook`"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("(PATH 의 zub 과 같다)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("프로젝트 설정: git 저장소 밖이라 없다"), std::string::npos) << r.out;

  r = h.init({});
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("바꾼 것 없음"), std::string::npos) << r.out;
  EXPECT_EQ(file_bytes(h.settings), registered);

  r = h.init({"--uninstall"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_FALSE(exists(h.settings));  // init made it, and it held only the entry
  EXPECT_FALSE(exists(h.settings + ".zub-bak"));
  EXPECT_FALSE(exists(h.home + "/.claude"));  // made for the file, and left empty
  r = h.init({"--uninstall"});
  EXPECT_NE(r.out.find("등록된 zub 훅이 없다"), std::string::npos) << r.out;

  // Without zub on PATH the hook is registered by this binary's own path,
  // and a later run with zub on PATH still recognises it.
  r = h.init({}, "", false);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(file_bytes(h.settings).find(std::string(ZUB_BINARY) + " hook"), std::string::npos);
  EXPECT_NE(h.init({}).out.find("바꾼 것 없음"), std::string::npos);
  r = h.init({"--show"}, "", false);
  EXPECT_NE(r.out.find("PATH 의 zub: 없다"), std::string::npos) << r.out;
}

TEST(InitTest, PopulatedFilesComeBackByteForByte) {
  const char* originals[] = {
      ("{\n  \"model\": \"opus\",\n  \"hooks\": {\n    \"PostToolUse\": [\n      { \"matcher\": "
       "\"Edit\", \"hooks\": [ { \"type\": \"command\", \"command\": \"fmt.sh\" } ] }\n    ]\n  "
       "}\n}\n"),
      ("{\"hooks\":{\"PreToolUse\":[{\"matcher\":\"Read\",\"hooks\":[]}]},\"n\":1.0e2,"
       "\"s\":\"caf\\u00e9 안녕\"}"),
      "{\r\n\t\"env\" :\t{ }\r\n}",
      "",
      "{}",
  };
  for (const char* original : originals) {
    Home h;
    h.t.write("home/.claude/settings.json", original);
    ASSERT_EQ(::chmod(h.settings.c_str(), 0640), 0);
    auto r = h.init({});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string registered = file_bytes(h.settings);
    EXPECT_EQ(count(registered, "\"zub hook\""), 2u) << registered;
    EXPECT_EQ(mode_of(h.settings) & 07777, 0640u);
    EXPECT_EQ(file_bytes(h.settings + ".zub-bak"), original);
    EXPECT_EQ(mode_of(h.settings + ".zub-bak") & 07777, 0640u);
    if (std::string(original).size() > 2) {  // everything else is kept as written
      zub::JsonParse before = zub::parse_json(original), after = zub::parse_json(registered);
      ASSERT_TRUE(after.doc) << registered;
      for (zub::HookEvent e : zub::kHookEvents) ASSERT_TRUE(zub::remove_hook_entry(*after.doc, e));
      EXPECT_TRUE(zub::same_json(before.doc->root, after.doc->root)) << registered;
    }
    r = h.init({"--uninstall"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(file_bytes(h.settings), original);
    EXPECT_EQ(mode_of(h.settings) & 07777, 0640u);
  }
  // A change made in between is kept; only the entry goes.
  Home h;
  h.t.write("home/.claude/settings.json", "{\n  \"a\": 1\n}\n");
  ASSERT_EQ(h.init({}).status, 0);
  std::string text = file_bytes(h.settings);
  text.replace(text.find("\"a\": 1"), 6, "\"a\": 2");
  h.t.write("home/.claude/settings.json", text);
  ASSERT_EQ(h.init({"--uninstall"}).status, 0);
  EXPECT_EQ(file_bytes(h.settings), "{\n  \"a\": 2\n}\n");
}

// Both events are registered; a file registered for PreToolUse alone (as
// earlier versions left it) is completed; --no-post keeps PreToolUse alone;
// the dry run shows, and the uninstall takes, both entries.
TEST(InitTest, BothEventsCompletionAndNoPost) {
  Home h;
  const std::string pre_only = zub::text_with_hook("{\n  \"a\": 1\n}\n", "zub hook", false).value();
  h.t.write("home/.claude/settings.json", pre_only);
  auto r = h.init({"--dry-run"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(count(r.out, "\n+"), count(r.out, "\n+++") + 11u) << r.out;  // the PostToolUse group
  EXPECT_NE(r.out.find("+    \"PostToolUse\": ["), std::string::npos) << r.out;
  EXPECT_EQ(file_bytes(h.settings), pre_only);
  r = h.init({});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("PostToolUse 훅 `zub hook` (matcher Bash) 을 등록했다 (PreToolUse 는 이미"),
            std::string::npos)
      << r.out;
  const std::string both = file_bytes(h.settings);
  EXPECT_EQ(both, zub::text_with_hook("{\n  \"a\": 1\n}\n", "zub hook").value());
  r = h.init({"--show"});
  EXPECT_NE(r.out.find("등록됨 PreToolUse `zub hook`, PostToolUse `zub hook`"), std::string::npos)
      << r.out;
  EXPECT_NE(h.init({}).out.find("이미 등록되어 있다 (PreToolUse·PostToolUse"), std::string::npos);

  // --no-post takes the PostToolUse entry away again, and a second run
  // changes nothing.
  r = h.init({"--no-post"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(file_bytes(h.settings), pre_only);
  EXPECT_NE(h.init({"--no-post"}).out.find("바꾼 것 없음"), std::string::npos);
  r = h.init({"--show"});
  EXPECT_NE(r.out.find("PreToolUse `zub hook`, PostToolUse 없음"), std::string::npos) << r.out;

  // Uninstall: both entries go, and the dry run shows both.
  ASSERT_EQ(h.init({}).status, 0);
  r = h.init({"--uninstall", "--dry-run"});
  EXPECT_EQ(count(r.out, "\n-"), 25u) << r.out;  // both groups and the "hooks" around them
  ASSERT_EQ(h.init({"--uninstall"}).status, 0);
  EXPECT_EQ(file_bytes(h.settings), "{\n  \"a\": 1\n}\n");
}

TEST(InitTest, DryRunPrintsAPatchAndWritesNothing) {
  Home h;
  const std::string original = "{\n  \"hooks\": {},\n  \"x\": [1, 2]\n}\n";
  h.t.write("home/.claude/settings.json", original);
  auto r = h.init({"--dry-run"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.rfind("--- " + h.settings + "\n+++ " + h.settings + "\n@@ ", 0), 0u) << r.out;
  EXPECT_EQ(file_bytes(h.settings), original);
  EXPECT_FALSE(exists(h.settings + ".zub-bak"));
  // The printed diff, applied by patch, gives what init then writes.
  const std::string diff = h.t.write("change.diff", r.out);
  const std::string copy = h.t.write("copy.json", original);
  zub::ProcessResult p = zub::run_process({"patch", "-s", copy, diff});
  EXPECT_EQ(p.exit_code, 0) << p.out << p.err;
  ASSERT_EQ(h.init({}).status, 0);
  EXPECT_EQ(file_bytes(copy), file_bytes(h.settings));

  // Missing directory: a diff from /dev/null, and still nothing made.
  Home fresh;
  r = fresh.init({"--dry-run", "--notes"});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.rfind("--- /dev/null\n+++ " + fresh.settings + "\n@@ -0,0 +1,26 @@\n", 0), 0u)
      << r.out;
  EXPECT_NE(r.out.find("+<!-- zub:end -->"), std::string::npos);
  EXPECT_FALSE(exists(fresh.home + "/.claude"));
}

TEST(InitTest, RefusesBadFilesAndForeignLinksWithoutWriting) {
  Home h;
  const std::string bad = "{\n  \"hooks\": {\n    \"PreToolUse\": [,]\n  }\n}\n";
  h.t.write("home/.claude/settings.json", bad);
  auto r = h.init({});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err.rfind("zub init: " + h.settings + ":3:20: JSON 이 아니다", 0), 0u) << r.err;
  EXPECT_NE(r.err.find("아무것도 쓰지 않았다"), std::string::npos);
  EXPECT_EQ(file_bytes(h.settings), bad);
  EXPECT_FALSE(exists(h.settings + ".zub-bak"));
  EXPECT_EQ(h.init({"--show"}).status, 1);

  h.t.write("home/.claude/settings.json", "{\"hooks\": []}");
  r = h.init({});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("\"hooks\" 의 값이 객체"), std::string::npos) << r.err;

  h.t.write("home/.claude/settings.json", "{}");
  ASSERT_EQ(::chmod(h.settings.c_str(), 0444), 0);
  r = h.init({});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("읽기 전용"), std::string::npos) << r.err;
  EXPECT_EQ(file_bytes(h.settings), "{}");

  // A link of the user's own is followed: the target changes, the link stays.
  const std::string target = h.t.write("dotfiles/settings.json", "{\"theme\": \"dark\"}\n");
  ASSERT_EQ(::unlink(h.settings.c_str()), 0);
  ASSERT_EQ(::symlink(target.c_str(), h.settings.c_str()), 0);
  r = h.init({});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(S_ISLNK(mode_of(h.settings)));
  EXPECT_EQ(count(file_bytes(target), "\"zub hook\""), 2u);
  EXPECT_EQ(file_bytes(target + ".zub-bak"), "{\"theme\": \"dark\"}\n");
  ASSERT_EQ(h.init({"--uninstall"}).status, 0);
  EXPECT_EQ(file_bytes(target), "{\"theme\": \"dark\"}\n");

  // A link that leads nowhere, or (as root) a link of another user: refused.
  ASSERT_EQ(::unlink(h.settings.c_str()), 0);
  ASSERT_EQ(::symlink((h.t / "nowhere").c_str(), h.settings.c_str()), 0);
  EXPECT_EQ(h.init({}).status, 1);
  EXPECT_FALSE(exists(h.t / "nowhere"));
  if (::geteuid() == 0) {
    ASSERT_EQ(::unlink(h.settings.c_str()), 0);
    ASSERT_EQ(::symlink(target.c_str(), h.settings.c_str()), 0);
    ASSERT_EQ(::lchown(h.settings.c_str(), 65534, 65534), 0);
    r = h.init({});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("다른 사용자의 심볼릭 링크"), std::string::npos) << r.err;
  }
}

TEST(InitTest, ProjectScopeWithNotesAndUninstall) {
  Home h;
  const std::string repo = git_repo(h.t);
  h.t.write("repo/CLAUDE.md", "# Project\n\nRules.\n");
  auto r = h.init({"--project", "--notes"}, repo + "/sub");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(count(file_bytes(repo + "/.claude/settings.json"), "\"zub hook\""), 2u);
  EXPECT_FALSE(exists(h.settings));  // the user's file is not touched
  const std::string notes = file_bytes(repo + "/CLAUDE.md");
  EXPECT_EQ(notes.rfind("# Project\n\nRules.\n\n<!-- zub:begin", 0), 0u) << notes;
  EXPECT_LE(count(notes, "\n"), 3u + 1u + 15u);
  EXPECT_NE(h.init({"--notes", "--project"}, repo).out.find("zub 메모가 이미 있다"),
            std::string::npos);

  r = h.init({"--show"}, repo);
  EXPECT_NE(r.out.find("프로젝트 설정: " + repo + "/.claude/settings.json: 등록됨"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("프로젝트 메모: " + repo + "/CLAUDE.md: zub 메모 있음"), std::string::npos);
  EXPECT_NE(r.out.find("사용자 설정: " + h.settings + ": 파일 없음"), std::string::npos);

  r = h.init({"--uninstall", "--project"}, repo);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(file_bytes(repo + "/CLAUDE.md"), "# Project\n\nRules.\n");
  EXPECT_FALSE(exists(repo + "/.claude/settings.json"));

  r = h.init({"--project"});  // the HOME's temporary directory is no repository
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("git 저장소 안에서"), std::string::npos) << r.err;
}

TEST(InitTest, ConcurrentRunsLeaveOneEntry) {
  Home h;
  h.t.write("home/.claude/settings.json", "{\"a\": 1}");
  zub::ProcessOptions po;
  po.env_set = {"HOME=" + h.home, "PATH=" + bin_dir() + ":/usr/bin:/bin"};
  zub::ProcessResult p = zub::run_process(
      {"sh", "-c", "for i in 1 2 3 4 5 6; do zub init >/dev/null & done; wait"}, po);
  EXPECT_EQ(p.exit_code, 0) << p.err;
  const std::string text = file_bytes(h.settings);
  EXPECT_EQ(count(text, "\"zub hook\""), 2u) << text;
  EXPECT_TRUE(zub::parse_json(text).doc);
}

TEST(InitTest, HelpAndArguments) {
  Home h;
  auto r = h.init({"--help"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(
      r.out.rfind("zub init [--project|--local] [--dry-run] [--show] [--uninstall] [--notes]", 0),
      0u);
  r = h.init({"--forse"});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find("zub init: 모르는 플래그 `--forse`"), std::string::npos) << r.err;
  EXPECT_EQ(h.init({"--local", "--shared"}).status, 2);
  EXPECT_EQ(h.init({"extra"}).status, 2);
  EXPECT_EQ(h.init({"--show", "--uninstall"}).status, 2);
  EXPECT_FALSE(exists(h.home + "/.claude"));
  EXPECT_EQ(run_zub({"--help"}).out.find("init"), std::string::npos);
}

// A repository's files are written only inside the repository: a `.claude`
// or `CLAUDE.md` link that leads out is refused before anything is
// written, and a project init then uninstall leaves the tree as it was.
TEST(InitTest, ProjectWritesStayInsideTheRepositoryAndLeaveNothingBehind) {
  Home h;
  const std::string repo = git_repo(h.t);
  const std::string rc = h.t.write("home/.bashrc", "export A=1\n");
  h.t.mkdir("outside");
  ASSERT_EQ(::symlink(rc.c_str(), (repo + "/CLAUDE.md").c_str()), 0);
  auto r = h.init({"--project", "--notes", "--shared"}, repo);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("저장소 밖"), std::string::npos) << r.err;
  EXPECT_EQ(file_bytes(rc), "export A=1\n");
  EXPECT_FALSE(exists(repo + "/.claude"));  // refused before the settings were touched
  ASSERT_EQ(::unlink((repo + "/CLAUDE.md").c_str()), 0);

  ASSERT_EQ(::symlink((h.t / "outside").c_str(), (repo + "/.claude").c_str()), 0);
  for (const char* flag : {"--project", "--local"}) {
    r = h.init({flag}, repo);
    EXPECT_EQ(r.status, 1) << flag;
    EXPECT_NE(r.err.find("저장소 밖"), std::string::npos) << r.err;
  }
  EXPECT_FALSE(exists(h.t / "outside/settings.json"));
  EXPECT_FALSE(exists(h.t / "outside/settings.local.json"));
  ASSERT_EQ(::unlink((repo + "/.claude").c_str()), 0);

  // A link that stays inside is followed.
  h.t.mkdir("repo/config");
  ASSERT_EQ(::symlink("config", (repo + "/.claude").c_str()), 0);
  ASSERT_EQ(h.init({"--project", "--shared"}, repo).status, 0);
  EXPECT_TRUE(exists(repo + "/config/settings.json"));
  ASSERT_EQ(h.init({"--project", "--uninstall"}, repo).status, 0);
  ASSERT_EQ(::unlink((repo + "/.claude").c_str()), 0);

  // A tracked settings file and a fresh one: init then uninstall leaves
  // `git status` clean, with no backup in the repository.
  auto status = [&] {
    return zub::run_process({"git", "-C", repo, "status", "--porcelain", "--ignored"}).out;
  };
  for (bool tracked : {false, true}) {
    if (tracked) {
      h.t.write("repo/.claude/settings.json", "{\n  \"model\": \"opus\"\n}\n");
      zub::ProcessResult g = zub::run_process(
          {"sh", "-c",
           "cd '" + repo + "' && git add -A && git -c user.name=t -c user.email=t@t commit -qm s"});
      ASSERT_EQ(g.exit_code, 0) << g.err;
    }
    const std::string before = status();
    r = h.init({"--project"}, repo);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(status(), tracked ? " M .claude/settings.json\n" : "?? .claude/\n");
    r = h.init({"--project", "--uninstall"}, repo);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(status(), before) << r.out;
  }
}

// A registered hook whose zub is gone is reported with the way to mend it,
// and --force mends it; a shared project file gets the teammates' warning
// unless --shared; --local writes the personal file.
TEST(InitTest, MissingProgramForceAndSharedWarning) {
  Home h;
  const std::string gone = "/nowhere/zub hook";
  h.t.write("home/.claude/settings.json", zub::text_with_hook("{}", gone).value());
  auto r = h.init({});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("`/nowhere/zub hook` 의 zub 을 찾을 수 없다"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("`zub init --force` (`zub hook` 으로 바꾼다)"), std::string::npos) << r.err;
  r = h.init({"--show"});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("찾을 수 없다 (`/nowhere/zub hook`): 고치려면 `zub init --force`"),
            std::string::npos)
      << r.out;
  r = h.init({"--force"});
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(count(file_bytes(h.settings), "\"zub hook\""), 2u);
  EXPECT_EQ(count(file_bytes(h.settings), "nowhere"), 0u);
  EXPECT_EQ(h.init({"--show"}).status, 0);

  const std::string repo = git_repo(h.t);
  const std::string warning = "zub 이 없는 팀원의 호스트는 셸 호출마다 \"hook error\"";
  r = h.init({"--project", "--dry-run"}, repo);
  EXPECT_NE(r.err.find(warning), std::string::npos) << r.err;
  r = h.init({"--project"}, repo);
  EXPECT_NE(r.out.find(warning), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("`zub init --local` (.claude/settings.local.json)"), std::string::npos);
  r = h.init({"--project", "--shared"}, repo);
  EXPECT_EQ(r.out.find(warning), std::string::npos) << r.out;
  r = h.init({"--local"}, repo);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.find(warning), std::string::npos) << r.out;
  EXPECT_EQ(count(file_bytes(repo + "/.claude/settings.local.json"), "\"zub hook\""), 2u);
  r = h.init({"--show"}, repo);
  EXPECT_NE(r.out.find("프로젝트(개인) 설정: " + repo + "/.claude/settings.local.json: 등록됨"),
            std::string::npos)
      << r.out;
}
