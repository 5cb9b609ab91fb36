#include "cli/gain.h"

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string_view>

#include "base/env.h"
#include "base/json_string.h"
#include "base/os_error.h"
#include "base/unix_time.h"
#include "cli/gain_ledger.h"

namespace zub {

namespace {

constexpr uint64_t kDaySeconds = 24 * 60 * 60;

// Rows in the order of the usage text; a subcommand that is not among them
// (written by a later version) follows in order of first appearance.
constexpr std::string_view kOrder[] = {"brief", "outline", "read", "def", "grep",  "map", "wrap",
                                       "diag",  "logs",    "trim", "web", "fetch", "md",  "hook"};

constexpr std::string_view kBaselines =
    "baselines (printed = zub 가 표준 출력과 표준 에러에 쓴 바이트; baseline = 같은 질문에 "
    "평범한 명령이 찍었을 바이트):\n"
    "  wrap trim logs diag     읽은 바이트 전부 (wrap 은 명령의 출력, 나머지는 `cat` 한 입력)\n"
    "  outline                 `cat` 한 파일의 바이트\n"
    "  grep                    같은 패턴의 `grep -r` 이 검색한 파일에서 찍었을 바이트: 고른 "
    "줄마다 \"경로:줄번호:줄\\n\" (`grep -rn`; -o 는 조각마다, -C 문맥 줄은 빼고), -l 은 "
    "`grep -rl` 의 \"경로\\n\", -c 는 0 줄 없는 `grep -rc` 의 \"경로:개수\\n\", -L 은 "
    "`grep -rL`, -q 는 0, stdin 은 경로 없이\n"
    "  fetch md                -n 으로 자르기 전 변환된 페이지 전체의 바이트\n"
    "  read def map brief web  출력 바이트 그대로 (절감을 주장하지 않는다)\n"
    "  hook                    줄인 셸 출력마다: 호스트가 보였을 원문(인라인 한도, 기본 "
    "30,000자까지)\n"
    "  위 baseline 은 모두 호출마다 호스트가 셸 출력을 그대로 보이는 한도(ZUB_HOST_INLINE_CHARS, "
    "기본 30000)에서 자른다: 그보다 긴 출력은 호스트가 미리보기와 파일 경로만 보인다\n";

struct Row {
  std::string sub;
  uint64_t calls = 0, baseline = 0, printed = 0, ms = 0;

