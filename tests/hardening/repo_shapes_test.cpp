// Hostile repositories met by `brief`: FIFOs where git reads its
// configuration, ignore rules or HEAD, and names and commit subjects that
// carry line feeds and terminal escapes. Every run has a hard time limit.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>
#include <string>
#include <vector>

#include "base/process.h"
#include "hardening/bounded_run.h"

using zub_test::BoundedRun;
using zub_test::run_bounded;
using zub_test::TempDir;

namespace {

std::vector<std::string> git_env(const TempDir& t) {
  return {"GIT_AUTHOR_NAME=Zub Test",
          "GIT_AUTHOR_EMAIL=zub@example.invalid",
          "GIT_COMMITTER_NAME=Zub Test",
          "GIT_COMMITTER_EMAIL=zub@example.invalid",
          "GIT_CONFIG_NOSYSTEM=1",
          "HOME=" + t.path(),
          "GIT_CEILING_DIRECTORIES=" + t.path()};
}

void git(const TempDir& t, const std::string& repo, std::vector<std::string> args) {
  std::vector<std::string> argv{"git", "-C", repo};
  argv.insert(argv.end(), args.begin(), args.end());
  zub::ProcessOptions po;
  po.env_set = git_env(t);
  const zub::ProcessResult r = zub::run_process(argv, po);
  ASSERT_TRUE(r.exited && r.exit_code == 0) << args[0] << ": " << r.err;
}

std::string committed_repo(const TempDir& t, const std::string& rel) {
  const std::string repo = t.mkdir(rel);
  git(t, repo, {"init", "-q", "-b", "main"});
  t.write(rel + "/a.txt", "a\n");
  git(t, repo, {"add", "a.txt"});
  git(t, repo, {"commit", "-q", "-m", "first"});
  return repo;
}

}  // namespace

// A FIFO that git opens waits for a writer that never comes. Each query has
// a time limit (shortened here through ZUB_GIT_TIMEOUT_MS); the one that
// runs over is killed and its section says so, the later ones are skipped,
// and the rest of the snapshot is printed with status 0.
TEST(HardeningRepos, FifosWhereGitReadsCostOneTimeLimit) {
  TempDir t;
  zub_test::RunOptions o;
  o.env_set = git_env(t);
  o.env_set.push_back("ZUB_GIT_TIMEOUT_MS=400");
  const std::string over = "[zub brief: git 이 400ms 안에 끝나지 않아 멈췄다]";
  const std::string skipped = "[zub brief: 앞선 git 이 400ms 을 넘겨 생략]";
  // The git part of the snapshot: the branch, dirty and recent lines.
  auto git_lines = [](const std::string& branch, const std::string& dirty,
                      const std::string& recent) {
    std::string s;
    for (const auto& [label, text] :
         {std::pair<const char*, const std::string&>{"branch: ", branch},
          {"dirty: ", dirty},
          {"recent: ", recent}}) {
      s += label;
      s += text;
      s += '\n';
    }
    return s;
  };
  struct Case {
    const char* fifo;
    std::string git_lines;
  };
  const std::vector<Case> cases = {
      {".gitignore", git_lines("main", over, skipped)},
      {".gitattributes", git_lines("main", over, skipped)},
      {".git/info/exclude", git_lines("main", over, skipped)},
      // Every git reads HEAD and its configuration first.
      {".git/HEAD", git_lines(skipped, skipped, skipped)},
      {".git/config", git_lines(skipped, skipped, skipped)},
  };
  for (size_t i = 0; i < cases.size(); ++i) {
    std::string rel = "r";
    rel += std::to_string(i);
    const std::string repo = committed_repo(t, rel);
    const std::string fifo = repo + "/" + cases[i].fifo;
    ::unlink(fifo.c_str());
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0) << fifo;
    // A file whose time changed is read again, with its attributes.
    struct timeval later[2];
    ::gettimeofday(&later[0], nullptr);
    later[0].tv_sec += 100;
    later[1] = later[0];
    ASSERT_EQ(::utimes((repo + "/a.txt").c_str(), later), 0);
    BoundedRun r = run_bounded({"brief", repo}, 30, o);
    ASSERT_FALSE(r.timed_out) << cases[i].fifo;
    EXPECT_EQ(r.run.status, 0) << cases[i].fifo << ": " << r.run.err;
    EXPECT_LT(r.seconds, 10.0) << cases[i].fifo;
    EXPECT_EQ(r.run.out.rfind("== " + repo + " ==\n" + cases[i].git_lines + "--\n", 0), 0u)
        << cases[i].fifo << ":\n"
        << r.run.out;
    EXPECT_NE(r.run.out.find("--\ntop-level:\n  a.txt\n"), std::string::npos) << r.run.out;
  }
}

// The root header, the top-level names and the recent commits escape what
// could forge a line of the snapshot or drive the terminal, as the
// distribution section always did.
TEST(HardeningRepos, ForgedNamesAndSubjectsStayInTheirLines) {
  TempDir t;
  const std::string root = t.path() + "/evil\n== fake ==\x1b[31m";
  ASSERT_EQ(::mkdir(root.c_str(), 0755), 0);
  git(t, root, {"init", "-q", "-b", "main"});
  t.write("evil\n== fake ==\x1b[31m/name\n== x ==", "x\n");
  t.write("evil\n== fake ==\x1b[31m/osc\x1b]0;title\x07", "y\n");
  git(t, root, {"add", "-A"});
  git(t, root, {"commit", "-q", "-m", "subject\r== forged ==\x1b]0;t\x07 end"});
  zub_test::RunOptions o;
  o.env_set = git_env(t);
  BoundedRun r = run_bounded({"brief", root}, 30, o);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.run.status, 0) << r.run.err;
  const std::string shown_root = t.path() + "/evil\\n== fake ==\\x1b[31m";
  EXPECT_EQ(r.run.out.rfind("== " + shown_root + " ==\nbranch: main\ndirty: clean\nrecent:\n", 0),
            0u)
      << r.run.out;
  EXPECT_NE(r.run.out.find(" subject == forged ==]0;t end\n"), std::string::npos) << r.run.out;
  EXPECT_NE(r.run.out.find("top-level:\n  name\\n== x ==  osc\\x1b]0;title\\x07\n"),
            std::string::npos)
      << r.run.out;
  // No line but the header starts with "==", and no control byte but the
  // line feed is left.
  size_t headers = 0;
  for (size_t at = 0; at != std::string::npos && at < r.run.out.size();) {
    headers += r.run.out.compare(at, 2, "==") == 0;
    const size_t nl = r.run.out.find('\n', at);
    at = nl == std::string::npos ? nl : nl + 1;
  }
  EXPECT_EQ(headers, 1u) << r.run.out;
  for (char c : r.run.out)
    EXPECT_TRUE(static_cast<unsigned char>(c) >= 0x20 || c == '\n') << static_cast<int>(c);
}
