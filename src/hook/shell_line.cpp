#include "hook/shell_line.h"

#include <algorithm>

#include "base/ascii.h"

namespace zub {

namespace {

enum class Cut { kNone, kPipe, kEnd };

bool is_word_break(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == ';' || c == '&' || c == '|' || c == '(' ||
         c == ')' || c == '<' || c == '>';
}

// Reads the shell's tokens of one line: words with their quoting removed,
// and the places where a stage (`|`) or a pipeline (`;`, `&&`, `||`, `&`,
// a line feed) ends. Redirections and their targets, comments and the
// bodies of here-documents are skipped.
class Lexer {
 public:
  explicit Lexer(std::string_view s) : s_(s) {}

  // The next word into `word` (true), or the cut that comes first (false,
  // with *cut set; kNone at the end of the line).
  bool next(std::string& word, Cut* cut) {
    while (true) {
      while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t')) ++i_;
      if (i_ >= s_.size()) {
        *cut = Cut::kNone;
        return false;
      }
      const char c = s_[i_];
      if (c == '#') {
        while (i_ < s_.size() && s_[i_] != '\n') ++i_;
        continue;
      }
      if (c == '\n') {
        ++i_;
        skip_here_documents();
        *cut = Cut::kEnd;
        return false;
      }
      if (c == ';' || c == ')' || c == '(') {
        ++i_;
        if (c == '(') continue;  // a subshell's stages are the line's own
        *cut = Cut::kEnd;
        return false;
      }
      if (c == '|') {
        ++i_;
        if (i_ < s_.size() && s_[i_] == '|') {
          ++i_;
          *cut = Cut::kEnd;
          return false;
        }
        if (i_ < s_.size() && s_[i_] == '&') ++i_;
        *cut = Cut::kPipe;
        return false;
      }
      if (c == '&' && !(i_ + 1 < s_.size() && s_[i_ + 1] == '>')) {
        ++i_;
        if (i_ < s_.size() && s_[i_] == '&') ++i_;
        *cut = Cut::kEnd;
        return false;
      }
      if (redirection()) continue;
      word.clear();
      read_word(word);
      return true;
    }
  }

 private:
  // A redirection at i_ (`2>&1`, `>out`, `&> log`, `<<EOF`): skipped with
  // its target; true when there was one.
  bool redirection() {
    size_t j = i_;
    while (j < s_.size() && is_digit(s_[j])) ++j;
    if (j < s_.size() && s_[j] == '&' && j == i_) ++j;  // &> and &>>
    if (j >= s_.size() || (s_[j] != '>' && s_[j] != '<')) return false;
    const char op = s_[j++];
    bool here = false;
    if (op == '<' && j < s_.size() && s_[j] == '<') {
      ++j;
      if (j < s_.size() && s_[j] == '<') {
        ++j;  // a here-string: its word is the target
      } else {
        here = true;
        if (j < s_.size() && s_[j] == '-') ++j;
      }
    } else if (j < s_.size() && (s_[j] == '>' || s_[j] == '|' || s_[j] == '&' || s_[j] == '<')) {
      const bool dup = s_[j] == '&';
      ++j;
      if (dup) {
        size_t k = j;
        while (k < s_.size() && (is_digit(s_[k]) || s_[k] == '-')) ++k;
        if (k > j) {
          i_ = k;
          return true;
        }
      }
    }
    i_ = j;
    while (i_ < s_.size() && (s_[i_] == ' ' || s_[i_] == '\t')) ++i_;
    std::string target;
    if (i_ < s_.size() && !is_word_break(s_[i_])) read_word(target);
    if (here && !target.empty() && pending_.size() < kMaxShellStages) pending_.push_back(target);
    return true;
  }

  // Skips the bodies of the here-documents opened on the line just ended.
  void skip_here_documents() {
    for (const std::string& end : pending_) {
      while (i_ < s_.size()) {
        size_t nl = s_.find('\n', i_);
        const size_t stop = nl == std::string_view::npos ? s_.size() : nl;
        std::string_view line = s_.substr(i_, stop - i_);
        while (!line.empty() && line.front() == '\t') line.remove_prefix(1);
        i_ = nl == std::string_view::npos ? s_.size() : nl + 1;
        if (line == end) break;
      }
    }
    pending_.clear();
  }

