// End-to-end tests of the repository snapshot against real git repositories.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

#include <string>
#include <vector>

#include "base/process.h"
#include "support/run_zub.h"

using zub_test::run_zub;
using zub_test::RunOptions;
using zub_test::TempDir;

namespace {

// Environment that lets git commit on a machine without any identity or
// global configuration, and keeps repository discovery inside the test dir.
// clang-format off
std::vector<std::string> git_env(const TempDir& t) {
  return {"GIT_AUTHOR_NAME=Zub Test",       "GIT_AUTHOR_EMAIL=zub@example.invalid",
          "GIT_COMMITTER_NAME=Zub Test",    "GIT_COMMITTER_EMAIL=zub@example.invalid",
          "GIT_CONFIG_NOSYSTEM=1",          "HOME=" + t.path(),
          "GIT_CEILING_DIRECTORIES=" + t.path()};
}
// clang-format on

std::string git(const TempDir& t, const std::string& repo, std::vector<std::string> args) {
  std::vector<std::string> argv{"git", "-C", repo};
  argv.insert(argv.end(), args.begin(), args.end());
  zub::ProcessOptions po;
  po.env_set = git_env(t);
  zub::ProcessResult r = zub::run_process(argv, po);
  EXPECT_TRUE(r.exited && r.exit_code == 0) << args[0] << ": " << r.err;
  std::string out = r.out;
  while (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

std::string init_repo(const TempDir& t, const std::string& rel) {
  std::string repo = t.mkdir(rel);
  git(t, repo, {"init", "-q", "-b", "main"});
  return repo;
}

zub_test::Run brief(const TempDir& t, std::vector<std::string> roots) {
  RunOptions o;
  o.env_set = git_env(t);
  std::vector<std::string> args{"brief"};
  args.insert(args.end(), roots.begin(), roots.end());
  return run_zub(args, o);
}

}  // namespace

TEST(BriefTest, CleanRepositoryWithHistory) {
  TempDir t;
  std::string repo = init_repo(t, "repo");
  t.write("repo/README.md", "# r\n");
  git(t, repo, {"add", "."});
  git(t, repo, {"commit", "-q", "-m", "first"});
  t.write("repo/src/main.c", std::string(3000, 'x'));
  git(t, repo, {"add", "."});
  // A long message with multi-byte text: the line is cut at a character boundary.
  std::string long_msg;
  for (int i = 0; i < 50; ++i) long_msg += "한";
  git(t, repo, {"commit", "-q", "-m", long_msg});
  std::string h1 = git(t, repo, {"rev-parse", "--short", "HEAD~1"});
  std::string h2 = git(t, repo, {"rev-parse", "--short", "HEAD"});
  // hash, space, then as many whole 3-byte characters as fit in 120 bytes
  std::string cut = h2 + " " + long_msg.substr(0, (120 - h2.size() - 1) / 3 * 3);

  auto r = brief(t, {repo});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, "== " + repo +
                       " ==\n"
                       "branch: main\n"
                       "dirty: clean\n"
                       "recent:\n"
                       "  " +
                       cut +
                       "\n"
                       "  " +
                       h1 +
                       " first\n"
                       "--\n"
                       "2 files\n"
                       "ext: .c×1 .md×1 \n"
                       "files KB dir\n2 2 " +
                       repo +
                       "\n"
                       "1 2 src\n"
                       "--\n"
                       "top-level:\n"
                       "  README.md\n");
}

TEST(BriefTest, DirtyListIsCappedAtFifteenLines) {
  TempDir t;
  std::string repo = init_repo(t, "repo");
  t.write("repo/base.txt", "b");
  git(t, repo, {"add", "."});
  git(t, repo, {"commit", "-q", "-m", "base"});
  for (int i = 0; i < 20; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "repo/f%02d.txt", i);
    t.write(name, "x");
  }
  auto r = brief(t, {repo});
  EXPECT_EQ(r.status, 0);
  std::string expect = "== " + repo + " ==\nbranch: main\ndirty: 20 files\n";
  for (int i = 0; i < 15; ++i) {
    char line[32];
    std::snprintf(line, sizeof line, "  ?? f%02d.txt\n", i);
    expect += line;
  }
  expect += "  … +5\nrecent:\n";
  ASSERT_EQ(r.out.substr(0, expect.size()), expect);
  EXPECT_NE(r.out.find("\n21 files\n"), std::string::npos);
}

