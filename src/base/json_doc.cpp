#include "base/json_doc.h"

#include <algorithm>

#include "base/ascii.h"
#include "base/json_string.h"
#include "base/utf8.h"

namespace zub {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The offset of the first byte that does not belong to well-formed UTF-8;
// npos when there is none.
size_t first_invalid_utf8(std::string_view s) {
  size_t i = 0;
  while (i < s.size()) {
    const size_t at = i;
    if (static_cast<unsigned char>(s[i]) < 0x80) {
      ++i;
      continue;
    }
    if (decode_next(s, i) == 0xFFFD && s.compare(at, 3, "\xEF\xBF\xBD") != 0) return at;
  }
  return std::string_view::npos;
}

JsonError error_at(std::string_view text, size_t at, std::string reason) {
  JsonError e;
  e.line = 1;
  e.column = 1;
  for (size_t k = 0; k < at && k < text.size(); ++k) {
    if (text[k] == '\n') {
      ++e.line;
      e.column = 1;
    } else if ((static_cast<unsigned char>(text[k]) & 0xC0) != 0x80) {
      ++e.column;
    }
  }
  e.reason = std::move(reason);
  return e;
}

// A recursive-descent reader that keeps every byte it reads in the value
// it builds. Recursion is bounded by kMaxJsonDepth.
class Parser {
 public:
  explicit Parser(std::string_view text) : t_(text) {}

  bool document(JsonDocument& doc) {
    if (t_.substr(0, kByteOrderMark.size()) == kByteOrderMark) i_ = kByteOrderMark.size();
    doc.lead = t_.substr(0, i_);
    doc.lead += space();
    if (!value(doc.root, 1)) return false;
    doc.trail = space();
    if (i_ < t_.size()) return fail("값 뒤에 다른 내용이 있다");
    return true;
  }

  size_t at() const { return fail_at_; }
  const std::string& reason() const { return reason_; }

 private:
  std::string_view t_;
  size_t i_ = 0;
  size_t fail_at_ = 0;
  std::string reason_;

  bool fail(std::string reason) {
    fail_at_ = i_;
    reason_ = std::move(reason);
    return false;
  }
  bool at_end() const { return i_ >= t_.size(); }
  char peek() const { return at_end() ? '\0' : t_[i_]; }

  std::string space() {
    const size_t from = i_;
    while (!at_end() && is_json_space(t_[i_])) ++i_;
    return std::string(t_.substr(from, i_ - from));
  }

  bool value(JsonValue& v, size_t depth) {
    if (at_end()) return fail("값이 와야 하는데 글이 끝났다");
    const char c = t_[i_];
    if (c == '{' || c == '[') {
      if (depth > kMaxJsonDepth) return fail("중첩이 너무 깊다");
      return container(v, depth, c == '{');
    }
    if (c == '"') {
      v.kind = JsonValue::Kind::kString;
      return string_token(v.text);
    }
    if (c == '-' || is_digit(c)) {
      v.kind = JsonValue::Kind::kNumber;
      return number(v.text);
    }
    for (auto [word, kind] : {std::pair{std::string_view("true"), JsonValue::Kind::kTrue},
                              std::pair{std::string_view("false"), JsonValue::Kind::kFalse},
                              std::pair{std::string_view("null"), JsonValue::Kind::kNull}}) {
      if (t_.substr(i_, word.size()) == word) {
        v.kind = kind;
        v.text = word;
        i_ += word.size();
        return true;
      }
    }
    return fail("값이 와야 한다");
  }

  bool string_token(std::string& text) {
    const size_t open = i_++;
    while (!at_end()) {
      const char c = t_[i_];
      if (c == '"') {
        ++i_;
        text = t_.substr(open, i_ - open);
        return true;
      }
      if (static_cast<unsigned char>(c) < 0x20) return fail("문자열 안에 제어 문자가 있다");
      if (c != '\\') {
        ++i_;
        continue;
      }
      const char e = i_ + 1 < t_.size() ? t_[i_ + 1] : '\0';
      if (e == 'u') {
        for (size_t k = 2; k < 6; ++k)
          if (i_ + k >= t_.size() || !is_hex_digit(t_[i_ + k]))
            return fail("잘못된 \\u 이스케이프");
        i_ += 6;
      } else if (std::string_view("\"\\/bfnrt").find(e) != std::string_view::npos) {
        i_ += 2;
      } else {
        return fail("잘못된 이스케이프");
      }
    }
    i_ = open;
    return fail("문자열의 닫는 따옴표가 없다");
  }