  void add(const GainRecord& r) {
    ++calls;
    baseline += r.baseline;
    printed += r.printed;
    ms += r.ms;
  }
};

std::string saved_text(const Row& r) {
  if (r.baseline == 0) return "-";
  const double pct = 100.0 * (static_cast<double>(r.baseline) - static_cast<double>(r.printed)) /
                     static_cast<double>(r.baseline);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f%%", pct);
  return buf;
}

void append_row(std::string& out, const Row& r, int width) {
  char buf[160];
  std::snprintf(buf, sizeof buf, "%-*s %7llu %14llu %14llu %8s %10llu\n", width, r.sub.c_str(),
                static_cast<unsigned long long>(r.calls),
                static_cast<unsigned long long>(r.baseline),
                static_cast<unsigned long long>(r.printed), saved_text(r).c_str(),
                static_cast<unsigned long long>(r.ms));
  out += buf;
}

// The rows of the records at or after `since` whose key (`key_of`) is
// given, in the order of `order` and then of first appearance, and their
// total.
template <typename KeyOf>
std::vector<Row> tally(const std::vector<GainRecord>& records, uint64_t since,
                       std::vector<std::string> order, KeyOf&& key_of, Row& total) {
  std::vector<Row> rows;
  for (std::string& name : order) rows.push_back(Row{std::move(name)});
  for (const GainRecord& r : records) {
    if (r.time < since) continue;
    const std::string key = key_of(r);
    size_t k = 0;
    while (k < rows.size() && rows[k].sub != key) ++k;
    if (k == rows.size()) rows.push_back(Row{key});
    rows[k].add(r);
    total.add(r);
  }
  std::erase_if(rows, [](const Row& r) { return r.calls == 0; });
  return rows;
}

std::vector<std::string> sub_order() {
  return std::vector<std::string>(std::begin(kOrder), std::end(kOrder));
}

std::string sub_of(const GainRecord& r) { return r.sub; }

// The record's UTC day, "2026-12-09" (the civil calendar from day counts).
std::string day_of(const GainRecord& r) {
  const int64_t days = static_cast<int64_t>(r.time / kDaySeconds) + 719468;
  const int64_t era = days / 146097;
  const int64_t doe = days - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t day = doy - (153 * mp + 2) / 5 + 1;
  const int64_t month = mp < 10 ? mp + 3 : mp - 9;
  const int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04lld-%02lld-%02lld", static_cast<long long>(year),
                static_cast<long long>(month), static_cast<long long>(day));
  return buf;
}

void append_table(std::string& out, std::string_view title, std::string_view key_name,
                  const std::vector<Row>& rows, const Row& total) {
  out += "== ";
  out += title;
  out += " ==\n";
  if (total.calls == 0) {
    out += "(기록 없음)\n";
    return;
  }
  const int width = key_name == "day" ? 10 : 8;
  char head[160];
  std::snprintf(head, sizeof head, "%-*s %7s %14s %14s %8s %10s\n", width,
                std::string(key_name).c_str(), "calls", "baseline", "printed", "saved", "ms");
  out += head;
  for (const Row& r : rows) append_row(out, r, width);
  append_row(out, total, width);
}

void append_json_row(std::string& out, std::string_view key_name, const Row& r) {
  out += "{";
  append_json_quoted(out, key_name);
  out += ":";
  append_json_quoted(out, r.sub);
  out += ",\"calls\":" + std::to_string(r.calls) + ",\"baseline\":" + std::to_string(r.baseline) +
         ",\"printed\":" + std::to_string(r.printed) + ",\"ms\":" + std::to_string(r.ms) + "}";
}

void append_json_rows(std::string& out, std::string_view name, std::string_view key_name,
                      const std::vector<Row>& rows, const Row& total) {
  append_json_quoted(out, name);
  out += ":{\"rows\":[";
  for (size_t k = 0; k < rows.size(); ++k) {
    if (k > 0) out += ",";
    append_json_row(out, key_name, rows[k]);
  }
  out += "],\"total\":";
  append_json_row(out, key_name, total);
  out += "}";
}

// The report on the ledger as of Unix time `now`.
std::string gain_report(const GainLedger& ledger, uint64_t now, const GainOptions& o) {
  const uint64_t day_ago = now > kDaySeconds ? now - kDaySeconds : 0;
  struct Section {
    std::string name, title, key;
    std::vector<Row> rows;
    Row total;
  };
  std::vector<Section> sections;
  if (o.daily) {
    Section s{"daily", "zub gain: 날마다 (UTC)", "day", {}, Row{"total"}};
    s.rows = tally(ledger.records, 0, {}, day_of, s.total);
    std::sort(s.rows.begin(), s.rows.end(),
              [](const Row& a, const Row& b) { return a.sub < b.sub; });
    sections.push_back(std::move(s));
  } else {
    Section all{"all", "zub gain: 전체", "sub", {}, Row{"total"}};
    all.rows = tally(ledger.records, 0, sub_order(), sub_of, all.total);
    Section recent{"last_24h", "zub gain: 최근 24시간", "sub", {}, Row{"total"}};
    recent.rows = tally(ledger.records, day_ago, sub_order(), sub_of, recent.total);
    sections.push_back(std::move(all));
    sections.push_back(std::move(recent));
  }
  std::string out;
  if (o.json) {
    out += "{";
    for (const Section& s : sections) {
      append_json_rows(out, s.name, s.key, s.rows, s.total);
      out += ",";
    }
    out += "\"inline_limit\":" + std::to_string(host_inline_chars()) +
           ",\"skipped_lines\":" + std::to_string(ledger.broken) + "}\n";
    return out;
  }
  for (const Section& s : sections) append_table(out, s.title, s.key, s.rows, s.total);
  out += kBaselines;
  if (ledger.broken > 0)
    out += "[zub gain: 기록이 아닌 줄 " + std::to_string(ledger.broken) + "개는 건너뛰었다]\n";
  return out;
}

}  // namespace

int cmd_gain(const GainOptions& opts, Output& out) {
  if (opts.reset && !opts.unexpected && !opts.daily && !opts.json) {
    int err = 0;
    if (!reset_gain_ledger(&err)) {
      out.write_err("zub gain: 기록을 비우지 못했다: " + os_error_text(err) + "\n");
      return 1;
    }
    out.write_out("[zub gain: 기록을 비웠다]\n");
    return 0;
  }
  if (opts.unexpected || opts.reset) {
    out.write_err(std::string(kGainUsage) + "\n");
    return 2;
  }
  const GainLedger ledger = read_gain_ledger();
  std::string report = gain_report(ledger, unix_now(), opts);
  if (opts.json) {
    out.write_out(report);
    return 0;
  }
  if (env_switch_set("ZUB_NO_GAIN"))
    report += "[zub gain: ZUB_NO_GAIN 이 켜져 있어 새 호출은 기록되지 않는다]\n";
  if (ledger.dir.empty())
    report += "[zub gain: 상태 디렉터리가 없다: XDG_STATE_HOME 이나 HOME 을 정해라]\n";
  out.write_out(report);
  return 0;
}

}  // namespace zub