TEST(BriefTest, RepositoryWithoutCommitsAndDetachedHead) {
  TempDir t;
  std::string empty = init_repo(t, "empty");
  auto e = brief(t, {empty});
  EXPECT_EQ(e.status, 0);
  EXPECT_EQ(e.err, "");
  EXPECT_EQ(e.out, "== " + empty +
                       " ==\n"
                       "dirty: clean\n"
                       "--\n"
                       "0 files\next: \nfiles KB dir\n"
                       "--\ntop-level:\n");

  t.write("empty/new.txt", "n");
  auto u = brief(t, {empty});
  EXPECT_EQ(u.out.substr(0, u.out.find("--\n")),
            "== " + empty + " ==\ndirty: 1 files\n  ?? new.txt\n");

  std::string repo = init_repo(t, "det");
  t.write("det/a.txt", "a");
  git(t, repo, {"add", "."});
  git(t, repo, {"commit", "-q", "-m", "one"});
  git(t, repo, {"commit", "-q", "--allow-empty", "-m", "two"});
  git(t, repo, {"checkout", "-q", "--detach", "HEAD~1"});
  std::string h = git(t, repo, {"rev-parse", "--short", "HEAD"});
  auto d = brief(t, {repo});
  EXPECT_EQ(d.status, 0);
  EXPECT_EQ(d.out.substr(0, d.out.find("--\n")),
            "== " + repo + " ==\nbranch: HEAD\ndirty: clean\nrecent:\n  " + h + " one\n");
}

