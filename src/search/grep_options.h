// The options of `zub grep` and its usage text (the front end reads them from
// the command line). Pure functions.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "search/walk.h"

namespace zub {

inline constexpr std::string_view kGrepUsage =
    "zub grep [플래그] PATTERN ROOT...   |   zub grep [플래그] -e P1 -e P2 ROOT...\n"
    "  -E          정규식(ERE 부분집합). 기본은 리터럴\n"
    "  -i          대소문자 무시\n"
    "  -w          단어 경계로 감싼다\n"
    "  -v          매치되지 않는 줄\n"
    "  -C N        문맥 N줄(-A/-B 로 따로도)   ← grep→read 왕복을 없앤다\n"
    "  -l          파일 경로만\n"
    "  -c          파일별 건수만\n"
    "  -e PAT      패턴 추가(트리를 한 번만 순회한다)\n"
    "  -n N        파일당 표시 상한(기본 8)\n"
    "  --ext a,b   확장자 필터\n"
    "  --name GLOB 파일명 글롭(반복 = OR). `*.test.tsx` 처럼 --ext 로 못 쓰는 것\n"
    "  --not GLOB  제외 글롭(반복). rg 의 --glob '!x' 대응\n"
    "  --all       비소스·초대형 파일도 검색(ZUB_GREP_ALL=1 과 동일)\n"
    "  ROOT 에 `-` 를 주면 stdin 을 필터링한다\n"
    "  GNU grep·rg 습관도 받는다: -r -R -n(뒤가 숫자가 아닐 때) -H -I -F -G -q -m N -rn -iw -C2 "
    "-A3\n"
    "  --include=G --exclude=G --exclude-dir=D -t TYPE -T TYPE -g GLOB('!GLOB' 제외) --color=WHEN\n"
    "  -x(줄 전체) -L(매치 없는 파일) -S(패턴에 대문자 없으면 -i) -s(건너뛴 파일 표시는 남긴다)\n"
    "  --hidden --no-ignore -u -uu = --all(숨김 파일은 원래 찾고 .gitignore 는 읽지 않는다)\n"
    "  글롭: * ? [a-z] [!a] {a,b} **/. '/' 없으면 파일명, 있으면 경로(ROOT 아래 경로도)에 맞춘다\n"
    "  ROOT 없이 stdin 이 파이프·파일이 아니면 . 을 찾는다\n"
    "  -E 없는 패턴의 \\| \\( \\) \\+ \\? 는 GNU BRE 다. 리터럴로 0건이면 BRE 로 한 번 더 "
    "찾는다(-F 는 "
    "리터럴만)\n"
    "  -n 을 주지 않으면 150줄까지의 짧은 결과는 파일당 상한 없이 다 보인다. 반복 줄은 줄번호를 "
    "모아 "
    "한 줄로\n"
    "  -Z/--null: -l -L 의 경로를 NUL 로 끝낸다(xargs -0), 요약은 stderr · --no-filename -N "
    "--line-buffered 는 받아 넘긴다\n"
    "  --files: 찾을 파일 목록(rg 처럼, 인자는 모두 ROOT) · --max-depth N(1 = ROOT 바로 아래 "
    "파일만)";

// How a pattern text is read. Without a choice a pattern is a literal,
// except that GNU grep's basic-regex operators make it one of those, and a
// literal that finds nothing is tried once more as a basic regex.
enum class PatternSyntax : uint8_t {
  kDefault,
  kFixed,     // -F: a literal, always
  kBasic,     // -G: GNU basic regex
  kExtended,  // -E, -P: the pattern language
};

// Lines a report prints before the per-file limit applies, when -n did not
// set it: a short answer comes whole, so no second call is needed.
inline constexpr uint64_t kOpenReportLines = 150;

// Selected lines a file shows in a long report when -n does not say
// (the usage text and -n's help say it in words).
inline constexpr uint64_t kPerFileDefault = 8;

// What the limits of one search are, decided once from the options.
struct GrepLimits {
  uint64_t per_file = kPerFileDefault;  // selected lines (or pieces) a file shows in a long report
  // A short report (up to kOpenReportLines lines) shows each file whole;
  // -n N makes per_file hold for every file.
  bool open = true;
  uint64_t kept = kOpenReportLines;  // selected lines a file keeps for its report
  uint64_t files = 400;              // files the report lists
  bool find_listing = false;         // --files with find's tests: find_list's listing
};

struct GrepOptions {
  std::vector<std::string> patterns;
  PatternSyntax syntax = PatternSyntax::kDefault;
  char syntax_flag = 0;  // the letter of the flag that chose it ('E', 'P'), for messages
  bool icase = false;
  bool word = false;
  bool whole_line = false;  // -x: a match must be the whole line
  bool smart_case = false;  // -S: -i unless some pattern has an upper-case letter
  bool invert = false;
  bool files_only = false;
  bool files_without_match = false;  // -L
  bool count = false;
  bool only_matching = false;
  uint64_t before = 0;
  uint64_t after = 0;
  bool context_requested = false;
  // As the command line gives them; resolve_grep_settings says what they
  // mean for the search (GrepLimits).
  uint64_t limit = kPerFileDefault;  // -n N, -m N: lines shown per file
  bool limit_given = false;
  // The text -n took as its number ("" when none), and whether a pattern
  // came with -e: "-n 404 FILE" with no root left is GNU grep's -n flag
  // before the pattern 404.
  std::string limit_text;
  bool pattern_by_e = false;
  uint64_t file_cap = 400;  // --max-files N
  bool quiet = false;       // -q: the status only
  bool null_names = false;  // -Z: -l and -L end each path in a NUL, the summary goes to stderr
  bool list_files = false;  // --files: the files searched, listed; every operand is a root
  // find's tests (-name, -iname, -path in `filter`, -type): with --files
  // the listing is find's, of every kind of file and of directories.
  bool find_tests = false;
  std::string find_type;   // -type: "f", "d" or "" (both)
  bool recursive = false;  // -r: no root means "."
  std::vector<std::string> roots;
  FileFilter filter;
  GrepLimits limits;  // set by resolve_grep_settings
};

// The extensions of a file type as ripgrep names them ("py", "js", "cpp"),
// from the table that also gives def and outline a file's language; a name
// it does not know stands for the extension itself.
std::vector<std::string> type_extensions(std::string_view type);

// Adds a glob of ripgrep's -g: "!GLOB" excludes, any other includes.
void add_glob(FileFilter& filter, std::string_view glob);

// Adds a directory name to leave out (GNU grep's --exclude-dir).
void exclude_dir(FileFilter& filter, std::string_view name);

// The --ext value: pieces between commas, trimmed of white space and of
// leading dots, empty pieces dropped.
std::vector<std::string> parse_ext_list(std::string_view value);

}  // namespace zub
