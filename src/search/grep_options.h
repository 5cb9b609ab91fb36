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
    "  ROOT 에 `-` 를 주면 stdin 을 필터링한다";

struct GrepOptions {
  std::vector<std::string> patterns;
  bool regex = false;
  bool icase = false;
  bool word = false;
  bool invert = false;
  bool files_only = false;
  bool count = false;
  bool only_matching = false;
  uint64_t before = 0;
  uint64_t after = 0;
  bool context_requested = false;
  uint64_t limit = 8;  // lines shown per file
  uint64_t file_cap = 400;
  std::vector<std::string> roots;
  FileFilter filter;
};

// The --ext value: pieces between commas, trimmed of white space and of
// leading dots, empty pieces dropped.
std::vector<std::string> parse_ext_list(std::string_view value);

}  // namespace zub