TEST(BriefTest, OutsideARepositoryOrWithoutGitOnlyTheGitSectionsGo) {
  TempDir t;
  t.write("plain/a.txt", "a");
  t.write("plain/.github/ci.yml", "c");
  t.write("plain/.env.example", "E=");
  t.write("plain/.env", "E=1");
  t.write("plain/src/x.rs", "fn x(){}");
  t.write("plain/README.md", "r");
  t.mkdir("plain/.git");
  t.write("plain/b c.txt", "b");
  t.write("plain/Zeta", "z");
  t.write("plain/zeta", "z");
  t.write("plain/a", "a");
  auto r = brief(t, {t / "plain"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");  // git's own complaints never reach the user
  const std::string rest =
      "--\n"
      "8 files\n"
      "ext: .txt×2 .md×1 .rs×1 .yml×1 Zeta×1 a×1 zeta×1 \n"
      "files KB dir\n8 0 " +
      t / "plain" +
      "\n"
      "1 0 src\n"
      "1 0 .github\n"
      "--\n"
      "top-level:\n"
      "  .env.example  README.md  Zeta  a  a.txt  b c.txt\n"
      "  zeta\n";
  EXPECT_EQ(r.out, "== " + t / "plain" + " ==\n" + rest);

  // A real repository looks the same when git cannot be found at all.
  std::string repo = init_repo(t, "repo");
  t.write("repo/a.txt", "a");
  git(t, repo, {"add", "."});
  git(t, repo, {"commit", "-q", "-m", "one"});
  RunOptions o;
  o.env_set = git_env(t);
  o.env_set.push_back("PATH=" + t / "nowhere");
  auto n = run_zub({"brief", repo}, o);
  EXPECT_EQ(n.status, 0);
  EXPECT_EQ(n.err, "");
  EXPECT_EQ(n.out.substr(0, n.out.find("files KB dir")),
            "== " + repo + " ==\n--\n1 files\next: .txt×1 \n");
}

TEST(BriefTest, RootsFilesDefaultsAndFailures) {
  TempDir t;
  t.write("d/one.txt", "1");
  t.write("f.txt", "hello");
  RunOptions o;
  o.env_set = git_env(t);
  o.cwd = t / "d";
  auto dflt = run_zub({"brief"}, o);
  EXPECT_EQ(dflt.status, 0);
  EXPECT_EQ(dflt.out,
            "== . ==\n--\n1 files\next: .txt×1 \nfiles KB dir\n1 0 .\n--\ntop-level:\n  one.txt\n");

  o.cwd = t.path();
  auto r = run_zub({"brief", "missing", "f.txt"}, o);
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "zub: missing: No such file or directory (os error 2)\n");
  // A file root: header, the distribution of that file, an empty listing.
  EXPECT_EQ(r.out, "== f.txt ==\n--\n1 files\next: .txt×1 \nfiles KB dir\n1 0 \n--\ntop-level:\n");
}

TEST(BriefTest, ProgramsNamedByTheRepositoryConfigurationNeverRun) {
  // A repository whose .git came from someone else names a program in every
  // place that status, log or rev-parse would run one from.
  TempDir t;
  std::string repo = init_repo(t, "repo");
  t.write("repo/.gitattributes", "*.txt filter=a=b\n*.md filter=long\n");
  const std::string txt = t.write("repo/a.txt", "text\n");
  const std::string md = t.write("repo/b.md", "doc\n");
  git(t, repo, {"add", "."});
  git(t, repo, {"commit", "-q", "-m", "one"});
  // The same commit with a signature header: log.showSignature would have
  // gpg.program check it.
  std::string commit = git(t, repo, {"cat-file", "commit", "HEAD"}) + "\n";
  const size_t body = commit.find("\n\n");
  commit.insert(body + 1,
                "gpgsig -----BEGIN PGP SIGNATURE-----\n x\n -----END PGP SIGNATURE-----\n");
  const std::string object =
      git(t, repo, {"hash-object", "-t", "commit", "-w", t.write("commit.txt", commit)});
  git(t, repo, {"update-ref", "HEAD", object});

  // A submodule whose own configuration names a filter for its files.
  std::string lib = init_repo(t, "lib");
  t.write("lib/.gitattributes", "*.txt filter=sub\n");
  t.write("lib/s.txt", "s\n");
  git(t, lib, {"add", "."});
  git(t, lib, {"commit", "-q", "-m", "lib"});
  git(t, repo, {"-c", "protocol.file.allow=always", "submodule", "add", "-q", lib, "lib"});
  git(t, repo, {"commit", "-q", "-m", "two"});

  const std::string ran = t / "ran";
  const std::string program = t.write("planted", "#!/bin/sh\necho \"$*\" >> '" + ran + "'\ncat\n");
  ASSERT_EQ(::chmod(program.c_str(), 0755), 0);
  for (const auto& [key, value] : std::vector<std::pair<std::string, std::string>>{
           {"core.fsmonitor", program},
           {"filter.a=b.clean", program + " clean"},
           {"filter.a=b.required", "true"},
           {"filter.long.process", program + " process"},
           {"log.showSignature", "true"},
           {"gpg.program", program}})
    git(t, repo, {"config", key, value});
  git(t, repo + "/lib", {"config", "filter.sub.clean", program + " submodule"});
  // Changed stat data makes status read both files again (through their
  // filters, were those allowed to run).
  const struct timeval old_time[2] = {{1000000000, 0}, {1000000000, 0}};
  ASSERT_EQ(::utimes(txt.c_str(), old_time), 0);
  ASSERT_EQ(::utimes(md.c_str(), old_time), 0);
  ASSERT_EQ(::utimes((repo + "/lib/s.txt").c_str(), old_time), 0);

  auto r = brief(t, {repo});
  std::ifstream runs(ran);
  const std::string ran_text((std::istreambuf_iterator<char>(runs)),
                             std::istreambuf_iterator<char>());
  EXPECT_EQ(ran_text, "") << "the planted program ran";
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.substr(0, r.out.find("--\n")),
            "== " + repo + " ==\nbranch: main\ndirty: clean\nrecent:\n  " +
                git(t, repo, {"rev-parse", "--short", "HEAD"}) + " two\n  " +
                git(t, repo, {"rev-parse", "--short", "HEAD~1"}) + " one\n");
}