  size_t digits() {
    const size_t from = i_;
    while (!at_end() && is_digit(t_[i_])) ++i_;
    return i_ - from;
  }

  bool number(std::string& text) {
    const size_t from = i_;
    if (peek() == '-') ++i_;
    if (peek() == '0') {
      ++i_;
    } else if (digits() == 0) {
      return fail("잘못된 숫자");
    }
    if (peek() == '.') {
      ++i_;
      if (digits() == 0) return fail("잘못된 숫자");
    }
    if (peek() == 'e' || peek() == 'E') {
      ++i_;
      if (peek() == '+' || peek() == '-') ++i_;
      if (digits() == 0) return fail("잘못된 숫자");
    }
    text = t_.substr(from, i_ - from);
    return true;
  }

  bool container(JsonValue& v, size_t depth, bool object) {
    v.kind = object ? JsonValue::Kind::kObject : JsonValue::Kind::kArray;
    const char close = object ? '}' : ']';
    ++i_;
    std::string before = space();
    if (peek() == close) {
      ++i_;
      v.inner = std::move(before);
      return true;
    }
    while (true) {
      JsonEntry e;
      e.before = std::move(before);
      if (object) {
        if (peek() != '"') return fail("키(따옴표로 싼 문자열)가 와야 한다");
        if (!string_token(e.key)) return false;
        e.before_colon = space();
        if (peek() != ':') return fail("':' 가 와야 한다");
        ++i_;
        e.after_colon = space();
      }
      if (!value(e.value, depth + 1)) return false;
      std::string after = space();
      const char c = peek();
      if (at_end()) return fail(object ? "닫는 '}' 없이 글이 끝났다" : "닫는 ']' 없이 글이 끝났다");
      if (c != ',' && c != close)
        return fail(object ? "',' 나 '}' 가 와야 한다" : "',' 나 ']' 가 와야 한다");
      ++i_;
      if (c == close) {
        v.inner = std::move(after);
        v.entries.push_back(std::move(e));
        return true;
      }
      e.after = std::move(after);
      v.entries.push_back(std::move(e));
      before = space();
    }
  }
};

void write_value(std::string& out, const JsonValue& v) {
  if (!v.is_object() && !v.is_array()) {
    out += v.text;
    return;
  }
  out += v.is_object() ? '{' : '[';
  for (size_t k = 0; k < v.entries.size(); ++k) {
    const JsonEntry& e = v.entries[k];
    if (k > 0) out += ',';
    out += e.before;
    if (v.is_object()) {
      out += e.key;
      out += e.before_colon;
      out += ':';
      out += e.after_colon;
    }
    write_value(out, e.value);
    out += e.after;
  }
  out += v.inner;
  out += v.is_object() ? '}' : ']';
}

// Sets the white space of a value built in memory, whose first line is
// indented by `indent`.
void lay_out(JsonValue& v, const std::string& indent, const JsonLayout& layout) {
  if (!v.is_object() && !v.is_array()) return;
  const std::string inside = indent + layout.unit;
  for (size_t k = 0; k < v.entries.size(); ++k) {
    JsonEntry& e = v.entries[k];
    e.before = layout.multiline ? layout.newline + inside : k > 0 ? layout.space : "";
    e.before_colon.clear();
    e.after_colon = v.is_object() ? layout.colon : "";
    e.after.clear();
    lay_out(e.value, inside, layout);
  }
  v.inner = layout.multiline && !v.entries.empty() ? layout.newline + indent : "";
}

std::string_view after_last_newline(std::string_view ws) {
  const size_t nl = ws.rfind('\n');
  return nl == std::string_view::npos ? std::string_view() : ws.substr(nl + 1);
}

}  // namespace

JsonParse parse_json(std::string_view text) {
  JsonParse r;
  const size_t bad = first_invalid_utf8(text);
  if (bad != std::string_view::npos) {
    r.error = error_at(text, bad, "UTF-8 이 아닌 바이트가 있다");
    return r;
  }
  Parser p(text);
  JsonDocument doc;
  if (p.document(doc))
    r.doc = std::move(doc);
  else
    r.error = error_at(text, p.at(), p.reason());
  return r;
}

std::string write_json(const JsonValue& value) {
  std::string out;
  write_value(out, value);
  return out;
}

std::string write_json(const JsonDocument& doc) {
  std::string out = doc.lead;
  write_value(out, doc.root);
  out += doc.trail;
  return out;
}

std::optional<std::string> json_text(const JsonValue& value) {
  if (value.kind != JsonValue::Kind::kString) return std::nullopt;
  return json_string_at(value.text, 0);
}

