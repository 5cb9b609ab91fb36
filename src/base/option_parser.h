// One reader of command-line arguments for every subcommand, driven by a
// table: each row names an option by its spellings, says what value it
// takes (none, a number, a text), what a missing or bad value does and what
// message that prints, and holds the function that stores the value in the
// subcommand's options struct. Rows without a spelling take the operands.
// A few rules per table say what else the arguments may look like: a long
// option may carry its value after "=", short options may be run together
// ("-rn", "-C2") where the table allows it, a one-letter option may carry
// its value run together ("-n5", "-tpy"), and "--" may end the options.
// Pure; thread-safe.
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
  // No value; a habit the subcommand cannot honour: reading stops with the
  // row's message, which names the form that works.
  kRefused,
};

// What an option does when its value is missing, or (numbers) is not a
// number. The value is the next argument, taken whatever it looks like.
enum class BadValue : uint8_t {
  kFallback,  // the number is the row's `fallback`
  kError,     // reading stops with the row's message
  kSkip,      // the option is left out
  // Numbers: a next argument that is not a number is not taken and the
  // option stands alone (its function is called with `alone` set); a
  // missing value is the row's `fallback`. Run together with other short
  // options it takes only the digits right after it.
  kStandAlone,
};

// What an argument that begins with '-' (and is not "-" alone) is when no
// row names it.
enum class UnlistedDash : uint8_t { kOperand, kUnknown };

struct OptionValue {
  std::string_view text{};  // the value (text) or the argument (operands)
  uint64_t number = 0;      // number rows
  bool alone = false;       // a kStandAlone number row given without its number
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
  // Flags: the words that, as the next argument or after "=", are the
  // flag's value ("--color never", "--color=never"); they are taken and not
  // used.
  std::span<const std::string_view> words{};
  // Stores the value; none for operands that are accepted and not used.
  void (*set)(Opts&, const OptionValue&) = nullptr;
  // What the value is called in help ("GLOB"); empty: "N" for a number,
  // "TEXT" for a text.
  std::string_view value_name{};
  // The option's one line of help (Korean), the one source of the
  // subcommand's help, the man page's option list and the README's table.
  std::string_view help{};
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
  // An argument like "-rn" or "-C2" that no row names is read as one-letter
  // options run together; a letter that takes a value takes the rest of the
  // argument, or the next argument when it is the last letter.
  bool short_clusters = false;
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

// One option a table offers, for help and shell completion: refused
// habits are not offered.
struct OptionSummary {
  std::array<std::string_view, 3> spellings{};
  bool takes_value = false;  // a number or a text follows
  std::string_view value_name{};
  std::string_view help{};
};

template <typename Opts>
std::vector<OptionSummary> option_summaries(const OptionTable<Opts>& table) {
  std::vector<OptionSummary> out;
  for (const OptionRow<Opts>& row : table.rows) {
    if (row.spellings[0].empty() || row.kind == OptionKind::kRefused) continue;
    const bool number = row.kind == OptionKind::kNumber;
    const bool value = number || row.kind == OptionKind::kText;
    std::string_view name = row.value_name;
    if (name.empty() && value) name = number ? "N" : "TEXT";
    out.push_back({row.spellings, value, name, row.help});
  }
  return out;
}

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

inline bool is_number(std::string_view text) { return parse_u64(text).has_value(); }

inline bool is_negative(std::string_view text) {
  return text.size() >= 2 && text[0] == '-' && is_number(text.substr(1));
}

// The value of a number or text row whose value is `text` (nothing when
// missing). False when the row's rule drops or fails it.
template <typename Opts>
bool value_of(const OptionRow<Opts>& row, const std::string_view* text, OptionValue& v) {
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
  if (!n && row.on_bad != BadValue::kFallback && row.on_bad != BadValue::kStandAlone) return false;
  v.number = n.value_or(row.fallback);
  return true;
}

template <typename Opts>
bool takes_no_value(const OptionRow<Opts>& row) {
  return row.kind == OptionKind::kFlag || row.kind == OptionKind::kHelp ||
         row.kind == OptionKind::kRefused;
}

inline bool is_word(std::span<const std::string_view> words, std::string_view arg) {
  return std::find(words.begin(), words.end(), arg) != words.end();
}

template <typename Opts>
class Reader {
 public:
  Reader(const std::vector<std::string>& args, const OptionTable<Opts>& table, Opts& opts)
      : args_(args), table_(table), opts_(opts) {
    for (const OptionRow<Opts>& row : table.rows)
      (row.spellings[0].empty() ? operand_rows_ : options_).push_back(&row);
  }

