#include "cli/gain.h"

#include <cstdio>
#include <string_view>

#include "base/env.h"
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
    "baselines (printed = zub 가 표준 출력과 표준 에러에 쓴 바이트):\n"
    "  wrap trim logs diag     읽은 바이트 전부 (wrap 은 명령의 출력)\n"
    "  outline                 파일의 바이트\n"
    "  grep                    같은 패턴의 `grep -rn` 이 검색한 파일에서 찍었을 바이트: 고른 "
    "줄마다 "
    "\"경로:줄번호:줄\\n\" (-C 문맥 줄은 빼고, -l 과 -c 는 줄번호 자릿수를 빼고, stdin 은 경로 "
    "없이)\n"
    "  fetch md                -n 으로 자르기 전 변환된 페이지 전체의 바이트\n"
    "  read def map brief web  출력 바이트 그대로 (절감을 주장하지 않는다)\n"
    "  hook                    줄인 셸 출력마다: 호스트가 보였을 원문(인라인 한도, 기본 "
    "30,000자까지)\n";

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

void append_row(std::string& out, const Row& r) {
  char buf[160];
  std::snprintf(buf, sizeof buf, "%-8s %7llu %14llu %14llu %8s %10llu\n", r.sub.c_str(),
                static_cast<unsigned long long>(r.calls),
                static_cast<unsigned long long>(r.baseline),
                static_cast<unsigned long long>(r.printed), saved_text(r).c_str(),
                static_cast<unsigned long long>(r.ms));
  out += buf;
}

void append_section(std::string& out, std::string_view title,
                    const std::vector<GainRecord>& records, uint64_t since) {
  out += "== ";
  out += title;
  out += " ==\n";
  std::vector<Row> rows;
  for (std::string_view name : kOrder) rows.push_back(Row{std::string(name)});
  Row total{"total"};
  for (const GainRecord& r : records) {
    if (r.time < since) continue;
    size_t k = 0;
    while (k < rows.size() && rows[k].sub != r.sub) ++k;
    if (k == rows.size()) rows.push_back(Row{r.sub});
    rows[k].add(r);
    total.add(r);
  }
  if (total.calls == 0) {
    out += "(기록 없음)\n";
    return;
  }
  char head[160];
  std::snprintf(head, sizeof head, "%-8s %7s %14s %14s %8s %10s\n", "sub", "calls", "baseline",
                "printed", "saved", "ms");
  out += head;
  for (const Row& r : rows)
    if (r.calls > 0) append_row(out, r);
  append_row(out, total);
}

// The report on the ledger as of Unix time `now`.
std::string gain_report(const GainLedger& ledger, uint64_t now) {
  std::string out;
  append_section(out, "zub gain: 전체", ledger.records, 0);
  append_section(out, "zub gain: 최근 24시간", ledger.records,
                 now > kDaySeconds ? now - kDaySeconds : 0);
  out += kBaselines;
  if (ledger.broken > 0)
    out += "[zub gain: 기록이 아닌 줄 " + std::to_string(ledger.broken) + "개는 건너뛰었다]\n";
  return out;
}

}  // namespace

int cmd_gain(const GainOptions& opts, Output& out) {
  if (opts.reset && !opts.unexpected) {
    int err = 0;
    if (!reset_gain_ledger(&err)) {
      out.write_err("zub gain: 기록을 비우지 못했다: " + os_error_text(err) + "\n");
      return 1;
    }
    out.write_out("[zub gain: 기록을 비웠다]\n");
    return 0;
  }
  if (opts.unexpected) {
    out.write_err(std::string(kGainUsage) + "\n");
    return 2;
  }
  const GainLedger ledger = read_gain_ledger();
  std::string report = gain_report(ledger, unix_now());
  if (env_switch_set("ZUB_NO_GAIN"))
    report += "[zub gain: ZUB_NO_GAIN 이 켜져 있어 새 호출은 기록되지 않는다]\n";
  if (ledger.dir.empty())
    report += "[zub gain: 상태 디렉터리가 없다: XDG_STATE_HOME 이나 HOME 을 정해라]\n";
  out.write_out(report);
  return 0;
}

}  // namespace zub