  // Copies a `$(…)`, `${…}` or backquoted part as it is; s_[i_] opens it.
  void read_nested(std::string& word, char open, char close) {
    word += s_[i_++];
    int depth = 1;
    while (i_ < s_.size()) {
      const char c = s_[i_++];
      word += c;
      if (c == '\\' && i_ < s_.size()) {
        word += s_[i_++];
      } else if (c == close) {
        if (--depth == 0) return;
      } else if (c == open) {
        ++depth;
      }
    }
  }

  void read_word(std::string& word) {
    while (i_ < s_.size() && !is_word_break(s_[i_])) {
      const char c = s_[i_];
      if (c == '\'') {
        const size_t end = s_.find('\'', i_ + 1);
        const size_t stop = end == std::string_view::npos ? s_.size() : end;
        word.append(s_.substr(i_ + 1, stop - i_ - 1));
        i_ = end == std::string_view::npos ? s_.size() : end + 1;
      } else if (c == '"') {
        ++i_;
        while (i_ < s_.size() && s_[i_] != '"') {
          if (s_[i_] == '\\' && i_ + 1 < s_.size() &&
              std::string_view("\"\\$`\n").find(s_[i_ + 1]) != std::string_view::npos) {
            if (s_[i_ + 1] != '\n') word += s_[i_ + 1];
            i_ += 2;
            continue;
          }
          word += s_[i_++];
        }
        if (i_ < s_.size()) ++i_;
      } else if (c == '\\') {
        if (i_ + 1 < s_.size() && s_[i_ + 1] != '\n') word += s_[i_ + 1];
        i_ += 2;
      } else if (c == '$' && i_ + 1 < s_.size() && (s_[i_ + 1] == '(' || s_[i_ + 1] == '{')) {
        word += '$';
        ++i_;
        read_nested(word, s_[i_], s_[i_] == '(' ? ')' : '}');
      } else if (c == '`') {
        read_nested(word, '`', '`');
      } else {
        word += c;
        ++i_;
      }
    }
    i_ = std::min(i_, s_.size());
  }