  ParseResult run() {
    const ArgumentRules& rules = table_.rules;
    if (args_.size() < rules.min_args) {
      for (const std::string& a : args_)
        if (const OptionRow<Opts>* r = row_named(a); r != nullptr && r->kind == OptionKind::kHelp)
          return {ParseStatus::kHelp, a, {}};
      return {ParseStatus::kMissing, {}, rules.missing};
    }
    if (table_.prepare != nullptr) table_.prepare(opts_);
    bool reading_options = true;
    for (i_ = 0; i_ < args_.size(); ++i_) {
      const std::string& arg = args_[i_];
      if (i_ < rules.leading) {
        // Only help is an option where an operand must stand.
        if (const OptionRow<Opts>* r = row_named(arg); r != nullptr && r->kind == OptionKind::kHelp)
          return {ParseStatus::kHelp, arg, {}};
      } else if (reading_options) {
        if (rules.double_dash_ends_options && arg == "--") {
          reading_options = false;
          continue;
        }
        std::optional<ParseResult> r = option(arg);
        if (r) {
          if (r->status != ParseStatus::kOk) return *r;
          continue;
        }
        if (rules.operand_ends_options) reading_options = false;
      }
      if (std::optional<ParseResult> r = operand(arg); r) return *r;
    }
    if (rules.needs_operand && operands_ == 0) return {ParseStatus::kMissing, {}, rules.missing};
    return {};
  }

 private:
  const OptionRow<Opts>* row_named(std::string_view arg) const {
    for (const OptionRow<Opts>* r : options_)
      if (names(r->spellings, arg)) return r;
    return nullptr;
  }

  bool used(const OptionRow<Opts>* r) const {
    return std::find(used_.begin(), used_.end(), r) != used_.end();
  }

  // The argument as an option: nothing when it is an operand.
  std::optional<ParseResult> option(const std::string& arg) {
    if (const OptionRow<Opts>* row = row_named(arg)) {
      // A repeated first-only option is an operand like any other.
      if (row->first_only && used(row)) return std::nullopt;
      return apply(*row, arg, nullptr, true);
    }
    if (arg.size() < 2 || arg[0] != '-') return std::nullopt;
    // A negative number is an operand (a width, a count) where short
    // options do not run together.
    if (is_negative(arg) && !table_.rules.short_clusters) return std::nullopt;
    if (arg[1] == '-') {
      // "--name=value"
      const size_t eq = arg.find('=');
      if (eq != std::string::npos) {
        const std::string_view name = std::string_view(arg).substr(0, eq);
        const std::string_view value = std::string_view(arg).substr(eq + 1);
        const OptionRow<Opts>* row = row_named(name);
        if (row != nullptr && !(row->first_only && used(row)) &&
            (row->kind == OptionKind::kNumber || row->kind == OptionKind::kText ||
             row->kind == OptionKind::kRefused || !row->words.empty()))
          return apply(*row, arg, &value, false);
      }
    } else if (table_.rules.short_clusters) {
      if (std::optional<ParseResult> r = cluster(arg)) return r;
    } else if (std::optional<ParseResult> r = glued(arg)) {
      return r;
    }
    if (table_.rules.unlisted_dash == UnlistedDash::kUnknown)
      return ParseResult{ParseStatus::kUnknown, arg, {}};
    return std::nullopt;
  }

  // "-n5", "-tpy": a one-letter option that takes a value, with its value
  // run together (a number's all digits), or a refused one with anything
  // after it; nothing when it is not one.
  std::optional<ParseResult> glued(const std::string& arg) {
    if (arg.size() < 3) return std::nullopt;
    const OptionRow<Opts>* row = row_named(std::string_view(arg).substr(0, 2));
    if (row == nullptr || (row->first_only && used(row))) return std::nullopt;
    const std::string_view value = std::string_view(arg).substr(2);
    if (row->kind == OptionKind::kNumber && !is_number(value)) return std::nullopt;
    if (row->kind != OptionKind::kNumber && row->kind != OptionKind::kText &&
        row->kind != OptionKind::kRefused)
      return std::nullopt;
    return apply(*row, arg, &value, false);
  }