TEST(BriefTest, RowCountFollowsTheDistributionHint) {
  TempDir t;
  for (int i = 0; i < 14; ++i)
    t.write("d/s" + std::to_string(i) + "/f.txt", std::string(10 + i, 'x'));
  RunOptions o;
  o.env_set = git_env(t);
  o.cwd = t / "d";
  // The root and 14 directories make 15 rows; the default 12 end with the
  // hint to ask for all of them.
  auto dflt = run_zub({"brief"}, o);
  ASSERT_EQ(dflt.status, 0) << dflt.err;
  const std::string hint = "`-n 15` 로 더 보기";
  ASSERT_NE(dflt.out.find(hint), std::string::npos) << dflt.out;
  // The hint works, with the option before or after the root.
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"brief", "-n", "15"},
        std::vector<std::string>{"brief", ".", "-n", "+15"}}) {
    auto all = run_zub(args, o);
    EXPECT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(all.out.find(hint), std::string::npos);
    EXPECT_NE(all.out.find("\n1 0 s0\n"), std::string::npos) << all.out;  // the smallest row
    EXPECT_EQ(all.out.rfind("== . ==\n", 0), 0u);
  }
  auto none = run_zub({"brief", ".", "-n", "0"}, o);
  EXPECT_NE(none.out.find("files KB dir\n\xE2\x80\xA6 상위 0 개만 표시"), std::string::npos)
      << none.out;
  for (const std::vector<std::string>& args : {std::vector<std::string>{"brief", "-n"},
                                               std::vector<std::string>{"brief", "-n", "x", "."}}) {
    auto bad = run_zub(args, o);
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.out, "");
    EXPECT_EQ(bad.err, "zub brief: -n 뒤에 숫자가 와야 한다\n");
  }
}

// A root below the top of its repository is a pathspec: only its changes
// and commits, and the header lines say which part they cover.
TEST(BriefTest, SubdirectoryRootReportsItsOwnState) {
  TempDir t;
  std::string repo = init_repo(t, "repo");
  t.write("repo/doc/a.md", "# a\n");
  t.write("repo/src/x.c", "int x;\n");
  git(t, repo, {"add", "."});
  git(t, repo, {"commit", "-q", "-m", "both"});
  t.write("repo/src/x.c", "int y;\n");
  git(t, repo, {"commit", "-q", "-am", "src only"});
  t.write("repo/src/x.c", "int z;\n");
  auto d = brief(t, {repo + "/doc"});
  EXPECT_EQ(d.out.substr(0, d.out.find("--\n")),
            "== " + repo +
                "/doc ==\nbranch: main\ndirty: clean under doc/\nrecent under doc/:\n  " +
                git(t, repo, {"rev-parse", "--short", "HEAD~1"}) + " both\n");
  auto s = brief(t, {repo + "/src"});
  EXPECT_EQ(s.out.substr(0, s.out.find("recent")),
            "== " + repo + "/src ==\nbranch: main\ndirty: 1 files under src/\n   M src/x.c\n");
  // At the top nothing is scoped and nothing is said.
  auto top = brief(t, {repo});
  EXPECT_NE(top.out.find("dirty: 1 files\n"), std::string::npos) << top.out;
  EXPECT_NE(top.out.find("recent:\n"), std::string::npos) << top.out;
}
