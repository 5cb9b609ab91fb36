#include "code/source_scope.h"

#include <algorithm>
#include <array>

#include "base/text.h"
#include "code/languages.h"

namespace zub {

namespace {

// The bit of a word in the text before a "{" that tells what it opens.
uint32_t head_word_bit(std::string_view w) {
  switch (w.size()) {
    case 2:
      if (w == "fn") return kFn;
      break;
    case 3:
      if (w == "new") return kNew;
      if (w == "mod") return kMod;
      if (w == "fun") return kFunc;
      break;
    case 4:
      if (w == "enum") return kEnum;
      if (w == "impl") return kImpl;
      if (w == "func") return kFunc;
      break;
    case 5:
      if (w == "class") return kClass;
      if (w == "union") return kUnion;
      if (w == "trait") return kTrait;
      if (w == "actor") return kActor;
      break;
    case 6:
      if (w == "struct") return kStruct;
      if (w == "extern") return kExtern;
      if (w == "record") return kRecord;
      if (w == "module") return kModule;
      if (w == "object") return kObject;
      break;
    case 8:
      if (w == "protocol") return kProtocol;
      if (w == "function") return kFunc;
      break;
    case 9:
      if (w == "namespace") return kNamespace;
      if (w == "interface") return kInterface;
      if (w == "extension") return kExtension;
      break;
    default: break;
  }
  return 0;
}

// What a "{" opens, as the language's row tells it.
code::OpensFn opens_of(SourceLang lang) {
  const code::Language* l = code::language_of(lang);
  return l ? l->opens : nullptr;
}

Scope classify(code::OpensFn opens, const BraceHead& h) { return opens ? opens(h) : Scope::Body; }

std::string_view trim_ascii_end(std::string_view s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// Bytes after which a "/" in JavaScript starts a regular expression, not a
// division.
constexpr auto kRegexAfter = [] {
  std::array<bool, 256> t{};
  for (char c : std::string_view("(,=:[!&|?{};+-*%<>~^")) t[static_cast<unsigned char>(c)] = true;
  return t;
}();

// Index of the "/" that closes the regular expression literal opening at
// `i`, or `i` itself when the line ends first.
size_t regex_end(std::string_view l, size_t i) {
  bool in_class = false;
  for (size_t k = i + 1; k < l.size(); ++k) {
    const char c = l[k];
    if (c == '\\')
      ++k;
    else if (c == '[')
      in_class = true;
    else if (c == ']')
      in_class = false;
    else if (c == '/' && !in_class)
      return k;
  }
  return i;
}

bool regex_after_word(std::string_view w);

// Whether the "/" at `i` starts a regular expression: it does after an
// operator, an opening bracket, a keyword such as return, or at the start.
bool regex_may_start(std::string_view l, size_t i) {
  size_t k = i;
  while (k > 0 && (l[k - 1] == ' ' || l[k - 1] == '\t')) --k;
  if (k == 0) return true;
  const char p = l[k - 1];
  if (!is_ident_byte(p)) return kRegexAfter[static_cast<unsigned char>(p)];
  size_t b = k;
  while (b > 0 && is_ident_byte(l[b - 1])) --b;
  return regex_after_word(l.substr(b, k - b));
}

// Keywords after which a "/" starts a regular expression.
bool regex_after_word(std::string_view w) {
  switch (w.size()) {
    case 2: return w == "in" || w == "of";
    case 4: return w == "case" || w == "void";
    case 5: return w == "throw" || w == "yield" || w == "await";
    case 6: return w == "return" || w == "typeof" || w == "delete";
    case 10: return w == "instanceof";
    default: return false;
  }
}

size_t first_non_space(std::string_view l) {
  size_t k = 0;
  while (k < l.size() && (l[k] == ' ' || l[k] == '\t')) ++k;
  return k;
}

// Conditional-compilation state of C-like files: braces are counted only in
// the first branch of each #if, and not at all under #if 0, so that the
// alternatives of one function head do not open two bodies.
struct Preproc {
  struct Level {
    bool dead;       // #if 0 branch
    bool alternate;  // an #else / #elif branch
  };
  std::vector<Level> levels;
  bool counting() const {
    for (const Level& l : levels)
      if (l.dead || l.alternate) return false;
    return true;
  }
  bool dead() const {
    for (const Level& l : levels)
      if (l.dead) return true;
    return false;
  }
  void directive(std::string_view rest) {
    size_t k = first_non_space(rest);
    size_t e = k;
    while (e < rest.size() && is_ident_byte(rest[e])) ++e;
    const std::string_view word = rest.substr(k, e - k);
    if (word == "if" || word == "ifdef" || word == "ifndef") {
      std::string_view cond = rest.substr(e);
      cond = cond.substr(first_non_space(cond));
      const bool zero =
          word == "if" && (starts_with(cond, "0") && (cond.size() == 1 || !is_ident_byte(cond[1])));
      levels.push_back({zero, false});
    } else if (word == "else" || word == "elif") {
      if (!levels.empty()) levels.back() = {false, true};
    } else if (word == "endif") {
      if (!levels.empty()) levels.pop_back();
    }
  }
};

}  // namespace

namespace {

// Adds one piece of a head's text (comments and strings are skipped) to
// what is known of it. `in_comment` carries a block comment over pieces.
void read_head(uint32_t traits, std::string_view text, BraceHead& head, int& paren,
               bool& in_comment) {
  const size_t n = text.size();
  for (size_t i = 0; i < n; ++i) {
    const char c = text[i];
    if (in_comment) {
      if (c == '*' && i + 1 < n && text[i + 1] == '/') in_comment = false, ++i;
      continue;
    }
    if (is_ident_byte(c)) {
      size_t e = i + 1;
      while (e < n && is_ident_byte(text[e])) ++e;
      if (!(c >= '0' && c <= '9')) {
        const uint32_t bit = head_word_bit(text.substr(i, e - i));
        // What a class or namespace keyword opens does not depend on a
        // macro call in front of it.
        if (bit & (kClass | kStruct | kUnion | kEnum | kNamespace) && paren == 0)
          head.paren = head.assign = false;
        head.words |= bit;
      }
      i = e - 1;
    } else if (c == '/' && i + 1 < n && text[i + 1] == '/') {
      return;
    } else if (c == '/' && i + 1 < n && text[i + 1] == '*') {
      in_comment = true;
      ++i;
    } else if (c == '"' || c == '`' || (c == '\'' && !(traits & code::kLifetimes))) {
      if (c == '"') head.string = true;
      for (++i; i < n && text[i] != c; ++i)
        if (text[i] == '\\') ++i;
    } else if (c == '(') {
      if (paren++ == 0) head.paren = true;
    } else if (c == ')') {
      if (paren > 0) --paren;
    } else if (c == '=' && paren == 0) {
      head.assign = true;
    }
  }
}

// Bytes that matter to the scope scan outside comments and strings: a
// language adds "#" for its hash comments, "<" for heredocs, "@" for
// verbatim strings. ("=" is not one: a head's assignment is seen when its
// text is read.)
std::array<bool, 256> scope_bytes(uint32_t traits) {
  std::array<bool, 256> t{};
  for (char c : std::string_view("/\"'`();{}")) t[static_cast<unsigned char>(c)] = true;
  if (traits & code::kHashComments) t['#'] = true;
  if (traits & code::kHeredocs) t['<'] = true;
  if (traits & code::kVerbatimStrings) t['@'] = true;
  return t;
}

}  // namespace

Scope scope_opened_by(SourceLang lang, std::string_view text) {
  // Only the text after the last statement boundary counts.
  size_t from = 0;
  for (size_t k = text.size(); k-- > 0;) {
    if (text[k] == ';' || text[k] == '{' || text[k] == '}') {
      from = k + 1;
      break;
    }
  }
  BraceHead head;
  int paren = 0;
  bool in_comment = false;
  read_head(code::traits_of(lang), text.substr(from), head, paren, in_comment);
  return classify(opens_of(lang), head);
}

std::vector<LineScope> scan_scopes(SourceLang lang, const std::vector<std::string_view>& lines,
                                   std::vector<BraceBlock>* blocks) {
  const uint32_t traits = code::traits_of(lang);
  const auto has = [traits](uint32_t t) { return (traits & t) != 0; };
  std::vector<LineScope> out(lines.size());
  const bool preproc = has(code::kPreprocessor);
  const bool char_literals = has(code::kCharLiterals);
  const bool lifetimes = has(code::kLifetimes);
  const bool quote_strings = has(code::kQuoteStrings);
  const bool regexes = has(code::kRegexLiterals);
  const bool templates = has(code::kTemplates);
  const bool backtick = templates || has(code::kRawBackticks);
  const bool triple_quotes = has(code::kTripleQuotes);
  const bool nested_comments = has(code::kNestedComments);
  const bool multiline_strings = has(code::kMultilineStrings);
  const bool head_after_paren = has(code::kHeadAfterParen);
  const bool decl_groups = has(code::kDeclGroups);
  const std::array<bool, 256> bytes = scope_bytes(traits);
  const code::OpensFn opens = opens_of(lang);
  std::string_view heredoc;  // the closing word of a heredoc being read

  struct Open {
    Scope scope;
    int paren;
    uint32_t block;  // its entry in `blocks`, when they are recorded
  };
  std::vector<Open> stack;
  enum class In : uint8_t { Code, Comment, Str, Backtick, Triple, Verbatim };
  In in = In::Code;
  char quote = 0;
  int nested_comment = 0;  // Rust block comments nest
  // The braces open in each "${" of a template literal being read.
  std::vector<int> substitutions;
  // Where the current statement's head began, and whether it has a "(".
  size_t head_line = 0, head_col = 0;
  bool head_paren = false;
  const auto start_head = [&](size_t line, size_t col) {
    head_line = line;
    head_col = col;
    head_paren = false;
  };
  int paren = 0;
  bool group = false;
  bool continued = false;  // preprocessor line ending in a backslash
  Preproc pp;

  for (size_t li = 0; li < lines.size(); ++li) {
    const std::string_view l = lines[li];
    const size_t n = l.size();
    Scope cur = stack.empty() ? (group ? Scope::Group : Scope::Top) : stack.back().scope;
    // After a ")" that ended no statement, a line goes on with the same head
    // (qualifiers, a macro's arguments); at file level a line in the first
    // column starts a new one, as after a macro invoked without ";".
    const bool head_goes_on =
        head_paren && head_after_paren && !(stack.empty() && first_non_space(l) == 0);
    out[li] = {cur, in != In::Code || (preproc && pp.dead()), paren > 0 || head_goes_on,
               static_cast<uint32_t>(stack.size())};
    if (!heredoc.empty()) {
      out[li].dead = true;
      const std::string_view t = l.substr(first_non_space(l));
      if (starts_with(t, heredoc) &&
          (t.size() == heredoc.size() || !is_ident_byte(t[heredoc.size()])))
        heredoc = {};
      continue;
    }
    if (continued) {  // the body of a multi-line directive
      continued = n > 0 && l[n - 1] == '\\';
      out[li].dead = true;
      continue;
    }
    if (preproc && in == In::Code) {
      const size_t k = first_non_space(l);
      if (k < n && l[k] == '#') {
        pp.directive(l.substr(k + 1));
        continued = n > 0 && l[n - 1] == '\\';
        out[li].dead = pp.dead();
        continue;
      }
    }
    const bool counting = !preproc || pp.counting();
    if (in == In::Str && !multiline_strings) in = In::Code;  // most strings end with their line
    for (size_t i = 0; i < n; ++i) {
      switch (in) {
        case In::Comment:
          if (!nested_comments) {
            const size_t e = find_bytes(l, "*/", i);
            if (e == std::string_view::npos) {
              i = n;
            } else {
              i = e + 1;
              in = In::Code;
            }
          } else if (l[i] == '*' && i + 1 < n && l[i + 1] == '/') {
            ++i;
            if (nested_comment > 0)
              --nested_comment;
            else
              in = In::Code;
          } else if (l[i] == '/' && i + 1 < n && l[i + 1] == '*') {
            ++i;
            ++nested_comment;
          }
          continue;
        case In::Str:
          while (i < n && l[i] != quote && l[i] != '\\') ++i;
          if (i < n) {
            if (l[i] == '\\')
              ++i;
            else
              in = In::Code;
          }
          continue;
        case In::Backtick:
          if (l[i] == '\\' && templates) {
            ++i;
          } else if (l[i] == '`') {
            in = In::Code;
          } else if (l[i] == '$' && i + 1 < n && l[i + 1] == '{' && templates) {
            // A substitution is code again, up to its own "}".
            substitutions.push_back(0);
            in = In::Code;
            ++i;
          }
          continue;
        case In::Triple: {
          const size_t e = find_bytes(l, "\"\"\"", i);
          if (e == std::string_view::npos) {
            i = n;
          } else {
            i = e + 2;
            in = In::Code;
          }
          continue;
        }
        case In::Verbatim:
          if (l[i] == '"') {
            if (i + 1 < n && l[i + 1] == '"')
              ++i;
            else
              in = In::Code;
          }
          continue;
        case In::Code: break;
      }
      while (i < n && !bytes[static_cast<unsigned char>(l[i])]) ++i;
      if (i == n) break;
      const char c = l[i];
      switch (c) {
        case '/':
          if (i + 1 < n && l[i + 1] == '/')
            i = n;
          else if (i + 1 < n && l[i + 1] == '*')
            in = In::Comment, ++i;
          else if (regexes && regex_may_start(l, i))
            i = regex_end(l, i);
          break;
        case '"':
          if (triple_quotes && i + 2 < n && l[i + 1] == '"' && l[i + 2] == '"')
            in = In::Triple, i += 2;
          else
            in = In::Str, quote = '"';
          break;
        case '#':  // a comment unless an attribute
          if (i + 1 >= n || l[i + 1] != '[') i = n;
          break;
        case '@':  // a verbatim string
          if (i + 1 < n && l[i + 1] == '"')
            in = In::Verbatim, ++i;
          else if (i + 2 < n && l[i + 1] == '$' && l[i + 2] == '"')
            in = In::Verbatim, i += 2;
          break;
        case '<':  // a heredoc or nowdoc, whose body starts on the next line
          if (i + 2 < n && l[i + 1] == '<' && l[i + 2] == '<') {
            size_t k = i + 3;
            while (k < n && (l[k] == ' ' || l[k] == '\'' || l[k] == '"')) ++k;
            size_t e = k;
            while (e < n && is_ident_byte(l[e])) ++e;
            if (e > k) heredoc = l.substr(k, e - k);
            i = n;
          }
          break;
        case '\'':
          if (quote_strings) {
            in = In::Str, quote = '\'';
          } else if (char_literals || lifetimes) {
            // A character literal; where lifetimes exist, a quote not closed
            // two or three bytes later is one.
            if (i + 2 < n && l[i + 2] == '\'')
              i += 2;
            else if (i + 3 < n && l[i + 1] == '\\' && l[i + 3] == '\'')
              i += 3;
            else if (char_literals && i + 1 < n && l[i + 1] == '\\') {
              size_t e = i + 2;
              while (e < n && e < i + 12 && l[e] != '\'') ++e;
              i = e;
            }
          }
          break;
        case '`':
          if (backtick) in = In::Backtick;
          break;
        default:
          if (!counting) break;
          if (c == '(') {
            if (paren == 0) {
              head_paren = true;
              if (stack.empty() && decl_groups) {
                const std::string_view before = trim_ascii_end(l.substr(0, i));
                group =
                    before == "const" || before == "var" || before == "type" || before == "import";
              }
            }
            ++paren;
          } else if (c == ')') {
            if (paren > 0) --paren;
            if (paren == 0 && group && stack.empty()) {
              group = false;
              start_head(li, i + 1);
            }
          } else if (c == ';' && paren == 0) {
            start_head(li, i + 1);
          } else if (c == '{' && !substitutions.empty()) {
            ++substitutions.back();
          } else if (c == '}' && !substitutions.empty()) {
            if (substitutions.back() == 0) {
              substitutions.pop_back();
              in = In::Backtick;
            } else {
              --substitutions.back();
            }
          } else if (c == '{') {
            // What the brace opens is read from the head's text, once.
            BraceHead head;
            int head_parens = 0;
            bool in_comment = false;
            for (size_t hl = head_line; hl <= li; ++hl) {
              const std::string_view t = lines[hl];
              if (preproc && !in_comment && first_non_space(t) < t.size() &&
                  t[first_non_space(t)] == '#')
                continue;
              const size_t from = hl == head_line ? std::min(head_col, t.size()) : 0;
              const size_t to = hl == li ? i : t.size();
              read_head(traits, t.substr(from, to - from), head, head_parens, in_comment);
            }
            const Scope opened = classify(opens, head);
            uint32_t index = kNoBlock;
            if (blocks) {
              index = static_cast<uint32_t>(blocks->size());
              BraceBlock b;
              b.head_line = head_line;
              b.head_col = head_col;
              b.open_line = li;
              b.open_col = i;
              b.parent = stack.empty() ? kNoBlock : stack.back().block;
              b.scope = opened;
              blocks->push_back(b);
            }
            stack.push_back({opened, paren, index});
            paren = 0;
            start_head(li, i + 1);
          } else if (c == '}') {
            if (!stack.empty()) {
              paren = stack.back().paren;
              if (blocks && stack.back().block != kNoBlock) {
                (*blocks)[stack.back().block].close_line = li;
                (*blocks)[stack.back().block].close_col = i;
              }
              stack.pop_back();
            }
            start_head(li, i + 1);
          }
          break;
      }
    }
    // Statements may end at the line's end; in some languages only when
    // neither the line nor the next one shows that it goes on.
    if (has(code::kLineEndsStatement) && paren == 0) start_head(li + 1, 0);
    // An annotation or attribute line with arguments ("@Named("x")",
    // "[Obsolete("y")]") is no head whose ")" the next line continues.
    if (head_paren && paren == 0 && in == In::Code && has(code::kAnnotationLines)) {
      const size_t k = first_non_space(l);
      if (k < n && (l[k] == '@' || (l[k] == '[' && has(code::kBracketAttributes))))
        head_paren = false;
    }
    if (has(code::kLineEndsUnlessContinued) && paren == 0 && in == In::Code) {
      const std::string_view t = trim_ascii_end(l);
      const char last = t.empty() ? 0 : t.back();
      std::string_view next = li + 1 < lines.size() ? lines[li + 1] : std::string_view{};
      next = next.substr(first_non_space(next));
      const bool goes_on = std::string_view(":,=(<.&|").find(last) != std::string_view::npos ||
                           (!next.empty() && (next[0] == ':' || next[0] == '.' || next[0] == ','));
      if (!goes_on && last != 0) start_head(li + 1, 0);
    }
  }
  return out;
}

}  // namespace zub
