// One reader of command-line arguments for every subcommand, driven by a
// table: each row names an option by its spellings, says what value it
// takes (none, a number, a text), what a missing or bad value does and what
// message that prints, and holds the function that stores the value in the
// subcommand's options struct. Rows without a spelling take the operands.
// A few rules per table say what else the arguments may look like. Pure;
// thread-safe.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/number.h"

namespace zub {

enum class OptionKind : uint8_t {
  kFlag,    // no value
  kNumber,  // a decimal number (base/number's rule), at least the row's `min`
  kText,    // any text
  kHelp,    // no value; reading stops and the caller prints the usage
};

// What an option does when its value is missing, or (numbers) is not a
// number. The value is the next argument, taken whatever it looks like.
enum class BadValue : uint8_t {
  kFallback,  // the number is the row's `fallback`
  kError,     // reading stops with the row's message
  kSkip,      // the option is left out
};

// What an argument that begins with '-' (and is not "-" alone) is when no
// row names it.
enum class UnlistedDash : uint8_t { kOperand, kUnknown };

struct OptionValue {
  std::string_view text{};  // the value (text) or the argument (operands)
  uint64_t number = 0;      // number rows
};

template <typename Opts>
struct OptionRow {
  // Up to three spellings ("-c", "--bytes"); none for an operand row.
  std::array<std::string_view, 3> spellings{};
  OptionKind kind = OptionKind::kFlag;
  BadValue on_bad = BadValue::kSkip;
  uint64_t fallback = 0;
  uint64_t min = 0;
  // Only the first use is this option; later ones are operands.
  bool first_only = false;
  std::string_view message{};  // printed for BadValue::kError
  // Stores the value; none for operands that are accepted and not used.
  void (*set)(Opts&, const OptionValue&) = nullptr;
};

// The rules of one subcommand's argument list besides its rows.
struct ArgumentRules {
  // The first `leading` arguments are operands whatever they look like.
  size_t leading = 0;
  // Fewer arguments than this, or no operand at all where one is needed,
  // is the "missing" failure with `missing` (empty: the caller's usage).
  size_t min_args = 0;
  bool needs_operand = false;
  std::string_view missing{};
  UnlistedDash unlisted_dash = UnlistedDash::kOperand;
  // The first operand ends the options, and so does "--" (which is
  // dropped): what follows is a command line of its own.
  bool operand_ends_options = false;
  bool double_dash_ends_options = false;
};

template <typename Opts>
struct OptionTable {
  using Options = Opts;
  ArgumentRules rules{};
  // Options in any order; operand rows in the order of the operands, the
  // last one taking every further operand.
  std::span<const OptionRow<Opts>> rows{};
  // The subcommand's usage lines for help and unknown options; empty when
  // the caller takes them from its usage text.
  std::string_view usage{};
  // Sets what the environment decides before the arguments override it.
  void (*prepare)(Opts&) = nullptr;
};

enum class ParseStatus : uint8_t { kOk, kHelp, kUnknown, kBadValue, kMissing };

struct ParseResult {
  ParseStatus status = ParseStatus::kOk;
  // Owned: a result may outlive the argument list it was read from.
  std::string argument{};      // the unknown option, or the option whose value was bad
  std::string_view message{};  // the row's message (kBadValue), the rules' (kMissing)
};

namespace option_parser_detail {

inline bool names(std::span<const std::string_view, 3> spellings, std::string_view arg) {
  for (std::string_view s : spellings)
    if (!s.empty() && s == arg) return true;
  return false;
}

// The value of a number or text row whose value is `text` (nothing when
// missing). False when the row's rule drops or fails it.
template <typename Opts>
bool value_of(const OptionRow<Opts>& row, const std::string* text, OptionValue& v) {
  if (row.kind == OptionKind::kText) {
    if (text == nullptr) return false;
    v.text = *text;
    return true;
  }
  std::optional<uint64_t> n;
  if (text != nullptr) {
    v.text = *text;
    n = parse_u64(*text);
  }
  if (n && *n < row.min) n.reset();
  if (!n && row.on_bad != BadValue::kFallback) return false;
  v.number = n.value_or(row.fallback);
  return true;
}

// The option row spelt `arg`, unless it is a first-only row already `used`.
template <typename Opts>
const OptionRow<Opts>* option_row(std::span<const OptionRow<Opts>> rows, std::string_view arg,
                                  const std::vector<const OptionRow<Opts>*>& used) {
  for (const OptionRow<Opts>& r : rows) {
    if (!names(r.spellings, arg)) continue;
    if (r.first_only && std::find(used.begin(), used.end(), &r) != used.end()) continue;
    return &r;
  }
  return nullptr;
}

// The row of operand number `index` (from 0): that operand row, or the
// last one; none when the table has no operand row.
template <typename Opts>
const OptionRow<Opts>* operand_row(std::span<const OptionRow<Opts>> rows, size_t index) {
  const OptionRow<Opts>* row = nullptr;
  for (const OptionRow<Opts>& r : rows) {
    if (!r.spellings[0].empty()) continue;
    row = &r;
    if (index-- == 0) break;
  }
  return row;
}

// Stores the value of `arg` (`value`; nothing when missing) by the row's
// rule. A failure only for BadValue::kError.
template <typename Opts>
ParseResult store(const OptionRow<Opts>& row, std::string_view arg, const std::string* value,
                  Opts& opts) {
  OptionValue v;
  if (row.kind != OptionKind::kFlag && !value_of(row, value, v)) {
    if (row.on_bad == BadValue::kError)
      return {ParseStatus::kBadValue, std::string(arg), row.message};
    return {};
  }
  if (row.set != nullptr) row.set(opts, v);
  return {};
}

}  // namespace option_parser_detail

// Reads `args` (the arguments after the subcommand's name) into `opts`,
// left to right; a later use of an option overrides an earlier one the way
// its row's function says. Stops at the first failure.
template <typename Opts>
ParseResult parse_options(const std::vector<std::string>& args, const OptionTable<Opts>& table,
                          Opts& opts) {
  namespace d = option_parser_detail;
  const ArgumentRules& rules = table.rules;
  if (args.size() < rules.min_args) return {ParseStatus::kMissing, {}, rules.missing};
  if (table.prepare != nullptr) table.prepare(opts);
  std::vector<const OptionRow<Opts>*> used;
  size_t operands = 0;
  bool reading_options = true;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (i >= rules.leading && reading_options) {
      if (rules.double_dash_ends_options && arg == "--") {
        reading_options = false;
        continue;
      }
      if (const OptionRow<Opts>* row = d::option_row(table.rows, arg, used)) {
        used.push_back(row);
        if (row->kind == OptionKind::kHelp) return {ParseStatus::kHelp, std::string(arg), {}};
        // The value is the next argument, whatever it looks like.
        const std::string* value = nullptr;
        if (row->kind != OptionKind::kFlag && i + 1 < args.size()) value = &args[++i];
        const ParseResult stored = d::store(*row, arg, value, opts);
        if (stored.status != ParseStatus::kOk) return stored;
        continue;
      }
      if (arg.size() >= 2 && arg[0] == '-' && rules.unlisted_dash == UnlistedDash::kUnknown)
        return {ParseStatus::kUnknown, std::string(arg), {}};
      if (rules.operand_ends_options) reading_options = false;
    }
    if (const OptionRow<Opts>* row = d::operand_row(table.rows, operands++)) {
      const ParseResult stored = d::store(*row, arg, &arg, opts);
      if (stored.status != ParseStatus::kOk) return stored;
    }
  }
  if (rules.needs_operand && operands == 0) return {ParseStatus::kMissing, {}, rules.missing};
  return {};
}

// Setters for the common rows: a member set to true, to the number (at
// least 1), to the text, to a fixed value, or the text appended to a list.
template <typename M>
struct MemberOf;
template <typename C, typename F>
struct MemberOf<F C::*> {
  using Class = C;
};

template <auto M>
void set_true(typename MemberOf<decltype(M)>::Class& o, const OptionValue&) {
  o.*M = true;
}

template <auto M>
void set_number(typename MemberOf<decltype(M)>::Class& o, const OptionValue& v) {
  o.*M = v.number;
}

template <auto M>
void set_text(typename MemberOf<decltype(M)>::Class& o, const OptionValue& v) {
  o.*M = std::string(v.text);
}

template <auto M>
void set_at_least_one(typename MemberOf<decltype(M)>::Class& o, const OptionValue& v) {
  o.*M = std::max<uint64_t>(v.number, 1);
}

template <auto M, auto Value>
void set_to(typename MemberOf<decltype(M)>::Class& o, const OptionValue&) {
  o.*M = Value;
}

template <auto M>
void append_text(typename MemberOf<decltype(M)>::Class& o, const OptionValue& v) {
  (o.*M).emplace_back(v.text);
}

}  // namespace zub
