#include "html/html_strip.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>

#include "base/ascii.h"
#include "base/text.h"
#include "html/class_words.h"
#include "html/css_hidden.h"
#include "html/entities.h"
#include "html/tag_attrs.h"

namespace zub {

namespace {

constexpr size_t npos = std::string_view::npos;

// A root shorter than this is more likely a teaser box than the article.
constexpr size_t kMinRootBytes = 400;

constexpr size_t kMaxNames = 19;
constexpr size_t kMaxNameLen = 8;
using NameList = std::array<std::string_view, kMaxNames>;

// A list of element names and, for each length and first letter, the bits
// of the names that have them: nearly every tag of a page is ruled out by
// one load.
struct NameSet {
  NameList names;
  std::array<uint32_t, (kMaxNameLen + 1) * 26> by_start{};

  constexpr explicit NameSet(NameList list) : names(list) {
    for (size_t i = 0; i < names.size() && !names[i].empty(); ++i)
      by_start[names[i].size() * 26 + static_cast<size_t>(names[i][0] - 'a')] |= uint32_t{1} << i;
  }
};

// clang-format off
constexpr NameSet kDropped{{
    "head",   "script", "style",  "noscript", "template", "svg",
    "nav",    "footer", "aside",  "form",     "iframe",   "picture",
    "video",  "canvas", "select", "button",   "dialog",   "noembed",
    "noframes"}};
// clang-format on

// Dropped elements that a page may wrap around all of its content (a whole
// page inside one form is how some site builders lay pages out): when the
// main content is wanted, one that starts in the first quarter of the body
// and spans more than half of it is marked as boilerplate instead, so that
// it stays when it holds most of the page's text.
bool wraps_pages(std::string_view name) {
  return name == "form" || name == "nav" || name == "aside" || name == "footer";
}

// Elements whose content is code or drawing, never text a reader sees.
constexpr NameSet kCode{{"script", "style", "svg"}};

bool eq_lower(const char* p, std::string_view lower) {
  for (size_t i = 0; i < lower.size(); ++i) {
    char c = p[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
    if (c != lower[i]) return false;
  }
  return true;
}

// The index of `name` (lower case) in `set`, or -1.
int name_index(const NameSet& set, std::string_view name) {
  if (name.size() > kMaxNameLen || name[0] < 'a' || name[0] > 'z') return -1;
  for (uint32_t bits = set.by_start[name.size() * 26 + static_cast<size_t>(name[0] - 'a')];
       bits != 0; bits &= bits - 1) {
    const int i = std::countr_zero(bits);
    if (set.names[static_cast<size_t>(i)] == name) return i;
  }
  return -1;
}

// Finds "</name" (name compared case-insensitively) at or after a position.
// Remembers its last answer per name: the scan only moves forward, so every
// byte is searched at most once per name even when closing tags are missing.
struct CloseFinder {
  std::string_view text;
  const NameList& names;
  std::array<size_t, kMaxNames> searched_from{};
  std::array<size_t, kMaxNames> found{};
  std::array<bool, kMaxNames> valid{};

  size_t find(int idx, size_t from) {
    const size_t i = static_cast<size_t>(idx);
    if (valid[i] && searched_from[i] <= from && (found[i] == npos || found[i] >= from))
      return found[i];
    const std::string_view name = names[i];
    size_t at = from;
    size_t result = npos;
    const char* base = text.data();
    while (at < text.size()) {
      const void* hit = std::memchr(base + at, '<', text.size() - at);
      if (!hit) break;
      at = static_cast<size_t>(static_cast<const char*>(hit) - base);
      if (at + 2 + name.size() > text.size()) break;
      if (base[at + 1] == '/' && eq_lower(base + at + 2, name)) {
        result = at;
        break;
      }
      ++at;
    }
    valid[i] = true;
    searched_from[i] = from;
    found[i] = result;
    return result;
  }
};

size_t after_gt(std::string_view s, size_t from) {
  size_t gt = s.find('>', from);
  return gt == npos ? s.size() : gt + 1;
}

// Deeper nesting than this is counted but not tracked: memory stays bounded
// and a closing tag still balances its own opening tag.
constexpr size_t kMaxDepth = 4096;
// A closing tag looks this far down the open elements for its own.
constexpr size_t kMaxCloseSearch = 256;
constexpr size_t kMaxMarked = 4096;
// An element hidden by a style that holds more than this many times the
// text that the rest of the page shows is taken as shown (by a script).
constexpr size_t kShownShare = 2;
constexpr size_t kMaxSyncWork = 4096;

bool is_void(std::string_view name) {
  switch (name.size()) {
    case 2: return name == "br" || name == "hr";
    case 3: return name == "img" || name == "col" || name == "wbr";
    case 4: return name == "area" || name == "base" || name == "link" || name == "meta";
    case 5: return name == "embed" || name == "input" || name == "param" || name == "track";
    case 6: return name == "source" || name == "keygen";
    default: return false;
  }
}

// Elements whose opening tag ends an open p element.
bool closes_p(std::string_view name) {
  switch (name.size()) {
    case 1: return name == "p";
    case 2:
      return (name[0] == 'h' && name[1] >= '1' && name[1] <= '6') || name == "ul" || name == "ol" ||
             name == "dl" || name == "hr";
    case 3: return name == "div" || name == "pre" || name == "nav";
    case 4: return name == "main" || name == "menu";
    case 5: return name == "table" || name == "aside";
    case 6: return name == "header" || name == "footer" || name == "figure";
    case 7: return name == "section" || name == "article" || name == "details";
    case 10: return name == "blockquote" || name == "figcaption";
    default: return false;
  }
}

// Never dropped as boilerplate, whatever their class says: the document,
// its body, its article and main parts and tables (layout tables hold
// whole pages).
bool is_guarded(std::string_view name) {
  switch (name.size()) {
    case 2: return name == "tr" || name == "td" || name == "th";
    case 4: return name == "html" || name == "body" || name == "main";
    case 5: return name == "table" || name == "thead" || name == "tbody" || name == "tfoot";
    case 7: return name == "article" || name == "caption";
    default: return false;
  }
}

// True when the class value lists `word` as a whole class name.
bool has_class_word(std::string_view cls, std::string_view word) {
  for (size_t at = cls.find(word); at != npos; at = cls.find(word, at + 1)) {
    const bool starts = at == 0 || cls[at - 1] == ' ' || cls[at - 1] == '\t';
    const size_t end = at + word.size();
    const bool ends = end == cls.size() || cls[end] == ' ' || cls[end] == '\t';
    if (starts && ends) return true;
  }
  return false;
}

// Adds the sheets of the style elements in `html` to `sel`; true when one
// hides something.
bool add_sheets(std::string_view html, HiddenSelectors& sel) {
  bool added = false;
  for (size_t at = find_ascii_ci(html, "<style", 0); at != npos;
       at = find_ascii_ci(html, "<style", at + 1)) {
    const size_t gt = html.find('>', at);
    if (gt == npos) break;
    const char next = html[at + 6];
    if (next != '>' && next != ' ' && next != '\t' && next != '\n' && next != '/') continue;
    const size_t close = find_ascii_ci(html, "</style", gt + 1);
    added |= sel.add_sheet(html.substr(gt + 1, (close == npos ? html.size() : close) - gt - 1));
    if (close == npos) break;
    at = close;
  }
  return added;
}

constexpr uint8_t kHiddenEntry = 1;
constexpr uint8_t kCommentEntry = 2;

struct OpenElement {
  size_t tag_at = 0;  // its opening tag in the document
  size_t tag_len = 0;
  char name[33];
  uint8_t len = 0;
  uint8_t flags = 0;
  int32_t candidate = -1;
  int32_t boilerplate = -1;
  std::string_view view() const { return std::string_view(name, len); }
};

struct StripPass {
  StripPass(std::string_view h, const NameSet& d, const HiddenSelectors* hs, StrippedPage* m)
      : html(h), dropped(d), hidden(hs), marks(m) {}

  std::string_view html;
  const NameSet& dropped;
  const HiddenSelectors* hidden;
  StrippedPage* marks;  // nullptr: only the text is wanted
  // Where the style sheets met on the way are collected (nullptr: none).
  // A sheet that may hide an element that went by (by the names noted in
  // `seen`) makes the pass `late`: that element was judged without it.
  HiddenSelectors* collect = nullptr;
  HiddenSelectors::Seen seen{};
  bool seen_any = false;
  size_t sync_work = 0;  // open elements judged again as sheets came
  bool seen_body = false;
  size_t body_at = 0;  // where the body element opens
  bool late = false;
  // The selector context of each open element, while the sheets have
  // selectors that look at ancestors.
  std::vector<HiddenSelectors::Context> contexts;
  // Where the first-candidate span of content_root begins and ends, read on
  // the way: the first opening tag of each candidate and the last closing
  // tag of each name, in the document and in the output.
  std::array<size_t, 4> first_open{npos, npos, npos, npos};
  std::array<size_t, 4> first_open_out{};
  std::array<size_t, 3> last_close{npos, npos, npos};
  std::array<size_t, 3> last_close_out{};

  // The roles of recent class and id values: pages repeat a few of them.
  // The entries are left uninitialised (the bits of `roles_used` say which
  // hold a value): clearing them all would cost more than a small page's
  // lookups save.
  struct RoleEntry {
    const char* cls;
    const char* id;
    size_t cls_len;
    size_t id_len;
    ClassRole role;
  };
  std::array<RoleEntry, 256> roles;
  std::array<uint64_t, 4> roles_used{};

  std::string out;
  std::vector<OpenElement> stack;
  size_t overflow = 0;       // opened beyond kMaxDepth, not yet closed
  size_t suppress_from = 0;  // stack size right after the hidden element opened; 0: none
  size_t comment_depth = 0;
  bool hid_text = false;  // a hidden element held text other than white space
  // Text bytes copied, and held by the hidden element being skipped and by
  // the one hidden by a style that held the most so far (with where its
  // opening tag starts).
  size_t visible_text = 0;
  size_t hidden_now = 0;
  size_t hidden_now_at = npos;
  size_t widest_hidden = 0;
  size_t widest_hidden_at = npos;
  // The opening tag of an element hidden by a style that is taken as shown.
  size_t shown_at = npos;

  bool suppressing() const { return suppress_from != 0; }

  void pop() {
    const OpenElement& e = stack.back();
    if (marks) {
      if (e.candidate >= 0) marks->candidates[static_cast<size_t>(e.candidate)].end = out.size();
      if (e.boilerplate >= 0)
        marks->boilerplate[static_cast<size_t>(e.boilerplate)].end = out.size();
    }
    if (e.flags & kCommentEntry) --comment_depth;
    if (contexts.size() == stack.size()) contexts.pop_back();
    stack.pop_back();
    if (stack.size() < suppress_from) {
      suppress_from = 0;
      if (hidden_now_at != npos && hidden_now > widest_hidden) {
        widest_hidden = hidden_now;
        widest_hidden_at = hidden_now_at;
      }
      hidden_now = 0;
      hidden_now_at = npos;
    }
  }

  ClassRole role_of(std::string_view cls, std::string_view id) {
    if (cls.empty() && id.empty()) return ClassRole::none;
    auto mix = [](std::string_view v, uint32_t h) {
      const size_t n = std::min<size_t>(v.size(), 24);
      for (size_t i = 0; i < n; ++i) h = (h ^ static_cast<unsigned char>(v[i])) * 16777619u;
      return (h ^ static_cast<uint32_t>(v.size())) * 16777619u;
    };
    const size_t slot = mix(id, mix(cls, 2166136261u)) % roles.size();
    RoleEntry& e = roles[slot];
    const uint64_t bit = uint64_t{1} << (slot % 64);
    if ((roles_used[slot / 64] & bit) && std::string_view(e.cls, e.cls_len) == cls &&
        std::string_view(e.id, e.id_len) == id)
      return e.role;
    roles_used[slot / 64] |= bit;
    e = {cls.data(), id.data(), cls.size(), id.size(), class_role(cls, id)};
    return e.role;
  }

  void note_candidate_tag(size_t lt, std::string_view name, bool closing) {
    const int k = name == "article" ? 0 : name == "main" ? 1 : name == "div" ? 2 : -1;
    if (k < 0) return;
    const size_t ku = static_cast<size_t>(k);
    if (closing) {
      last_close[ku] = lt;
      last_close_out[ku] = out.size();
      return;
    }
    size_t slot = ku;
    if (k == 2) {
      // Only these exact spellings, as the first attribute.
      auto at_lt = [&](std::string_view lower) {
        return lt + 1 + lower.size() <= html.size() && eq_lower(html.data() + lt + 1, lower);
      };
      if (at_lt("div id=\"content"))
        slot = 2;
      else if (at_lt("div class=\"content"))
        slot = 3;
      else
        return;
    }
    if (first_open[slot] == npos) {
      first_open[slot] = lt;
      first_open_out[slot] = out.size();
    }
  }

  // Just past a tag's end: `end` is its ">" or the end of the page.
  size_t past(size_t end) const { return end < html.size() ? end + 1 : end; }

  // The bytes of html[from, to) without the white space at its ends.
  size_t text_bytes(size_t from, size_t to) const {
    while (from < to && is_html_space(html[from])) ++from;
    while (to > from && is_html_space(html[to - 1])) --to;
    return to - from;
  }

  // An element from html[lt] to its closing tag at `close` that starts in
  // the first quarter of the body and holds more than half of it.
  bool wraps_page(size_t lt, size_t close) const {
    const size_t body = html.size() - body_at;
    return close != npos && 4 * (lt - std::min(lt, body_at)) < body && 2 * (close - lt) > body;
  }

  bool use_contexts() const { return hidden && hidden->needs_context(); }

  // After a sheet arrived: the contexts of the elements already open (only
  // html, head and body, or the pass is late).
  void sync_contexts() {
    if (!use_contexts()) return;
    contexts.resize(stack.size());
    for (size_t k = 0; k < stack.size(); ++k) {
      const std::string_view tag = html.substr(stack[k].tag_at, stack[k].tag_len);
      (void)hidden->hides(stack[k].view(), tag, read_tag_attrs(tag), k ? &contexts[k - 1] : nullptr,
                          &contexts[k]);
    }
  }

  // An opening tag from html[lt] to html[end] (its ">" or the end).
  void open_tag(size_t lt, size_t end, std::string_view name) {
    const std::string_view tag = html.substr(lt, end - lt);
    if (is_void(name) || (!tag.empty() && tag.back() == '/')) {
      if (!suppressing()) out.append(html.data() + lt, past(end) - lt);
      return;
    }
    if (!stack.empty()) {
      const std::string_view top = stack.back().view();
      if ((name == "li" && top == "li") ||
          ((name == "dt" || name == "dd") && (top == "dt" || top == "dd")) ||
          ((name == "td" || name == "th" || name == "tr") && (top == "td" || top == "th")) ||
          (top == "p" && closes_p(name)))
        pop();
      if (name == "tr" && !stack.empty() && stack.back().view() == "tr") pop();
    }
    if (stack.size() >= kMaxDepth) {
      ++overflow;
      if (!suppressing()) out.append(html.data() + lt, past(end) - lt);
      return;
    }
    const TagAttrs attrs = read_tag_attrs(tag);
    // A sheet never hides html or body, and their contexts are judged
    // again as sheets come.
    HiddenSelectors::Seen* note = nullptr;
    if (collect && name != "html" && name != "body") {
      note = &seen;
      seen_any = true;
    }
    if (name == "body" && !seen_body) {
      seen_body = true;
      body_at = lt;
    }
    OpenElement e;
    e.tag_at = lt;
    e.tag_len = tag.size();
    std::copy(name.begin(), name.end(), e.name);
    e.len = static_cast<uint8_t>(name.size());
    const bool was_suppressing = suppressing();
    bool sheet_hides = false;
    // The names are noted by the rule lookup when there is one (one walk
    // over the class names).
    if (use_contexts()) {
      // Inside a hidden element the context no longer matters. The parent
      // is taken after the new context is added, which may move them all.
      contexts.emplace_back();
      const HiddenSelectors::Context* parent =
          contexts.size() > 1 ? &contexts[contexts.size() - 2] : nullptr;
      if (!was_suppressing) {
        sheet_hides = hidden->hides(name, tag, attrs, parent, &contexts.back(), note);
        note = nullptr;
      }
    } else if (hidden && !was_suppressing) {
      sheet_hides = hidden->hides(name, tag, attrs, nullptr, nullptr, note);
      note = nullptr;
    }
    if (note) HiddenSelectors::note_seen(name, attrs, *note);
    // A page that hides its whole document or body by a style waits for a
    // script to show it (a guard against a flash of unstyled text): the
    // reader sees it.
    const bool whole = name == "body" || name == "html";
    const bool by_attribute = attrs.hidden || attrs.aria_hidden;
    if (!was_suppressing &&
        (by_attribute || (!whole && lt != shown_at &&
                          ((!attrs.style.empty() && style_hides(attrs.style)) || sheet_hides)))) {
      e.flags |= kHiddenEntry;
      hidden_now = 0;
      hidden_now_at = by_attribute ? npos : lt;
      stack.push_back(e);
      suppress_from = stack.size();
      out.push_back('\n');
      return;
    }
    if (!was_suppressing && marks) {
      // A section's id names its heading, not its role.
      const bool section = name == "section" || has_class_word(attrs.cls, "section");
      ClassRole role = role_of(attrs.cls, section ? std::string_view() : attrs.id);
      // A landmark role says what the element is in the page's own words.
      if (const ClassRole landmark = landmark_role(attrs.role);
          landmark != ClassRole::none && role != ClassRole::comment)
        role = landmark;
      const bool wrapper = wraps_pages(name);
      if (wrapper && role != ClassRole::comment) role = ClassRole::boilerplate;
      if (role == ClassRole::comment) {
        e.flags |= kCommentEntry;
        ++comment_depth;
      }
      const bool candidate_name = name == "article" || name == "main";
      if (comment_depth == 0 && marks->candidates.size() < kMaxMarked &&
          (role == ClassRole::content || (candidate_name && role == ClassRole::none))) {
        e.candidate = static_cast<int32_t>(marks->candidates.size());
        marks->candidates.push_back({out.size(), npos});
      }
      if ((role == ClassRole::comment || role == ClassRole::boilerplate) && !is_guarded(name) &&
          marks->boilerplate.size() < kMaxMarked) {
        e.boilerplate = static_cast<int32_t>(marks->boilerplate.size());
        marks->boilerplate.push_back({out.size(), npos, wrapper});
      }
    }
    stack.push_back(e);
    if (!was_suppressing) out.append(html.data() + lt, past(end) - lt);
  }

  void close_tag(size_t lt, size_t end, std::string_view name) {
    const bool was_suppressing = suppressing();
    if (overflow > 0) {
      --overflow;
    } else {
      const size_t lowest = stack.size() > kMaxCloseSearch ? stack.size() - kMaxCloseSearch : 0;
      for (size_t k = stack.size(); k-- > lowest;) {
        if (stack[k].view() != name) continue;
        while (stack.size() > k) pop();
        break;
      }
    }
    if (!was_suppressing) out.append(html.data() + lt, past(end) - lt);
  }

  void run() {
    out.reserve(html.size());
    CloseFinder closes{html, dropped.names};
    const char* base = html.data();
    const size_t n = html.size();
    size_t pos = 0;
    while (pos < n) {
      const void* hit = std::memchr(base + pos, '<', n - pos);
      if (!hit) {
        if (!suppressing() && !late) {
          out.append(base + pos, n - pos);
          visible_text += n - pos;
        }
        break;
      }
      const size_t lt = static_cast<size_t>(static_cast<const char*>(hit) - base);
      if (!suppressing() && !late) {
        out.append(base + pos, lt - pos);
        // White space included: trimming every run between tags would
        // cost more than the comparison it serves is worth.
        visible_text += lt - pos;
      } else if (suppressing()) {
        const size_t bytes = text_bytes(pos, lt);
        hidden_now += bytes;
        if (bytes > 0) hid_text = true;
      }
      if (html.compare(lt, 4, "<!--") == 0) {
        const size_t end = html.find("-->", lt + 4);
        pos = end == npos ? n : end + 3;
        continue;
      }
      char name_buf[33];
      const size_t name_len = read_tag_name(html, lt, name_buf);
      const std::string_view name(name_buf, name_len);
      size_t after = lt + 1;
      while (after < n && html[after] == '/') ++after;
      after += name_len;
      const char next = after < n ? html[after] : '>';
      const bool name_ends =
          next == '\t' || next == '\n' || next == ' ' || next == '/' || next == '>';
      const bool closing = lt + 1 < n && html[lt + 1] == '/';
      const int idx = name_len == 0 ? -1 : name_index(dropped, name);
      // A dropped element that wraps the page is read as any other when
      // the main content is wanted (and so is its closing tag).
      const bool wraps = idx >= 0 && name_ends && marks && wraps_pages(name) &&
                         (closing || wraps_page(lt, closes.find(idx, lt + 1)));
      if (idx >= 0 && name_ends && !wraps) {
        // The name must end the tag name proper: "<navbar" is not "<nav".
        if (!suppressing() && !late) out.push_back('\n');
        if (closing) {
          pos = after_gt(html, lt + 1);  // a stray closing tag: itself only
          continue;
        }
        const size_t close = closes.find(idx, lt + 1);
        if (collect && close != npos && (name == "style" || name == "head" || name == "svg")) {
          // The style sheets of the page, also those inside its head and
          // its drawings (they style the whole page).
          const size_t gt = after_gt(html, lt + 1);
          if (gt <= close) {
            const std::string_view inner = html.substr(gt, close - gt);
            const size_t before = collect->size();
            if (name == "style" ? collect->add_sheet(inner) : add_sheets(inner, *collect)) {
              if (!hidden) hidden = collect;
              if (seen_any && collect->may_hide_seen(before, seen)) late = true;
            }
            // The open elements are judged again for each sheet that adds
            // selectors; past a bound one more pass is cheaper.
            if (!late && collect->size() > before && (sync_work += stack.size()) > kMaxSyncWork)
              late = true;
            if (!late && collect->size() > before) sync_contexts();
          }
        }
        pos = close == npos ? after_gt(html, lt + 1) : after_gt(html, close + 2);
        continue;
      }
      const size_t gt = html.find('>', lt + 1);
      const size_t tag_end = gt == npos ? n : gt;
      if (late) {
        // This pass will be run again with all of the page's sheets: from
        // here on it only looks for them. Where the loop goes next does not
        // depend on the elements, so it meets the same sheets.
        pos = gt == npos ? n : gt + 1;
        continue;
      }
      // Custom elements ("<x-note hidden>") nest and hide like any other:
      // their names run on over "-", "_", "." and ":".
      char ext_buf[33];
      std::string_view ext = name;
      bool ext_ends = name_ends;
      if (name_len > 0 && !name_ends) {
        std::copy(name.begin(), name.end(), ext_buf);
        size_t len = name_len;
        size_t i = after;
        for (; i < n && len < 32; ++i) {
          char c = html[i];
          if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
          if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
                c == '.' || c == ':'))
            break;
          ext_buf[len++] = c;
        }
        while (i < n && len == 32 && html[i] != '>' && html[i] != '/' && html[i] != ' ' &&
               html[i] != '\t' && html[i] != '\n')
          ++i;  // longer names are told apart by their first 32 characters
        const char c = i < n ? html[i] : '>';
        ext = std::string_view(ext_buf, len);
        ext_ends =
            c == '\t' || c == '\n' || c == ' ' || c == '/' || c == '>' || c == '\r' || c == '\f';
      }
      if (name_len == 0 || !ext_ends) {
        if (!suppressing()) out.append(base + lt, (gt == npos ? n : gt + 1) - lt);
      } else if (closing) {
        if (marks) note_candidate_tag(lt, ext, true);
        close_tag(lt, tag_end, ext);
      } else {
        if (marks) note_candidate_tag(lt, ext, false);
        open_tag(lt, tag_end, ext);
      }
      pos = gt == npos ? n : gt + 1;
    }
    while (!stack.empty()) pop();
  }
};

}  // namespace