  std::string_view s_;
  size_t i_ = 0;
  std::vector<std::string> pending_;  // here-document delimiters of this line
};

bool is_assignment(std::string_view w) {
  const size_t eq = w.find('=');
  if (eq == std::string_view::npos || eq == 0) return false;
  if (is_digit(w[0])) return false;
  return std::all_of(w.begin(), w.begin() + static_cast<std::ptrdiff_t>(eq),
                     [](char c) { return is_alnum(c) || c == '_'; });
}

// Words of the shell's grammar that start a stage without being a program.
bool is_keyword(std::string_view w) {
  for (std::string_view k : {"if", "then", "else", "elif", "do", "while", "until", "!", "{", "}",
                             "fi", "done", "esac", "time"})
    if (w == k) return true;
  return false;
}

// Drops words[from] and the options after it. `with_value`: options that
// take the next word as their value.
size_t skip_options(const std::vector<std::string>& words, size_t from,
                    std::initializer_list<std::string_view> with_value) {
  size_t i = from;
  while (i < words.size() && words[i].size() > 1 && words[i][0] == '-') {
    if (words[i] == "--") return i + 1;
    const bool takes =
        std::find(with_value.begin(), with_value.end(), words[i]) != with_value.end();
    i += takes ? 2 : 1;
  }
  return i;
}

bool is_shell(std::string_view name) {
  return name == "sh" || name == "bash" || name == "zsh" || name == "dash" || name == "ksh";
}

// For `sh -c LINE` and its spellings (`bash -lc`, `sh -e -c`): the index
// of LINE, or 0 when the shell runs a script file or reads standard input.
size_t shell_script_at(const std::vector<std::string>& w) {
  for (size_t i = 1; i < w.size(); ++i) {
    const std::string& o = w[i];
    if (o.size() < 2 || o[0] != '-') return 0;
    if (o.find('c') != std::string::npos && o[1] != '-') return i + 1 < w.size() ? i + 1 : 0;
  }
  return 0;
}

// How many leading words only change how the program runs, and whether the
// rest is a nested shell line (*script set to its index then).
size_t wrapper_words(const std::vector<std::string>& w, size_t* script) {
  *script = 0;
  size_t i = 0;
  while (i < w.size()) {
    if (is_assignment(w[i]) || is_keyword(w[i])) {
      ++i;
      continue;
    }
    const std::string_view p = program_name(w[i]);
    const std::string_view next = i + 1 < w.size() ? std::string_view(w[i + 1]) : "";
    if (p == "env") {
      i = skip_options(w, i + 1, {"-u", "-C", "-S", "--unset", "--chdir"});
    } else if (p == "nohup" || p == "command" || p == "exec" || p == "builtin") {
      ++i;
    } else if (p == "nice" || p == "ionice" || p == "stdbuf" || p == "doas" || p == "sudo") {
      i = skip_options(w, i + 1, {"-n", "-c", "-u", "-g", "-o", "-e", "-i"});
    } else if (p == "timeout") {
      i = skip_options(w, i + 1, {"-s", "-k", "--signal", "--kill-after"});
      if (i < w.size()) ++i;  // the duration
    } else if (p == "xargs") {
      i = skip_options(w, i + 1, {"-n", "-P", "-I", "-L", "-s", "-d", "-E", "-a"});
    } else if (p == "npx" || p == "bunx" || p == "pnpx") {
      i = skip_options(w, i + 1, {"-p", "--package"});
    } else if ((p == "pnpm" || p == "yarn") && (next == "exec" || next == "dlx")) {
      i = skip_options(w, i + 2, {});
    } else if (p == "npm" && (next == "exec" || next == "x")) {
      i = skip_options(w, i + 2, {"-p", "--package"});
    } else if ((p == "uv" || p == "poetry" || p == "pipenv" || p == "pdm" || p == "hatch" ||
                p == "rye") &&
               next == "run") {
      i = skip_options(w, i + 2, {"--with", "--python", "-p", "--directory", "--project"});
    } else if (is_shell(p)) {
      const size_t at = shell_script_at(
          std::vector<std::string>(w.begin() + static_cast<std::ptrdiff_t>(i), w.end()));
      if (at != 0) *script = i + at;
      return i;
    } else {
      return i;
    }
  }
  return i;
}

void add_stages(std::string_view line, size_t depth, std::vector<ShellStage>& out) {
  Lexer lex(line);
  std::vector<std::string> words;
  bool piped_in = false;
  std::string word;
  auto flush = [&](Cut cut) {
    size_t script = 0;
    const size_t skip = wrapper_words(words, &script);
    if (script != 0 && depth < kMaxShellWrapDepth) {
      add_stages(words[script], depth + 1, out);
    } else if (skip < words.size() && out.size() < kMaxShellStages) {
      ShellStage st;
      st.words.assign(words.begin() + static_cast<std::ptrdiff_t>(skip), words.end());
      st.piped_in = piped_in;
      out.push_back(std::move(st));
    }
    words.clear();
    piped_in = cut == Cut::kPipe;
  };
  while (out.size() < kMaxShellStages) {
    Cut cut = Cut::kNone;
    if (lex.next(word, &cut)) {
      words.push_back(word);
      continue;
    }
    flush(cut);
    if (cut == Cut::kNone) break;
  }
}

}  // namespace

std::string_view program_name(std::string_view word) {
  const size_t slash = word.rfind('/');
  return slash == std::string_view::npos ? word : word.substr(slash + 1);
}

std::vector<ShellStage> shell_stages(std::string_view line) {
  std::vector<ShellStage> out;
  add_stages(line, 0, out);
  return out;
}

}  // namespace zub
