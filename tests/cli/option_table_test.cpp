// The option tables against the usage text, and the argument rules that no
// end-to-end test can reach without the network (web, fetch) or that only
// show in the options struct.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/frontend.h"
#include "cli/option_table.h"
#include "cli/usage.h"

using namespace zub;

namespace {

template <typename Opts>
Opts parsed(const OptionTable<Opts>& table, const std::vector<std::string>& args) {
  Opts o;
  const ParseResult p = parse_options(args, table, o);
  EXPECT_EQ(p.status, ParseStatus::kOk) << ::testing::PrintToString(args);
  return o;
}

}  // namespace

TEST(OptionTable, EverySubcommandIsInTheUsageTextUnlessHidden) {
  const std::string usage = std::string("\n") + kUsageText + "\n";
  const std::vector<SubcommandName> subs = subcommand_names();
  ASSERT_GE(subs.size(), 18u);
  for (const SubcommandName& s : subs) {
    const std::string lines = usage_lines(s.name);
    if (s.hidden) {
      EXPECT_EQ(lines, "") << s.name;
      continue;
    }
    // Its lines are whole lines of the usage text, the first naming it.
    EXPECT_EQ(lines.rfind(std::string(s.name) + " ", 0), 0u) << s.name;
    EXPECT_NE(usage.find("\n" + lines + "\n"), std::string::npos) << s.name;
  }
  EXPECT_EQ(usage_lines("read"),
            "read F A-B [F A-B ...]  범위읽기. sed -n 대체 (ZUB_READ_NUM=1 로 줄번호)\n"
            "--bytes N F...     앞 N 바이트만. head -c 대체(잘린 마지막 줄은 버린다)");
  EXPECT_EQ(usage_lines("gain"), "");
  EXPECT_EQ(usage_lines("rea"), "");
}

TEST(OptionTable, WebAndFetchArguments) {
  // The query is the first argument whatever it looks like; each further
  // operand is the result count, one that is not a number the default.
  WebOptions w = parsed(kWebTable, {"-d", "5", "-n", "x"});
  EXPECT_EQ(w.query, "-d");
  EXPECT_EQ(w.results, 5u);
  EXPECT_EQ(w.deep, 0u);
  EXPECT_EQ(w.chars, 9000u);
  w = parsed(kWebTable, {"q", "8", "-d", "-n", "300", "--no-cache"});
  EXPECT_EQ(w.deep, 3u);  // -d took "-n" as its value: the default of 3
  EXPECT_EQ(w.results, 300u);
  EXPECT_EQ(w.chars, 9000u);
  EXPECT_TRUE(w.policy.no_cache);
  w = parsed(kWebTable, {"q", "8", "two", "--ttl", "x", "--stale", "y", "--refresh"});
  EXPECT_EQ(w.results, 6u);
  EXPECT_EQ(w.policy.ttl, std::nullopt);
  EXPECT_EQ(w.policy.stale_floor, 0u);
  EXPECT_TRUE(w.policy.refresh);
  w = parsed(kWebTable, {"q", "--stale", "60", "--ttl"});
  EXPECT_EQ(w.policy.stale_floor, 60u);
  EXPECT_EQ(w.deep, 0u);

  // curl's habits: taken together, and -n with its number run together.
  FetchOptions cf = parsed(kFetchTable, {"-fsSL", "u", "-n200", "-L"});
  EXPECT_EQ(cf.urls, std::vector<std::string>{"u"});
  EXPECT_EQ(cf.chars, 200u);
  EXPECT_EQ(parsed(kFetchTable, {"u", "--max-chars=300"}).chars, 300u);
  EXPECT_EQ(parsed(kWebTable, {"q", "--chars", "500"}).chars, 500u);
  FetchOptions out_file;
  const ParseResult refused = parse_options({"u", "-o", "page.md"}, kFetchTable, out_file);
  EXPECT_EQ(refused.status, ParseStatus::kBadValue);
  EXPECT_NE(refused.message.find("zub fetch URL > F"), std::string_view::npos);
  FetchOptions f = parsed(kFetchTable, {"a", "-n", "b", "--ttl", "120", "c"});
  EXPECT_EQ(f.urls, (std::vector<std::string>{"a", "c"}));
  EXPECT_EQ(f.chars, 6000u);
  EXPECT_EQ(f.policy.ttl, std::optional<uint64_t>(120));
  WebOptions none;
  EXPECT_EQ(parse_options({}, kWebTable, none).status, ParseStatus::kMissing);
}

