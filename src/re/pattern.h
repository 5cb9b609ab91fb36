// The tool's own regular-expression language: the syntax tree, the program
// the matcher runs, and the compiled form shared by every search thread.
// A CompiledPattern is immutable after compile_pattern returns, so any
// number of threads may read it at once.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zub {

// One bit per byte value.
struct ByteSet {
  std::array<uint64_t, 4> bits{};
  bool has(uint8_t b) const { return (bits[b >> 6] >> (b & 63)) & 1; }
  void add(uint8_t b) { bits[b >> 6] |= uint64_t{1} << (b & 63); }
  void add_range(uint8_t lo, uint8_t hi) {
    for (unsigned b = lo; b <= hi; ++b) add(static_cast<uint8_t>(b));
  }
  void complement() {
    for (uint64_t& w : bits) w = ~w;
  }
  bool operator==(const ByteSet&) const = default;
};

enum class NodeKind : uint8_t {
  kEmpty,
  kLiteral,
  kAny,
  kClass,
  kConcat,
  kAlternation,
  kStar,
  kPlus,
  kOptional,
  kStart,
  kEnd,
  kWordBoundary,
};

// Syntax tree node. `size` is the number of program instructions the
// subtree compiles to and `depth` its height; both are kept up to date as the
// parser builds nodes so that oversized patterns are refused before they are
// expanded.
struct PatternNode {
  NodeKind kind = NodeKind::kEmpty;
  uint8_t byte = 0;   // kLiteral
  bool flag = false;  // kWordBoundary: true = boundary, false = negation
  uint32_t cls = 0;   // kClass: index into the class table
  uint64_t size = 0;
  uint32_t depth = 1;
  std::vector<PatternNode> children;
};

enum class InstKind : uint8_t {
  kChar,
  kAny,
  kClass,
  kSplit,
  kJump,
  kAssertStart,
  kAssertEnd,
  kWordBoundary,
  kMatch,
};

struct PatternInst {
  InstKind kind = InstKind::kMatch;
  uint8_t byte = 0;   // kChar
  bool flag = false;  // kWordBoundary
  uint32_t x = 0;     // kClass: class index; kSplit/kJump: first target
  uint32_t y = 0;     // kSplit: second target
};

struct CompiledPattern {
  uint64_t id = 0;  // unique per compilation; copies share it (and their content)
  std::vector<PatternInst> program;
  std::vector<ByteSet> classes;
  std::string required;  // bytes every match contains (may be empty)
  bool icase = false;
  // When the closure of the program's entry holds no assertion and no
  // match, a match can only start at a byte of `start_bytes`: the thread
  // simulation then skips the other positions while no thread is alive.
  bool start_simple = false;
  ByteSet start_bytes;
  // The program of the reversed expression (every concatenation read right
  // to left), for finding longest matches in one backward pass. Its
  // assertions keep their meaning at a text position. `reverse_simple` and
  // `reverse_start_bytes` describe its entry as start_simple and start_bytes
  // do the forward entry: which bytes can end a match.
  std::vector<PatternInst> reverse_program;
  bool reverse_simple = false;
  ByteSet reverse_start_bytes;
};

// Limits that keep a hostile pattern from exhausting memory or the stack:
// nested bounded repetitions multiply, and every nesting level is a level of
// recursion in the compiler.
inline constexpr uint64_t kMaxProgramSize = 1u << 21;
inline constexpr uint32_t kMaxPatternDepth = 800;

// Error texts of the parser.
inline constexpr std::string_view kErrTrailingBackslash = "패턴이 `\\` 로 끝났다";
inline constexpr std::string_view kErrUnclosedBracket = "`]` 가 닫히지 않았다";
inline constexpr std::string_view kErrUnclosedParen = "`)` 가 닫히지 않았다";
inline constexpr std::string_view kErrTooLarge = "패턴이 너무 크다(반복·중첩을 줄여라)";
// Syntax of other engines that this language does not have: refused, so a
// pattern never silently means something else and finds nothing.
inline constexpr std::string_view kErrLookaround =
    "앞뒤 보기 `(?=` `(?!` `(?<=` `(?<!` 는 지원하지 않는다(찾는 부분만 패턴으로 써라)";
inline constexpr std::string_view kErrBackreference = "역참조 `\\1`…`\\9` 는 지원하지 않는다";
inline constexpr std::string_view kErrGroupSyntax =
    "`(?` 뒤에는 `:` 나 이름(`(?<이름>`, `(?P<이름>`)만 올 수 있다(인라인 플래그는 -i 로)";
inline constexpr std::string_view kErrCharClass =
    "모르는 문자 클래스 `[:…:]` (alpha digit alnum upper lower space blank punct xdigit word "
    "cntrl print graph)";

}  // namespace zub