std::optional<std::string> json_key(const JsonEntry& entry) {
  if (entry.key.empty()) return std::nullopt;
  return json_string_at(entry.key, 0);
}

bool same_json(const JsonValue& a, const JsonValue& b) {
  if (a.kind != b.kind) return false;
  if (a.kind == JsonValue::Kind::kString) return json_text(a) == json_text(b);
  if (!a.is_object() && !a.is_array()) return a.text == b.text;
  if (a.entries.size() != b.entries.size()) return false;
  for (size_t k = 0; k < a.entries.size(); ++k) {
    const JsonEntry &x = a.entries[k], &y = b.entries[k];
    if (json_key(x) != json_key(y) || !same_json(x.value, y.value)) return false;
  }
  return true;
}

std::optional<size_t> find_member(const JsonValue& object, std::string_view key) {
  if (!object.is_object()) return std::nullopt;
  for (size_t k = 0; k < object.entries.size(); ++k)
    if (json_key(object.entries[k]) == key) return k;
  return std::nullopt;
}

JsonValue* member(JsonValue& object, std::string_view key) {
  const std::optional<size_t> k = find_member(object, key);
  return k ? &object.entries[*k].value : nullptr;
}

const JsonValue* member(const JsonValue& object, std::string_view key) {
  const std::optional<size_t> k = find_member(object, key);
  return k ? &object.entries[*k].value : nullptr;
}

JsonValue json_string(std::string_view decoded) {
  JsonValue v;
  v.kind = JsonValue::Kind::kString;
  append_json_quoted(v.text, decoded);
  return v;
}

JsonValue json_object() {
  JsonValue v;
  v.kind = JsonValue::Kind::kObject;
  return v;
}

JsonValue json_array() {
  JsonValue v;
  v.kind = JsonValue::Kind::kArray;
  return v;
}

void add_member(JsonValue& object, std::string_view key, JsonValue value) {
  JsonEntry e;
  append_json_quoted(e.key, key);
  e.value = std::move(value);
  object.entries.push_back(std::move(e));
}

void add_element(JsonValue& array, JsonValue value) {
  JsonEntry e;
  e.value = std::move(value);
  array.entries.push_back(std::move(e));
}

JsonLayout detect_layout(const JsonDocument& doc) {
  JsonLayout layout;
  const std::vector<JsonEntry>& top = doc.root.entries;
  if (top.empty()) return layout;
  const auto spread = std::find_if(top.begin(), top.end(), [](const JsonEntry& e) {
    return e.before.find('\n') != std::string::npos;
  });
  if (spread == top.end()) {
    layout.multiline = false;
    layout.space = top.size() > 1 ? top[1].before : top[0].before;
  } else {
    layout.unit = after_last_newline(spread->before);
    const size_t nl = spread->before.rfind('\n');
    if (nl > 0 && spread->before[nl - 1] == '\r') layout.newline = "\r\n";
  }
  if (doc.root.is_object()) layout.colon = top[0].after_colon;
  return layout;
}

std::string entry_indent(const JsonEntry& entry, const std::string& container_indent,
                         const JsonLayout& layout) {
  if (entry.before.find('\n') != std::string::npos)
    return std::string(after_last_newline(entry.before));
  return layout.multiline ? container_indent + layout.unit : container_indent;
}

void append_entry(JsonValue& container, JsonEntry entry, const std::string& indent,
                  const JsonLayout& layout) {
  entry.after.clear();
  if (!container.entries.empty()) {
    const JsonEntry& last = container.entries.back();
    entry.before = last.before;
    entry.before_colon = last.before_colon;
    entry.after_colon = last.after_colon;
  } else {
    entry.before = layout.multiline ? layout.newline + indent + layout.unit : "";
    entry.before_colon.clear();
    entry.after_colon = container.is_object() ? layout.colon : "";
    if (layout.multiline && container.inner.find('\n') == std::string::npos)
      container.inner = layout.newline + indent;
  }
  lay_out(entry.value, entry_indent(entry, indent, layout), layout);
  container.entries.push_back(std::move(entry));
}

void remove_entry(JsonValue& container, size_t index) {
  std::vector<JsonEntry>& es = container.entries;
  if (index >= es.size()) return;
  if (es.size() == 1) {
    es.clear();
    container.inner.clear();
    return;
  }
  if (index == 0) es[1].before = std::move(es[0].before);
  es.erase(es.begin() + static_cast<std::ptrdiff_t>(index));
}

}  // namespace zub