TEST(OptionTable, OrderRules) {
  // wrap: options end at the command or at "--".
  WrapOptions w = parsed(kWrapTable, {"-w", "9", "--logs", "--", "--raw", "-w"});
  EXPECT_EQ(w.width, 9u);
  EXPECT_EQ(w.mode, WrapMode::kLogs);
  EXPECT_EQ(w.command, (std::vector<std::string>{"--raw", "-w"}));
  w = parsed(kWrapTable, {"--diag", "make", "--", "-w", "3"});
  EXPECT_EQ(w.width, 200u);
  EXPECT_EQ(w.command, (std::vector<std::string>{"make", "--", "-w", "3"}));
  // read: only the first byte option is one.
  ReadOptions r = parsed(kReadTable, {"f", "-c", "4", "--bytes", "7"});
  EXPECT_EQ(r.bytes, 4u);
  EXPECT_EQ(r.args, (std::vector<std::string>{"f", "--bytes", "7"}));
  // def: the symbol is the first operand; a later bad -n is the default
  // again; a symbol that looks like an option comes after "--".
  DefOptions d = parsed(kDefTable, {"Sym", "r1", "-n", "7", "r2", "-n", "x"});
  EXPECT_EQ(d.symbol, "Sym");
  EXPECT_EQ(d.roots, (std::vector<std::string>{"r1", "r2"}));
  EXPECT_EQ(d.lines, 200u);
  EXPECT_TRUE(d.lines_given);
  EXPECT_FALSE(d.all);
  EXPECT_EQ(parsed(kDefTable, {"--", "-n", "r1"}).symbol, "-n");
  d = parsed(kDefTable, {"Sym", "r1", "--all"});
  EXPECT_TRUE(d.all);
  EXPECT_FALSE(d.lines_given);
  EXPECT_EQ(d.roots, (std::vector<std::string>{"r1"}));
  // logs and trim: the first number counts; the other arguments are files.
  LogsArgs lg = parsed(kLogsTable, {"x", "5", "6"});
  EXPECT_EQ(lg.limit, 5u);
  EXPECT_EQ(lg.files, (std::vector<std::string>{"x", "6"}));
  EXPECT_EQ(parsed(kTrimTable, {"80", "x"}).width, 80u);
  lg = parsed(kLogsTable, {"app.log", "-n", "40"});
  EXPECT_EQ(lg.limit, 40u);
  EXPECT_EQ(lg.files, (std::vector<std::string>{"app.log"}));
  EXPECT_EQ(parsed(kTrimTable, {"-w", "90", "7"}).files, (std::vector<std::string>{"7"}));
  EXPECT_EQ(parsed(kTrimTable, {"99999999999999999999999", "x"}).width, 200u);
  // cache and gain.
  CacheOptions c = parsed(kCacheTable, {"ttl", "u1", "u2"});
  EXPECT_EQ(c.action, CacheAction::kTtl);
  EXPECT_EQ(c.urls, (std::vector<std::string>{"u1", "u2"}));
  EXPECT_EQ(parsed(kCacheTable, {"status", "clear"}).action, CacheAction::kStatus);
  EXPECT_FALSE(parsed(kGainTable, {"--reset"}).unexpected);
  EXPECT_TRUE(parsed(kGainTable, {"--reset", "--reset"}).unexpected);
  // grep: the first stop wins; a bad value stops map with its message.
  GrepOptions g;
  ParseResult p = parse_options({"-i", "-Q", "--help"}, kGrepTable, g);
  EXPECT_EQ(p.status, ParseStatus::kUnknown);
  EXPECT_EQ(p.argument, "-Q");
  EXPECT_EQ(parse_options({"--help", "-Q"}, kGrepTable, g).status, ParseStatus::kHelp);
  // The habits of GNU grep and ripgrep: options run together, numbers
  // glued on, values after "=", and -n that is the line-number flag unless
  // a number follows it.
  g = parsed(kGrepTable,
             {"-rniC2", "-tpy", "--include=*.c", "--exclude", "t_*", "pat", "-n", "-A3"});
  EXPECT_TRUE(g.recursive && g.icase);
  EXPECT_EQ(g.before, 2u);
  EXPECT_EQ(g.after, 3u);
  EXPECT_FALSE(g.limit_given);
  EXPECT_EQ(g.filter.extensions, (std::vector<std::string>{"py", "pyi", "pyw"}));
  EXPECT_EQ(g.filter.names, std::vector<std::string>{"*.c"});
  EXPECT_EQ(g.filter.excludes, std::vector<std::string>{"t_*"});
  EXPECT_EQ(g.patterns, std::vector<std::string>{"pat"});
  g = parsed(kGrepTable, {"-n", "5", "-w", "-n7", "-e-x", "-g", "!*.md", "--", "-y"});
  EXPECT_TRUE(g.limit_given && g.word);
  EXPECT_EQ(g.limit, 7u);
  EXPECT_EQ(g.patterns, std::vector<std::string>{"-x"});
  EXPECT_EQ(g.roots, std::vector<std::string>{"-y"});
  EXPECT_EQ(g.filter.excludes, std::vector<std::string>{"*.md"});
  g = parsed(kGrepTable, {"-c", "x", "-n"});  // a last -n is still the default number
  EXPECT_EQ(g.limit, 3u);
  g = parsed(kGrepTable, {"--color", "auto", "-F", "x", "--color=always", "r"});
  EXPECT_EQ(g.syntax, PatternSyntax::kFixed);
  EXPECT_EQ(g.roots, std::vector<std::string>{"r"});
  // A letter that names no option makes the whole argument unknown.
  p = parse_options({"-rnQ", "x"}, kGrepTable, g);
  EXPECT_EQ(p.status, ParseStatus::kUnknown);
  EXPECT_EQ(p.argument, "-rnQ");
  ReadOptions rd = parsed(kReadTable, {"f", "--bytes=9"});
  EXPECT_EQ(rd.bytes, 9u);
  EXPECT_EQ(parsed(kTrimTable, {"-5"}).width, 200u);  // a negative number is a bad width
  EXPECT_EQ(parse_options({"x", "-h"}, kDefTable, d).status, ParseStatus::kHelp);
  EXPECT_EQ(parse_options({"-h"}, kDefTable, d).status, ParseStatus::kHelp);
  MapOptions m;
  p = parse_options({"r", "-n", "-1"}, kMapTable, m);
  EXPECT_EQ(p.status, ParseStatus::kBadValue);
  EXPECT_EQ(p.message, "zub map: -n 뒤에 숫자가 와야 한다\n");
}

