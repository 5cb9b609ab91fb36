#include "cli/option_help.h"

#include "base/unicode.h"

namespace zub {

namespace {

// "-n, --lines N": every spelling, the value after the last.
std::string spelled(const OptionSummary& o) {
  std::string out;
  for (std::string_view s : o.spellings) {
    if (s.empty()) continue;
    if (!out.empty()) out += ", ";
    out += s;
  }
  if (o.takes_value) {
    out += ' ';
    out += o.value_name;
  }
  return out;
}

// Columns a text takes in a terminal (wide characters two).
size_t columns(std::string_view text) {
  size_t n = 0;
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    const size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    n += len == 3 ? 2 : 1;
    i += len;
  }
  return n;
}

// roff: a backslash and a hyphen are escapes; a line must not begin with a
// dot or a quote.
std::string roff(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '\\')
      out += "\\e";
    else if (c == '-')
      out += "\\-";
    else
      out += c;
  }
  if (!out.empty() && (out[0] == '.' || out[0] == '\'')) out.insert(0, "\\&");
  return out;
}

std::string markdown_cell(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c == '|') out += '\\';
    out += c;
  }
  return out;
}

}  // namespace

std::string option_list_text(const std::vector<OptionSummary>& options) {
  if (options.empty()) return {};
  constexpr size_t kMostLeft = 30;  // a longer left side puts the help on its own line
  size_t width = 0;
  for (const OptionSummary& o : options) {
    const size_t w = columns(spelled(o));
    if (w <= kMostLeft && w > width) width = w;
  }
  std::string out = "옵션:\n";
  for (const OptionSummary& o : options) {
    const std::string left = spelled(o);
    out += "  ";
    out += left;
    const size_t w = columns(left);
    if (w > width) {
      out += "\n  ";
      out.append(width, ' ');
    } else {
      out.append(width - w, ' ');
    }
    out += "  ";
    out += o.help;
    out += '\n';
  }
  out.pop_back();
  return out;
}

std::string option_list_man(const std::vector<OptionSummary>& options) {
  std::string out = ".RS\n";
  for (const OptionSummary& o : options) {
    out += ".TP\n";
    bool first = true;
    for (std::string_view s : o.spellings) {
      if (s.empty()) continue;
      if (!first) out += ", ";
      first = false;
      out += "\\fB";
      out += roff(s);
      out += "\\fR";
    }
    if (o.takes_value) {
      out += " \\fI";
      out += roff(o.value_name);
      out += "\\fR";
    }
    out += '\n';
    out += roff(o.help);
    out += '\n';
  }
  out += ".RE\n";
  return out;
}

std::string option_list_markdown(const std::vector<OptionSummary>& options) {
  std::string out = "| option | meaning |\n|---|---|\n";
  for (const OptionSummary& o : options) {
    out += "| ";
    bool first = true;
    for (std::string_view s : o.spellings) {
      if (s.empty()) continue;
      if (!first) out += ", ";
      first = false;
      out += '`';
      out += s;
      if (o.takes_value) {
        out += ' ';
        out += o.value_name;
      }
      out += '`';
    }
    out += " | ";
    out += markdown_cell(o.help);
    out += " |\n";
  }
  return out;
}

std::string option_list_begin(std::string_view format, std::string_view sub) {
  std::string what = "zub:options ";
  what += sub;
  what += " (written from the option table: tools/doc_options.py --fix)";
  std::string line = format == "man" ? ".\\\" " : "<!-- ";
  line += what;
  line += format == "man" ? "\n" : " -->\n";
  return line;
}

std::string option_list_end(std::string_view format) {
  return format == "man" ? ".\\\" zub:options end\n" : "<!-- zub:options end -->\n";
}

}  // namespace zub
