// A tool family's part in diag: its row in the registry (diag_families.cpp)
// names it and gives a cheap shape test, the recogniser that reads its
// lines and the state it keeps between them. diag hands each line to the
// rows in order; a row's recogniser runs only when its shape test passes,
// and the first recogniser that knows the line decides. A new tool's
// format is one file (its state, shape test and recogniser) and one row.
// Single-threaded; one set of states per summary.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "compress/diag_shapes.h"
#include "compress/diag_state.h"

namespace zub {

// One line as the recognisers see it: trimmed and as read, and what the
// line before it left expecting.
struct Line {
  std::string_view t;    // trimmed, never empty
  std::string_view raw;  // as read
  size_t space;          // the first space in `t`, or npos
  uint64_t index;        // the number of non-blank lines up to this one (1 for the first)
  BytePairs pairs;       // of `t`, for may_hold
  Pending pending;
  bool expect_source;
};

// What a recogniser makes of a line: not its shape (the next row tries),
// or its shape and counted as recognised, or its shape but left out of the
// count (a bare file name only sets the context).
enum class Verdict { kNotMine, kRecognized, kContextOnly };

// True when `marked`, the index of a line a family noted (0 for none), is
// the non-blank line right before `l`.
inline bool right_after(uint64_t marked, const Line& l) {
  return marked != 0 && marked + 1 == l.index;
}

inline Verdict yes(bool recognised) {
  return recognised ? Verdict::kRecognized : Verdict::kNotMine;
}

// The memory a family keeps between lines, fresh for every summary.
struct DiagFamilyState {
  virtual ~DiagFamilyState() = default;
};

struct DiagFamily {
  std::string_view name;
  // False when the line cannot be the family's, whatever came before: the
  // recogniser is not asked. Cheap (the first bytes, a flag of the state).
  bool (*shape)(const DiagState&, const DiagFamilyState&, const Line&);
  Verdict (*recognise)(DiagState&, DiagFamilyState&, const Line&);
  std::unique_ptr<DiagFamilyState> (*make_state)();
};

// A row from a family's own state type `S` and its two functions.
template <class S, bool (*Shape)(const DiagState&, const S&, const Line&),
          Verdict (*Recognise)(DiagState&, S&, const Line&)>
constexpr DiagFamily diag_family(std::string_view name) {
  return {name,
          [](const DiagState& st, const DiagFamilyState& s, const Line& l) {
            return Shape(st, static_cast<const S&>(s), l);
          },
          [](DiagState& st, DiagFamilyState& s, const Line& l) {
            return Recognise(st, static_cast<S&>(s), l);
          },
          []() -> std::unique_ptr<DiagFamilyState> { return std::make_unique<S>(); }};
}

// The state of a family that keeps none.
struct NoFamilyState : DiagFamilyState {};

}  // namespace zub