// Every option a table offers says what it does: that line is the one
// source of the subcommand's help, the man page's list and the README's.
TEST(OptionTable, EveryOfferedOptionHasItsHelp) {
  auto check = [](const char* name, const std::vector<OptionSummary>& options) {
    EXPECT_FALSE(options.empty()) << name;
    for (const OptionSummary& o : options) {
      EXPECT_FALSE(o.help.empty()) << name << " " << o.spellings[0];
      EXPECT_EQ(o.help.find('\n'), std::string_view::npos) << name << " " << o.spellings[0];
      EXPECT_EQ(o.value_name.empty(), !o.takes_value) << name << " " << o.spellings[0];
    }
  };
  check("brief", option_summaries(kBriefTable));
  check("outline", option_summaries(kOutlineTable));
  check("read", option_summaries(kReadTable));
  check("def", option_summaries(kDefTable));
  check("grep", option_summaries(kGrepTable));
  check("map", option_summaries(kMapTable));
  check("wrap", option_summaries(kWrapTable));
  check("logs", option_summaries(kLogsTable));
  check("trim", option_summaries(kTrimTable));
  check("web", option_summaries(kWebTable));
  check("fetch", option_summaries(kFetchTable));
  check("cache", option_summaries(kCacheTable));
  check("gain", option_summaries(kGainTable));
  check("init", option_summaries(kInitTable));
  check("diag, md", option_summaries(kFileFilterTable));
  // A refused habit is no option: it is not offered.
  for (const OptionSummary& o : option_summaries(kWrapTable))
    EXPECT_NE(o.spellings[0], "--timeout");
}