  // Runs `row` with the value `attached` (after "=" or run together), or
  // else, when `may_take_next`, the next argument.
  std::optional<ParseResult> apply(const OptionRow<Opts>& row, std::string_view arg,
                                   const std::string_view* attached, bool may_take_next) {
    used_.push_back(&row);
    OptionValue v;
    if (row.kind == OptionKind::kHelp) return ParseResult{ParseStatus::kHelp, std::string(arg), {}};
    if (row.kind == OptionKind::kRefused)
      return ParseResult{ParseStatus::kBadValue, std::string(arg), row.message};
    if (row.kind == OptionKind::kFlag) {
      if (attached == nullptr && may_take_next && i_ + 1 < args_.size() &&
          is_word(row.words, args_[i_ + 1]))
        ++i_;
    } else {
      std::string_view next;
      const std::string_view* text = attached;
      if (text == nullptr && may_take_next && i_ + 1 < args_.size()) {
        next = args_[i_ + 1];
        text = &next;
        // A number that stands alone leaves a next argument that is not one
        // (a negative number is one, and a bad one).
        if (row.on_bad == BadValue::kStandAlone && !is_number(next) && !is_negative(next))
          return stand_alone(row);
        ++i_;
      }
      if (!value_of(row, text, v)) {
        if (row.on_bad == BadValue::kError)
          return ParseResult{ParseStatus::kBadValue, std::string(arg), row.message};
        return ParseResult{};
      }
    }
    if (row.set != nullptr) row.set(opts_, v);
    return ParseResult{};
  }

  ParseResult stand_alone(const OptionRow<Opts>& row) {
    OptionValue v;
    v.alone = true;
    if (row.set != nullptr) row.set(opts_, v);
    return ParseResult{};
  }

  // "-rn", "-iw", "-C2", "-tpy": every letter must name a row; nothing when
  // one does not (and nothing is applied then).
  std::optional<ParseResult> cluster(const std::string& arg) {
    struct Letter {
      const OptionRow<Opts>* row;
      std::string_view value;  // run together after the letter
      bool takes_next;         // the value is the next argument
    };
    std::vector<Letter> letters;
    for (size_t k = 1; k < arg.size();) {
      const char name[2] = {'-', arg[k]};
      const OptionRow<Opts>* row = row_named(std::string_view(name, 2));
      if (row == nullptr) return std::nullopt;
      const std::string_view rest = std::string_view(arg).substr(k + 1);
      if (takes_no_value(*row)) {
        letters.push_back({row, {}, false});
        ++k;
      } else if (row->on_bad == BadValue::kStandAlone) {
        size_t d = 0;
        while (d < rest.size() && rest[d] >= '0' && rest[d] <= '9') ++d;
        letters.push_back({row, rest.substr(0, d), false});
        k += 1 + d;
      } else {
        letters.push_back({row, rest, rest.empty()});
        break;
      }
    }
    for (const Letter& l : letters) {
      if (!takes_no_value(*l.row) && l.value.empty() && !l.takes_next) {
        used_.push_back(l.row);
        stand_alone(*l.row);
        continue;
      }
      std::optional<ParseResult> r =
          apply(*l.row, arg, l.value.empty() ? nullptr : &l.value, l.takes_next);
      if (r && r->status != ParseStatus::kOk) return r;
    }
    return ParseResult{};
  }

  std::optional<ParseResult> operand(const std::string& arg) {
    ++operands_;
    if (operand_rows_.empty()) return std::nullopt;
    const OptionRow<Opts>& row = *operand_rows_[std::min(operands_, operand_rows_.size()) - 1];
    OptionValue v{arg, 0};
    const std::string_view text = arg;
    if (row.kind == OptionKind::kNumber && !value_of(row, &text, v)) {
      if (row.on_bad == BadValue::kError)
        return ParseResult{ParseStatus::kBadValue, arg, row.message};
      return std::nullopt;
    }
    if (row.set != nullptr) row.set(opts_, v);
    return std::nullopt;
  }

  const std::vector<std::string>& args_;
  const OptionTable<Opts>& table_;
  Opts& opts_;
  std::vector<const OptionRow<Opts>*> options_, operand_rows_, used_;
  size_t i_ = 0;
  size_t operands_ = 0;
};

}  // namespace option_parser_detail

// Reads `args` (the arguments after the subcommand's name) into `opts`,
// left to right; a later use of an option overrides an earlier one the way
// its row's function says. Stops at the first failure. Help is found also
// where an operand must stand and when arguments are missing.
template <typename Opts>
ParseResult parse_options(const std::vector<std::string>& args, const OptionTable<Opts>& table,
                          Opts& opts) {
  return option_parser_detail::Reader<Opts>(args, table, opts).run();
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
