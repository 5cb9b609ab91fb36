// The settings document reader and writer: whatever the bytes, parsing
// either fails with a place or reads a document that writes back to the
// same bytes; zub's hook entry added to it writes out as JSON that reads
// back as the same value, and taking it out again leaves no zub hook; an
// entry appended and removed again leaves the text as it was.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "base/json_doc.h"
#include "cli/hook_entry.h"

namespace {

void check(bool ok) {
  if (!ok) std::abort();
}

// Parses `text`, which must be JSON, and compares its value to `want`.
void reads_back_as(const std::string& text, const zub::JsonValue& want) {
  zub::JsonParse p = zub::parse_json(text);
  check(p.doc.has_value());
  check(zub::same_json(p.doc->root, want));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  zub::JsonParse p = zub::parse_json(text);
  if (!p.doc) {
    check(p.error.line >= 1 && p.error.column >= 1 && !p.error.reason.empty());
    return 0;
  }
  check(zub::write_json(*p.doc) == text);

  zub::JsonDocument edited = *p.doc;
  std::string why;
  const zub::HookEvent event = size % 2 ? zub::HookEvent::kPost : zub::HookEvent::kPre;
  if (!zub::registered_hook(edited, event) &&
      zub::add_hook_entry(edited, event, "'/opt/z b/zub' hook", &why)) {
    const std::string with = zub::write_json(edited);
    reads_back_as(with, edited.root);
    check(zub::registered_hook(*zub::parse_json(with).doc, event).has_value());
    check(zub::remove_hook_entry(edited, event));
    check(!zub::registered_hook(edited, event));
    reads_back_as(zub::write_json(edited), edited.root);
  }

  zub::JsonDocument grown = *p.doc;
  zub::JsonValue& root = grown.root;
  if ((root.is_array() || root.is_object()) && !root.entries.empty()) {
    zub::JsonValue extra = zub::json_object();
    zub::add_member(extra, "k\"\\\n", zub::json_array());
    zub::JsonEntry e;
    if (root.is_object()) e.key = "\"new\"";
    e.value = extra;
    zub::append_entry(root, e, "", zub::detect_layout(grown));
    reads_back_as(zub::write_json(grown), root);
    zub::remove_entry(root, root.entries.size() - 1);
    check(zub::write_json(grown) == text);
  }
  return 0;
}