std::string_view content_root(std::string_view doc) {
  struct Candidate {
    std::string_view open, close;
  };
  static constexpr Candidate kCandidates[] = {
      {"<article", "</article"},
      {"<main", "</main"},
      {"<div id=\"content", "</div"},
      {"<div class=\"content", "</div"},
  };
  for (const Candidate& c : kCandidates) {
    const size_t v = find_ascii_ci(doc, c.open, 0);
    if (v == npos) continue;
    const size_t end = rfind_ascii_ci(doc, c.close, v);
    if (end != npos && end - v > kMinRootBytes) return doc.substr(v, end - v);
  }
  return doc;
}

namespace {

// The span content_root gives, from what the pass noted: the first
// candidate whose last closing tag lies more than 400 bytes after it.
void set_first_root(const StripPass& pass, StrippedPage& page) {
  for (size_t k = 0; k < pass.first_open.size(); ++k) {
    const size_t v = pass.first_open[k];
    const size_t c = std::min<size_t>(k, 2);
    const size_t e = pass.last_close[c];
    if (v == npos || e == npos || e < v || e - v <= kMinRootBytes) continue;
    page.first_root = {pass.first_open_out[k], pass.last_close_out[c]};
    page.has_first_root = true;
    return;
  }
}

}  // namespace

