#include "cli/option_table.h"

#include <algorithm>

#include "base/env.h"
#include "base/file_io.h"
#include "web/fetch_policy.h"

namespace zub {

namespace {

constexpr OptionKind kNumber = OptionKind::kNumber;
constexpr OptionKind kText = OptionKind::kText;
constexpr OptionKind kHelp = OptionKind::kHelp;
constexpr OptionKind kRefused = OptionKind::kRefused;
constexpr BadValue kFallback = BadValue::kFallback;
constexpr BadValue kError = BadValue::kError;
constexpr BadValue kStandAlone = BadValue::kStandAlone;

// A missing or bad number given to grep counts as 3.
constexpr uint64_t kGrepNumberFallback = 3;
// `web -d` without a number reads the first three pages.
constexpr uint64_t kWebDefaultDeepPages = 3;

// ---- Shared rows ----

// The cache flags of `web` and `fetch`: each overrides the field of the
// policy that its environment variable set, read by the same rule; a flag
// without its value changes nothing.
template <typename Opts>
void set_stale(Opts& o, const OptionValue& v) {
  o.policy.stale_floor = setting_number(v.text).value_or(0);
}
template <typename Opts>
void set_ttl(Opts& o, const OptionValue& v) {
  o.policy.ttl = setting_number(v.text);
}
template <typename Opts>
void set_no_cache(Opts& o, const OptionValue&) {
  o.policy.no_cache = true;
}
template <typename Opts>
void set_refresh(Opts& o, const OptionValue&) {
  o.policy.refresh = true;
}
template <typename Opts>
void policy_from_env(Opts& o) {
  o.policy = fetch_policy_from_env();
}

// The walker's file filter, spelled as grep spells it, for every
// subcommand that walks a tree (grep, def, outline): `o.filter`.
template <typename Opts>
void set_extensions(Opts& o, const OptionValue& v) {
  o.filter.extensions = parse_ext_list(v.text);
}
template <typename Opts>
void add_name_glob(Opts& o, const OptionValue& v) {
  o.filter.names.emplace_back(v.text);
}
template <typename Opts>
void add_excluded_glob(Opts& o, const OptionValue& v) {
  o.filter.excludes.emplace_back(v.text);
}
template <typename Opts>
void add_excluded_dir(Opts& o, const OptionValue& v) {
  exclude_dir(o.filter, v.text);
}
template <typename Opts>
void add_type(Opts& o, const OptionValue& v) {
  for (std::string& e : type_extensions(v.text)) o.filter.extensions.push_back(std::move(e));
}
template <typename Opts>
void add_type_not(Opts& o, const OptionValue& v) {
  for (const std::string& e : type_extensions(v.text)) o.filter.excludes.push_back("*." + e);
}
template <typename Opts>
void add_glob_arg(Opts& o, const OptionValue& v) {
  add_glob(o.filter, v.text);
}
template <typename Opts>
void set_max_depth(Opts& o, const OptionValue& v) {
  o.filter.max_depth = v.number;
}
template <typename Opts>
constexpr OptionRow<Opts> kExtRow = {.spellings = {"--ext"},
                                     .kind = kText,
                                     .set = set_extensions<Opts>,
                                     .value_name = "a,b",
                                     .help = "이 확장자의 파일만 (쉼표로 여럿)"};
template <typename Opts>
constexpr OptionRow<Opts> kNameRow = {
    .spellings = {"--name", "--include"},
    .kind = kText,
    .set = add_name_glob<Opts>,
    .value_name = "GLOB",
    .help = "파일명 글롭(반복 = OR), --ext 로 못 쓰는 `*.test.tsx` 같은 것"};
template <typename Opts>
constexpr OptionRow<Opts> kNotRow = {.spellings = {"--not", "--exclude"},
                                     .kind = kText,
                                     .set = add_excluded_glob<Opts>,
                                     .value_name = "GLOB",
                                     .help = "제외 글롭(반복)"};
template <typename Opts>
constexpr OptionRow<Opts> kExcludeDirRow = {.spellings = {"--exclude-dir"},
                                            .kind = kText,
                                            .set = add_excluded_dir<Opts>,
                                            .value_name = "DIR",
                                            .help = "이 이름의 디렉터리는 걷지 않는다"};
template <typename Opts>
constexpr OptionRow<Opts> kTypeRow = {.spellings = {"-t", "--type"},
                                      .kind = kText,
                                      .set = add_type<Opts>,
                                      .value_name = "TYPE",
                                      .help = "rg 의 파일 유형(py, js, cpp …)만"};
template <typename Opts>
constexpr OptionRow<Opts> kTypeNotRow = {.spellings = {"-T", "--type-not"},
                                         .kind = kText,
                                         .set = add_type_not<Opts>,
                                         .value_name = "TYPE",
                                         .help = "rg 의 파일 유형 제외"};
template <typename Opts>
constexpr OptionRow<Opts> kGlobRow = {.spellings = {"-g", "--glob"},
                                      .kind = kText,
                                      .set = add_glob_arg<Opts>,
                                      .value_name = "GLOB",
                                      .help = "글롭('!GLOB' 는 제외)"};
// ripgrep's and find's spelling; a bad value is refused, never "no limit".
template <typename Opts>
constexpr OptionRow<Opts> kMaxDepthRow = {.spellings = {"--max-depth", "--maxdepth"},
                                          .kind = kNumber,
                                          .on_bad = kError,
                                          .message = "zub: --max-depth 뒤에 숫자가 와야 한다\n",
                                          .set = set_max_depth<Opts>,
                                          .value_name = "N",
                                          .help = "ROOT 아래 N 단계까지 (1 = 바로 아래 파일만)"};

void search_all_files(GrepOptions& o, const OptionValue&) { o.filter.include_all = true; }
template <std::vector<std::string> FileFilter::*M>
void add_find_test(GrepOptions& o, const OptionValue& v) {
  (o.filter.*M).emplace_back(v.text);
  o.find_tests = true;
}
template <PatternSyntax S, char Flag>
void set_syntax(GrepOptions& o, const OptionValue&) {
  o.syntax = S;
  o.syntax_flag = Flag;
}
void set_limit(GrepOptions& o, const OptionValue& v) {
  o.limit = std::max<uint64_t>(v.number, 1);
  o.limit_given = true;
}
// The values of --color; any value after "=" is taken as well.
constexpr std::string_view kColorWords[] = {"never", "always", "auto", "ansi"};
// --binary-files: only the value zub always does (-I).
constexpr std::string_view kBinaryWords[] = {"without-match"};

void set_depth(MapOptions& o, const OptionValue& v) { o.depth = v.number; }
constexpr std::string_view kMapFilterRefusal =
    "zub map: 파일 고르기는 없다(분포는 모든 파일) — 고른 파일 목록은 zub grep --files -g "
    "'*.py' ROOT\n";

// Arguments that are accepted and not used.
template <typename Opts>
constexpr OptionRow<Opts> kIgnoredOperands = {.kind = kText};

// Every subcommand's help: its lines of the usage text.
template <typename Opts>
constexpr OptionRow<Opts> kHelpRow = {
    .spellings = {"-h", "--help"}, .kind = kHelp, .help = "이 도움말"};

// clang-format off

// ---- The tables, in the order of the usage text ----

constexpr OptionRow<NoOptions> kNoRows[] = {kIgnoredOperands<NoOptions>};

// `help SUB`: the subcommand whose lines to print.
constexpr OptionRow<HelpOptions> kHelpRows[] = {
    {.kind = kText, .set = set_text<&HelpOptions::sub>},
    kIgnoredOperands<HelpOptions>,
};

// hook: standard input only.
constexpr OptionRow<NoOptions> kFilterRows[] = {kHelpRow<NoOptions>, kIgnoredOperands<NoOptions>};

// diag, md: standard input, or the files named.
constexpr OptionRow<FilterOptions> kFileFilterRows[] = {
    kHelpRow<FilterOptions>,
    {.kind = kText, .set = append_text<&FilterOptions::files>},
};

constexpr OptionRow<BriefOptions> kBriefRows[] = {
    kHelpRow<BriefOptions>,
    {.spellings = {"-n"}, .kind = kNumber, .on_bad = kError,
     .message = "zub brief: -n 뒤에 숫자가 와야 한다\n", .set = set_number<&BriefOptions::rows>, .value_name = "N", .help = "분포 표의 행 수(기본 12)"},
    {.kind = kText, .set = append_text<&BriefOptions::roots>},
};

constexpr OptionRow<OutlineOptions> kOutlineRows[] = {
    kHelpRow<OutlineOptions>,
    // "-n N" is the cap; "-n" before a file is cat's -n, which an outline
    // is instead of (its lines are numbered anyway).
    {.spellings = {"-n"}, .kind = kNumber, .on_bad = kStandAlone, .fallback = kOutlineDefaultLines,
     .set = [](OutlineOptions& o, const OptionValue& v) {
       if (!v.alone) o.cap = v.number;
     }, .value_name = "N", .help = "파일마다(디렉터리는 모두 합쳐) 보일 선언 줄 상한(기본 400). 파일 앞의 -n 은 cat -n 습관이라 무시"},
    {.spellings = {"--all"}, .set = set_true<&OutlineOptions::all>, .help = "디렉터리의 크기 상한 넘는 파일과 비소스 파일도"},
    // Directories are walked anyway.
    {.spellings = {"-r", "-R", "--recursive"}, .help = "받아 넘긴다(디렉터리는 원래 걷는다)"},
    // Which files of a directory: grep's filter options.
    kExtRow<OutlineOptions>,
    kNameRow<OutlineOptions>,
    kNotRow<OutlineOptions>,
    kExcludeDirRow<OutlineOptions>,
    kTypeRow<OutlineOptions>,
    kTypeNotRow<OutlineOptions>,
    kGlobRow<OutlineOptions>,
    kMaxDepthRow<OutlineOptions>,
    {.kind = kText, .set = append_text<&OutlineOptions::files>},
};

// Only the first byte option is one; a later "-c" is a path like any other.
constexpr OptionRow<ReadOptions> kReadRows[] = {
    kHelpRow<ReadOptions>,
    {.spellings = {"--bytes", "-c"}, .kind = kNumber, .on_bad = kError, .min = 1,
     .first_only = true, .message = "zub read --bytes N (N>0)\n",
     .set = [](ReadOptions& o, const OptionValue& v) {
       o.byte_mode = true;
       o.bytes = v.number;
     }, .value_name = "N", .help = "파일마다 앞 N 바이트만(head -c, 잘린 마지막 줄은 버린다)"},
    // "-n" is cat's line numbers; "-n N" is head's first N lines.
    {.spellings = {"-n"}, .kind = kNumber, .on_bad = kStandAlone,
     .set = [](ReadOptions& o, const OptionValue& v) {
       if (v.alone || v.number == 0) {
         o.numbering = true;
       } else {
         o.head = v.number;
         o.head_flag_before = o.args.size();
       }
     }, .value_name = "N", .help = "뒤에 숫자가 없으면 줄번호(cat -n), 있으면 범위 없는 파일의 앞 N줄(head -n)"},
    {.spellings = {"--number", "--line-numbers"}, .set = set_true<&ReadOptions::numbering>, .help = "줄번호를 붙인다(ZUB_READ_NUM=1 과 같다)"},
    // head's and tail's counts, and a range given as an option (the habit
    // of viewers): each for every file given without a range.
    {.spellings = {"--head"}, .kind = kNumber, .on_bad = kError, .min = 1,
     .message = "zub read: --head 뒤에 1 이상의 숫자가 와야 한다\n", .set = set_number<&ReadOptions::head>, .value_name = "N", .help = "범위 없는 파일마다 앞 N줄(-N 도 같다)"},
    {.spellings = {"--tail"}, .kind = kNumber, .on_bad = kError, .min = 1,
     .message = "zub read: --tail 뒤에 1 이상의 숫자가 와야 한다\n", .set = set_number<&ReadOptions::tail>, .value_name = "N", .help = "범위 없는 파일마다 마지막 N줄"},
    {.spellings = {"--lines", "--line-range", "--range"}, .kind = kText, .on_bad = kError,
     .message = "zub read: --lines 뒤에 범위가 와야 한다(A-B, A,+N, A- 등)\n",
     .set = append_text<&ReadOptions::ranges>, .value_name = "A-B", .help = "범위 없는 파일마다 이 범위"},
    // "-20" is head's old spelling of -n 20 (unless a file has that name).
    {.kind = kText, .set = [](ReadOptions& o, const OptionValue& v) {
       if (v.text.size() >= 2 && v.text[0] == '-' && !path_exists(std::string(v.text))) {
         if (const std::optional<uint64_t> n = parse_u64(v.text.substr(1)); n && *n > 0) {
           o.head = *n;
           return;
         }
       }
       o.args.emplace_back(v.text);
     }},
};

constexpr OptionRow<DefOptions> kDefRows[] = {
    kHelpRow<DefOptions>,
    {.spellings = {"-n"}, .kind = kNumber, .on_bad = kFallback, .fallback = kDefDefaultLines,
     .set = [](DefOptions& o, const OptionValue& v) {
       o.lines = v.number;
       o.lines_given = true;
     }, .value_name = "N", .help = "정의 줄 뒤로 보일 줄 상한(기본 200)"},
    // grep's -A N: the lines after the definition's first.
    {.spellings = {"-A", "--after-context"}, .kind = kNumber, .on_bad = kFallback,
     .fallback = kDefDefaultLines,
     .set = [](DefOptions& o, const OptionValue& v) {
       o.lines = v.number;
       o.lines_given = true;
     }, .value_name = "N", .help = "grep 의 -A: -n N 과 같다"},
    {.spellings = {"--all"}, .set = set_true<&DefOptions::all>, .help = "비소스·초대형 파일도 찾는다"},
    {.spellings = {"--docs"}, .set = set_true<&DefOptions::docs>, .help = "코드에 정의가 있어도 걷다 만난 문서(마크다운 등)의 절도 보인다"},
    // grep's habits that def always does: directories are walked, and the
    // symbol is matched as a whole word.
    {.spellings = {"-r", "-R", "--recursive"}, .help = "받아 넘긴다(디렉터리는 원래 걷는다)"},
    {.spellings = {"-w", "--word-regexp"}, .help = "받아 넘긴다(심볼은 원래 단어 전체로 맞춘다)"},
    {.spellings = {"-i", "--ignore-case"}, .kind = kRefused,
     .message = "zub def: -i 는 없다(정의는 이름의 대소문자까지 맞춘다). 대소문자를 모르면 "
                "`zub grep -i -w SYM ROOT`\n"},
    // Which files: grep's filter options.
    kExtRow<DefOptions>,
    kNameRow<DefOptions>,
    kNotRow<DefOptions>,
    kExcludeDirRow<DefOptions>,
    kTypeRow<DefOptions>,
    kTypeNotRow<DefOptions>,
    kGlobRow<DefOptions>,
    kMaxDepthRow<DefOptions>,
    {.kind = kText, .set = set_text<&DefOptions::symbol>},
    {.kind = kText, .set = append_text<&DefOptions::roots>},
};

// The first operand is the pattern unless -e gave one before it. Besides
// its own options grep takes what GNU grep and ripgrep users type, with
// their meaning, where it does not collide with one of its own (-h is help,
// -n N the per-file limit).
constexpr OptionRow<GrepOptions> kGrepRows[] = {
    {.spellings = {"-E", "--extended-regexp"}, .set = set_syntax<PatternSyntax::kExtended, 'E'>, .help = "정규식(ERE 부분집합). 기본은 리터럴"},
    {.spellings = {"-P", "--perl-regexp"}, .set = set_syntax<PatternSyntax::kExtended, 'P'>, .help = "-E 와 같다(앞뒤 보기는 없다)"},
    {.spellings = {"-F", "--fixed-strings"}, .set = set_syntax<PatternSyntax::kFixed, 'F'>, .help = "늘 리터럴(BRE 로 다시 찾지 않는다)"},
    {.spellings = {"-G", "--basic-regexp"}, .set = set_syntax<PatternSyntax::kBasic, 'G'>, .help = "GNU BRE"},
    {.spellings = {"-i", "--ignore-case"}, .set = set_true<&GrepOptions::icase>, .help = "대소문자 무시"},
    {.spellings = {"-w", "--word-regexp"}, .set = set_true<&GrepOptions::word>, .help = "단어 경계로 감싼다"},
    {.spellings = {"-v", "--invert-match"}, .set = set_true<&GrepOptions::invert>, .help = "매치되지 않는 줄"},
    {.spellings = {"-x", "--line-regexp"}, .set = set_true<&GrepOptions::whole_line>, .help = "줄 전체가 맞는 줄"},
    {.spellings = {"-S", "--smart-case"}, .set = set_true<&GrepOptions::smart_case>, .help = "패턴에 대문자가 없으면 -i"},
    {.spellings = {"-l", "--files-with-matches"}, .set = set_true<&GrepOptions::files_only>, .help = "파일 경로만"},
    {.spellings = {"-L", "--files-without-match"},
     .set = set_true<&GrepOptions::files_without_match>, .help = "매치 없는 파일의 경로만"},
    {.spellings = {"-c", "--count"}, .set = set_true<&GrepOptions::count>, .help = "파일별 건수만"},
    {.spellings = {"-o", "--only-matching"}, .set = set_true<&GrepOptions::only_matching>, .help = "맞은 부분만"},
    {.spellings = {"-q", "--quiet", "--silent"}, .set = set_true<&GrepOptions::quiet>, .help = "아무것도 찍지 않고 상태로만 답한다"},
    {.spellings = {"-Z", "--null"}, .set = set_true<&GrepOptions::null_names>, .help = "-l -L 의 경로를 NUL 로 끝낸다(xargs -0), 요약은 stderr"},
    {.spellings = {"--files"}, .set = set_true<&GrepOptions::list_files>, .help = "찾을 파일 목록(rg 처럼, 인자는 모두 ROOT)"},
    {.spellings = {"-C", "--context"}, .kind = kNumber, .on_bad = kFallback,
     .fallback = kGrepNumberFallback,
     .set = [](GrepOptions& o, const OptionValue& v) {
       o.before = o.after = v.number;
       o.context_requested = true;
     }, .value_name = "N", .help = "앞뒤 문맥 N줄(grep→read 왕복을 없앤다)"},
    {.spellings = {"-A", "--after-context"}, .kind = kNumber, .on_bad = kFallback,
     .fallback = kGrepNumberFallback,
     .set = [](GrepOptions& o, const OptionValue& v) {
       o.after = v.number;
       o.context_requested = true;
     }, .value_name = "N", .help = "뒤 문맥 N줄"},
    {.spellings = {"-B", "--before-context"}, .kind = kNumber, .on_bad = kFallback,
     .fallback = kGrepNumberFallback,
     .set = [](GrepOptions& o, const OptionValue& v) {
       o.before = v.number;
       o.context_requested = true;
     }, .value_name = "N", .help = "앞 문맥 N줄"},
    // "-n N" is the limit; "-n" before anything but a number is GNU grep's
    // line-number flag (numbers are always printed).
    {.spellings = {"-n"}, .kind = kNumber, .on_bad = kStandAlone, .fallback = kGrepNumberFallback,
     .set = [](GrepOptions& o, const OptionValue& v) {
       if (v.alone) return;
       set_limit(o, v);
       o.limit_text = v.text;
     }, .value_name = "N", .help = "파일당 표시 상한(기본 8). 뒤가 숫자가 아니면 GNU 의 -n 이라 받아 넘긴다"},
    {.spellings = {"-m", "--max-count"}, .kind = kNumber, .on_bad = kFallback,
     .fallback = kGrepNumberFallback, .set = set_limit, .value_name = "N", .help = "-n N 과 같다"},
    {.spellings = {"--max-files"}, .kind = kNumber, .on_bad = kFallback,
     .fallback = kGrepNumberFallback,
     .set = set_at_least_one<&GrepOptions::file_cap>, .value_name = "N", .help = "보일 파일 수 상한(기본 400, -l -L -c 는 1000)"},
    {.spellings = {"-e", "--regexp"}, .kind = kText,
     .set = [](GrepOptions& o, const OptionValue& v) {
       o.patterns.emplace_back(v.text);
       o.pattern_by_e = true;
     }, .value_name = "PAT", .help = "패턴 추가(트리를 한 번만 순회한다)"},
    kExtRow<GrepOptions>,
    kNameRow<GrepOptions>,
    kNotRow<GrepOptions>,
    kExcludeDirRow<GrepOptions>,
    kTypeRow<GrepOptions>,
    kTypeNotRow<GrepOptions>,
    kGlobRow<GrepOptions>,
    kMaxDepthRow<GrepOptions>,
    // find's spellings, for `zub grep --files` in place of `find`.
    {.spellings = {"-maxdepth"}, .kind = kNumber, .on_bad = kError,
     .message = "zub: -maxdepth 뒤에 숫자가 와야 한다\n", .set = set_max_depth<GrepOptions>,
     .value_name = "N", .help = "find 습관(--files 와 함께): --max-depth N 과 같다"},
    {.spellings = {"-name"}, .kind = kText, .set = add_find_test<&FileFilter::find_names>,
     .value_name = "GLOB", .help = "find 습관(--files 와 함께): 파일명이 이 글롭인 것"},
    {.spellings = {"-iname"}, .kind = kText, .set = add_find_test<&FileFilter::find_inames>,
     .value_name = "GLOB", .help = "find 습관(--files 와 함께): -name 을 대소문자 무시로"},
    {.spellings = {"-path", "-wholename"}, .kind = kText,
     .set = add_find_test<&FileFilter::find_paths>,
     .value_name = "GLOB", .help = "find 습관(--files 와 함께): 경로가 이 글롭인 것"},
    {.spellings = {"-type"}, .kind = kText,
     .set = [](GrepOptions& o, const OptionValue& v) {
       o.find_type = v.text;
       o.find_tests = true;
     }, .value_name = "f|d", .help = "find 습관(--files 와 함께): 파일(f)이나 디렉터리(d)만"},
    {.spellings = {"--all"}, .set = search_all_files, .help = "비소스·초대형 파일도 검색(ZUB_GREP_ALL=1 과 같다)"},
    // ripgrep's ways to search more than by default. Hidden files are
    // searched anyway and no ignore file is read; what more there is to
    // search is what --all lets in.
    {.spellings = {"--hidden", "--no-ignore"}, .set = search_all_files, .help = "--all 과 같다(숨김 파일은 원래 찾고 .gitignore 는 읽지 않는다)"},
    {.spellings = {"-u", "--unrestricted"}, .set = search_all_files, .help = "--all 과 같다"},
    {.spellings = {"-r", "--recursive"}, .set = set_true<&GrepOptions::recursive>, .help = "ROOT 가 없으면 stdin 대신 . 을 찾는다"},
    {.spellings = {"-R", "--dereference-recursive"}, .set = set_true<&GrepOptions::recursive>, .help = "-r 과 같다"},
    // Accepted for what they mean elsewhere, which zub always does: line
    // numbers and file names on every hit, binary files passed over, no
    // colour.
    {.spellings = {"--line-number"}, .help = "받아 넘긴다(줄번호는 늘 찍는다)"},
    {.spellings = {"-H", "--with-filename"}, .help = "받아 넘긴다(파일명은 늘 찍는다)"},
    {.spellings = {"-I"}, .help = "받아 넘긴다(바이너리 파일은 늘 건너뛴다)"},
    // The short trace zub leaves for a file it passes over stays.
    {.spellings = {"-s", "--no-messages"}, .help = "받아 넘긴다(건너뛴 파일 표시는 남긴다)"},
    {.spellings = {"--no-heading", "--heading"}, .help = "받아 넘긴다"},
    {.spellings = {"--line-buffered"}, .help = "받아 넘긴다"},
    {.spellings = {"--binary-files"}, .words = kBinaryWords, .help = "받아 넘긴다(without-match 만, 늘 그렇게 한다)"},
    // Taken, and not done: a hit keeps its file and line number, which the
    // next call (read F A-B) needs.
    {.spellings = {"--no-filename"}, .help = "받되 하지 않는다(다음 read 에 파일과 줄번호가 필요하다)"},
    {.spellings = {"-N", "--no-line-number"}, .help = "받되 하지 않는다(다음 read 에 줄번호가 필요하다)"},
    {.spellings = {"--color", "--colour"}, .words = kColorWords, .help = "받아 넘긴다(색은 없다)"},
    {.spellings = {"-h", "--help"}, .kind = kHelp, .help = "이 도움말"},
    {.kind = kText, .set = [](GrepOptions& o, const OptionValue& v) {
       (o.patterns.empty() ? o.patterns : o.roots).emplace_back(v.text);
     }},
};

constexpr OptionRow<MapOptions> kMapRows[] = {
    kHelpRow<MapOptions>,
    {.spellings = {"-n"}, .kind = kNumber, .on_bad = kError,
     .message = "zub map: -n 뒤에 숫자가 와야 한다\n", .set = set_number<&MapOptions::rows>, .value_name = "N", .help = "보일 디렉터리 행 수(기본 25)"},
    // The habit of du and tree: directories at most N levels below the root.
    {.spellings = {"--depth", "--max-depth", "-d"}, .kind = kNumber, .on_bad = kError,
     .message = "zub map: --depth 뒤에 숫자가 와야 한다\n", .set = set_depth, .value_name = "N", .help = "ROOT 아래 N 단계의 디렉터리까지 나눠 보인다"},
    {.spellings = {"-L"}, .kind = kNumber, .on_bad = kError,
     .message = "zub map: --depth 뒤에 숫자가 와야 한다\n", .set = set_depth, .value_name = "N", .help = "tree 의 -L: --depth N 과 같다"},
    // The distribution is of every file; a list of the files a filter
    // chooses is grep's.
    {.spellings = {"--ext", "-t", "--type"}, .kind = kRefused, .message = kMapFilterRefusal},
    {.spellings = {"--include", "-g", "--glob"}, .kind = kRefused, .message = kMapFilterRefusal},
    {.spellings = {"-name", "--name", "-iname"}, .kind = kRefused, .message = kMapFilterRefusal},
    // ls's habits: a flag that asks for detail adds each root's own files
    // with their sizes; the others change nothing (every file is counted,
    // hidden or not, at every depth).
    {.spellings = {"-l", "-la", "-al"}, .set = set_true<&MapOptions::files>, .help = "ls 습관: 루트 바로 아래 파일도 크기와 함께"},
    {.spellings = {"-lh", "-hl", "-lah"}, .set = set_true<&MapOptions::files>, .help = "-l 과 같다"},
    {.spellings = {"-alh", "-lha", "-hla"}, .set = set_true<&MapOptions::files>, .help = "-l 과 같다"},
    {.spellings = {"-lt", "-ltr", "-lrt"}, .set = set_true<&MapOptions::files>, .help = "-l 과 같다"},
    {.spellings = {"-latr", "-lart", "-lA"}, .set = set_true<&MapOptions::files>, .help = "-l 과 같다"},
    {.spellings = {"-lS", "-lAh", "-ls"}, .set = set_true<&MapOptions::files>, .help = "-l 과 같다"},
    {.spellings = {"-a", "-A", "-F"}, .help = "받아 넘긴다(모든 파일을 센다)"},
    {.spellings = {"-R", "-1", "-aF"}, .help = "받아 넘긴다(모든 깊이를 센다)"},
    {.kind = kText, .set = append_text<&MapOptions::roots>},
};

constexpr OptionRow<WrapOptions> kWrapRows[] = {
    kHelpRow<WrapOptions>,
    {.spellings = {"-w"}, .kind = kNumber, .on_bad = kFallback, .fallback = kTrimDefaultWidth,
     .set = set_number<&WrapOptions::width>, .value_name = "W", .help = "줄 폭(기본 200)"},
    {.spellings = {"--diag"}, .set = set_to<&WrapOptions::mode, WrapMode::kDiag>, .help = "에러·실패만 요약(diag)"},
    {.spellings = {"--logs"}, .set = set_to<&WrapOptions::mode, WrapMode::kLogs>, .help = "반복 줄 접기(logs)"},
    {.spellings = {"--raw"}, .set = set_to<&WrapOptions::mode, WrapMode::kRaw>, .help = "줄이지 않고 그대로(상한만)"},
    {.spellings = {"--timeout"}, .kind = kRefused,
     .message = "zub wrap: --timeout 은 없다: 명령 앞에 timeout 을 — zub wrap -- timeout 60 CMD...\n"},
    // sh's -c: the shell line that follows.
    {.spellings = {"-c"}, .kind = kText, .first_only = true,
     .set = [](WrapOptions& o, const OptionValue& v) {
       o.shell_line = true;
       o.command.emplace_back(v.text);
     }, .value_name = "LINE", .help = "sh -c 처럼 그 셸 줄을 실행"},
    {.kind = kText, .set = append_text<&WrapOptions::command>},
};

// logs and trim: the first argument that looks like a number (digits, with
// a sign or none, or a lone sign) is the number, the default when it is not
// one; every other argument is a file to read instead of standard input.
bool looks_numeric(std::string_view text) {
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) text.remove_prefix(1);
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

template <typename Args>
void number_or_file(Args& o, const OptionValue& v) {
  if (!o.number_seen && looks_numeric(v.text)) {
    o.number() = parse_u64(v.text).value_or(Args::kNumberDefault);
    o.number_seen = true;
    return;
  }
  o.files.emplace_back(v.text);
}

template <typename Args>
void set_number_option(Args& o, const OptionValue& v) {
  o.number() = v.number;
  o.number_seen = true;
}

// The number as an option too, spelled as `spellings`.
template <typename Args>
constexpr OptionRow<Args> number_option(std::array<std::string_view, 3> spellings,
                                        std::string_view value_name, std::string_view help) {
  return {.spellings = spellings, .kind = kNumber, .on_bad = kFallback,
          .fallback = Args::kNumberDefault, .set = set_number_option<Args>,
          .value_name = value_name, .help = help};
}

constexpr OptionRow<LogsArgs> kLogsRows[] = {
    kHelpRow<LogsArgs>,
    number_option<LogsArgs>({"-n", "--lines", "--tail"}, "N", "최근 N줄(기본 3000)"),  // tail's and docker logs' habits
    {.spellings = {"-f", "--follow"}, .kind = kRefused,
     .message = "zub logs: -f(따라가기)는 없다: 지금까지 쌓인 줄을 접는다 — zub logs N F\n"},
    {.kind = kText, .set = number_or_file<LogsArgs>},
};

constexpr OptionRow<TrimArgs> kTrimRows[] = {
    kHelpRow<TrimArgs>,
    number_option<TrimArgs>({"-w", "--width"}, "W", "줄 폭(기본 200)"),  // wrap's spelling of the width
    {.kind = kText, .set = number_or_file<TrimArgs>},
};

// Every operand after the query is the result count; the last one counts,
// and one that is not a number stands for the default.
constexpr OptionRow<WebOptions> kWebRows[] = {
    kHelpRow<WebOptions>,
    {.spellings = {"--stale"}, .kind = kText, .set = set_stale<WebOptions>, .value_name = "S", .help = "서버가 날짜를 준 페이지를 적어도 S초 동안 그대로 쓴다"},
    {.spellings = {"--ttl"}, .kind = kText, .set = set_ttl<WebOptions>, .value_name = "S", .help = "URL 유형별 수명 대신 S초"},
    {.spellings = {"--no-cache"}, .set = set_no_cache<WebOptions>, .help = "캐시를 쓰지 않는다"},
    {.spellings = {"--refresh"}, .set = set_refresh<WebOptions>, .help = "새로 받아 저장한다"},
    {.spellings = {"-d"}, .kind = kNumber, .on_bad = kFallback, .fallback = kWebDefaultDeepPages,
     .set = set_number<&WebOptions::deep>, .value_name = "K", .help = "상위 K개 결과의 본문까지"},
    {.spellings = {"-n", "--chars", "--max-chars"}, .kind = kNumber, .on_bad = kFallback,
     .fallback = kWebDefaultChars, .set = set_number<&WebOptions::chars>, .value_name = "C", .help = "본문마다 C 글자까지(기본 9000)"},
    {.kind = kText, .set = set_text<&WebOptions::query>},
    {.kind = kNumber, .on_bad = kFallback, .fallback = kWebDefaultResults,
     .set = set_number<&WebOptions::results>},
};

constexpr OptionRow<FetchOptions> kFetchRows[] = {
    kHelpRow<FetchOptions>,
    {.spellings = {"--stale"}, .kind = kText, .set = set_stale<FetchOptions>, .value_name = "S", .help = "서버가 날짜를 준 페이지를 적어도 S초 동안 그대로 쓴다"},
    {.spellings = {"--ttl"}, .kind = kText, .set = set_ttl<FetchOptions>, .value_name = "S", .help = "URL 유형별 수명 대신 S초"},
    {.spellings = {"--no-cache"}, .set = set_no_cache<FetchOptions>, .help = "캐시를 쓰지 않는다"},
    {.spellings = {"--refresh"}, .set = set_refresh<FetchOptions>, .help = "새로 받아 저장한다"},
    {.spellings = {"-n", "--chars", "--max-chars"}, .kind = kNumber, .on_bad = kFallback,
     .fallback = kFetchDefaultChars, .set = set_number<&FetchOptions::chars>, .value_name = "C", .help = "페이지마다 C 글자까지(기본 6000)"},
    // curl's habits ("-fsSL"), which fetch always does: silent, redirects
    // followed, a failed page reported in its place.
    {.spellings = {"-s", "--silent"}, .help = "curl 습관: 받아 넘긴다(늘 조용하다)"},
    {.spellings = {"-S", "--show-error"}, .help = "curl 습관: 받아 넘긴다(실패는 그 자리에 적는다)"},
    {.spellings = {"-L", "--location"}, .help = "curl 습관: 받아 넘긴다(리다이렉트는 늘 따라간다)"},
    {.spellings = {"-f", "--fail"}, .help = "curl 습관: 받아 넘긴다"},
    {.spellings = {"-o", "-O", "--output"}, .kind = kRefused,
     .message = "zub fetch: -o 는 없다: 본문은 표준 출력으로 나온다 — zub fetch URL > F\n"},
    {.kind = kText, .set = append_text<&FetchOptions::urls>},
};

// `cache`, `cache clear`, `cache ttl URL...`; any other first word shows
// the status.
constexpr OptionRow<CacheOptions> kCacheRows[] = {
    kHelpRow<CacheOptions>,
    {.spellings = {"--clear"}, .set = set_to<&CacheOptions::action, CacheAction::kClear>, .help = "clear 와 같다"},
    {.kind = kText, .set = [](CacheOptions& o, const OptionValue& v) {
       o.action = v.text == "ttl" ? CacheAction::kTtl
                : v.text == "clear" ? CacheAction::kClear : CacheAction::kStatus;
     }},
    {.kind = kText, .set = append_text<&CacheOptions::urls>},
};

// `gain`, `gain --daily`, `gain --json` (the two together too) or `gain
// --reset` alone; anything else is a usage error.
template <bool GainOptions::*Flag>
void set_gain_switch(GainOptions& o, const OptionValue&) {
  if (o.*Flag) o.unexpected = true;
  o.*Flag = true;
}

constexpr OptionRow<GainOptions> kGainRows[] = {
    kHelpRow<GainOptions>,
    {.spellings = {"--reset"}, .set = set_gain_switch<&GainOptions::reset>, .help = "기록을 비운다"},
    {.spellings = {"--daily"}, .set = set_gain_switch<&GainOptions::daily>, .help = "서브커맨드별 대신 UTC 날짜별"},
    {.spellings = {"--json"}, .set = set_gain_switch<&GainOptions::json>, .help = "같은 수치를 JSON 하나로"},
    {.kind = kText, .set = set_true<&GainOptions::unexpected>},
};

// `init`'s switches; any operand is a usage error.
constexpr OptionRow<InitOptions> kInitRows[] = {
    {.spellings = {"--project"}, .set = set_true<&InitOptions::project>, .help = "git 저장소 최상위의 .claude/settings.json (팀과 함께 쓴다)"},
    {.spellings = {"--dry-run"}, .set = set_true<&InitOptions::dry_run>, .help = "바꿀 내용을 unified diff 로 보여 주기만 한다"},
    {.spellings = {"--show"}, .set = set_true<&InitOptions::show>, .help = "사용자·프로젝트 설정의 등록 상태와, 훅이 부르는 zub 이 PATH 의 zub 인지"},
    {.spellings = {"--uninstall"}, .set = set_true<&InitOptions::uninstall>, .help = "init 이 넣은 항목과 메모를 지운다"},
    {.spellings = {"--notes"}, .set = set_true<&InitOptions::notes>, .help = "CLAUDE.md 에 zub 사용 메모(15줄 이하)를 넣는다"},
    {.spellings = {"--no-post"}, .set = set_true<&InitOptions::no_post>, .help = "PreToolUse 만 등록한다(PostToolUse 의 zub 항목은 지운다)"},
    {.spellings = {"--force"}, .set = set_true<&InitOptions::force>, .help = "등록된 항목이 이 zub 을 부르게 고친다"},
    {.spellings = {"--local"}, .set = set_true<&InitOptions::local>, .help = "저장소의 .claude/settings.local.json (나만)"},
    {.spellings = {"--shared"}, .set = set_true<&InitOptions::shared>, .help = "--project 의 팀 공유 경고를 끈다"},
    {.spellings = {"-h", "--help"}, .kind = kHelp, .help = "이 도움말"},
    {.kind = kText, .set = [](InitOptions& o, const OptionValue& v) {
       if (o.stray.empty()) o.stray = v.text;
     }},
};

// `completion SHELL`.
constexpr OptionRow<CompletionOptions> kCompletionRows[] = {
    kHelpRow<CompletionOptions>,
    {.kind = kText, .set = [](CompletionOptions& o, const OptionValue& v) {
       if (!o.shell.empty()) o.extra = true;
       o.shell = v.text;
     }},
};

// `optionlist FORMAT SUB`.
constexpr OptionRow<OptionListOptions> kOptionListRows[] = {
    kHelpRow<OptionListOptions>,
    {.kind = kText, .set = set_text<&OptionListOptions::format>},
    {.kind = kText, .set = set_text<&OptionListOptions::sub>},
    {.kind = kText, .set = set_true<&OptionListOptions::extra>},
};

// clang-format on

}  // namespace

constexpr OptionTable<NoOptions> kNoOptionsTable = {.rows = kNoRows};

// Every other subcommand: help, "--" before operands that look like
// options, and any other argument that begins with '-' an unknown flag.
constexpr ArgumentRules kStrict = {.unlisted_dash = UnlistedDash::kUnknown,
                                   .double_dash_ends_options = true};

constexpr OptionTable<HelpOptions> kHelpTable = {.rows = kHelpRows};

constexpr OptionTable<NoOptions> kFilterTable = {.rules = kStrict, .rows = kFilterRows};

constexpr OptionTable<FilterOptions> kFileFilterTable = {.rules = kStrict, .rows = kFileFilterRows};

// No root means ".".
constexpr OptionTable<BriefOptions> kBriefTable = {.rules = kStrict, .rows = kBriefRows};

constexpr OptionTable<OutlineOptions> kOutlineTable = {
    .rules = {.needs_operand = true,
              .unlisted_dash = UnlistedDash::kUnknown,
              .double_dash_ends_options = true},
    .rows = kOutlineRows,
};

constexpr OptionTable<ReadOptions> kReadTable = {
    .rules = {.needs_operand = true,
              .unlisted_dash = UnlistedDash::kUnknown,
              .double_dash_ends_options = true},
    .rows = kReadRows,
    .prepare = [](ReadOptions& o) { o.numbering = env_switch_set("ZUB_READ_NUM"); },
};

// The symbol is the first operand; no root is ".". A symbol that begins
// with '-' comes after "--".
constexpr OptionTable<DefOptions> kDefTable = {
    .rules = {.needs_operand = true,
              .missing = "zub def SYM ROOT... [-n 200]\n",
              .unlisted_dash = UnlistedDash::kUnknown,
              .double_dash_ends_options = true},
    .rows = kDefRows,
};

constexpr OptionTable<GrepOptions> kGrepTable = {
    .rules = {.unlisted_dash = UnlistedDash::kUnknown,
              .double_dash_ends_options = true,
              .short_clusters = true},
    .rows = kGrepRows,
    .usage = kGrepUsage,
};

// No root is ".".
constexpr OptionTable<MapOptions> kMapTable = {
    .rules = {.unlisted_dash = UnlistedDash::kUnknown, .double_dash_ends_options = true},
    .rows = kMapRows,
};

// Options come before the command; the command's own arguments are its.
constexpr OptionTable<WrapOptions> kWrapTable = {
    .rules = {.unlisted_dash = UnlistedDash::kUnknown,
              .operand_ends_options = true,
              .double_dash_ends_options = true},
    .rows = kWrapRows,
};

constexpr OptionTable<LogsArgs> kLogsTable = {.rules = kStrict, .rows = kLogsRows};

constexpr OptionTable<TrimArgs> kTrimTable = {.rules = kStrict, .rows = kTrimRows};

// The query is the first argument, whatever it looks like (but help).
constexpr OptionTable<WebOptions> kWebTable = {
    .rules = {.leading = 1, .min_args = 1, .unlisted_dash = UnlistedDash::kUnknown},
    .rows = kWebRows,
    .prepare = policy_from_env<WebOptions>,
};

// No URL is not an error: nothing is printed.
constexpr OptionTable<FetchOptions> kFetchTable = {
    .rules = {.min_args = 1, .unlisted_dash = UnlistedDash::kUnknown, .short_clusters = true},
    .rows = kFetchRows,
    .prepare = policy_from_env<FetchOptions>,
};

constexpr OptionTable<CacheOptions> kCacheTable = {.rules = kStrict, .rows = kCacheRows};

constexpr OptionTable<GainOptions> kGainTable = {
    .rules = {.unlisted_dash = UnlistedDash::kUnknown},
    .rows = kGainRows,
    .usage = kGainUsage,
};

constexpr OptionTable<InitOptions> kInitTable = {
    .rules = {.unlisted_dash = UnlistedDash::kUnknown},
    .rows = kInitRows,
    .usage = kInitHelp,
};

constexpr OptionTable<CompletionOptions> kCompletionTable = {
    .rules = {.needs_operand = true, .unlisted_dash = UnlistedDash::kUnknown},
    .rows = kCompletionRows,
    .usage = kCompletionUsage,
};

constexpr OptionTable<OptionListOptions> kOptionListTable = {
    .rules = {.needs_operand = true, .unlisted_dash = UnlistedDash::kUnknown},
    .rows = kOptionListRows,
    .usage = kOptionListUsage,
};

}  // namespace zub