HiddenSelectors page_hidden_selectors(std::string_view doc) {
  HiddenSelectors sel;
  add_sheets(doc, sel);
  return sel;
}

StrippedPage strip_page(std::string_view doc) {
  // The style sheets are read on the way; one that comes too late to judge
  // the elements before it costs a second pass.
  HiddenSelectors hidden;
  StrippedPage page;
  StripPass first{doc, kDropped, nullptr, &page};
  first.collect = &hidden;
  first.run();
  std::optional<StripPass> again;
  StripPass* last = &first;
  if (first.late) {
    page = StrippedPage{};
    again.emplace(doc, kDropped, &hidden, &page);
    again->run();
    last = &*again;
  }
  // An element hidden by a style that holds most of the page's text is a
  // template that a script shows: the page has little else to show.
  std::optional<StripPass> shown;
  if (last->widest_hidden_at != npos && last->widest_hidden > kShownShare * last->visible_text) {
    page = StrippedPage{};
    shown.emplace(doc, kDropped, &hidden, &page);
    shown->shown_at = last->widest_hidden_at;
    shown->run();
    last = &*shown;
  }
  page.text = std::move(last->out);
  page.hidden_text = last->hid_text;
  set_first_root(*last, page);
  return page;
}

std::string strip_elements(std::string_view html, const HiddenSelectors* hidden) {
  StripPass pass{html, kDropped, hidden, nullptr};
  pass.run();
  return std::move(pass.out);
}

std::string strip_code_elements(std::string_view html, const HiddenSelectors* hidden) {
  StripPass pass{html, kCode, hidden, nullptr};
  pass.run();
  return std::move(pass.out);
}

}  // namespace zub
