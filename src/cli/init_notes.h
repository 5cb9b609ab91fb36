// The short note about zub that `zub init --notes` keeps in a CLAUDE.md
// file, between two marker lines so that it can be found and taken out
// again without touching the rest of the file. Pure.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zub {

// The note, marker lines included (at most 15 lines).
extern const std::string_view kZubNotes;

// True when `text` holds the note's first marker line.
bool has_notes(std::string_view text);

// `text` with the note appended after a blank line (after a line feed
// first, when the text does not end with one).
std::string with_notes(std::string_view text);

// `text` without the note and the blank line before it; nothing when the
// note's marker lines are not both there.
std::optional<std::string> without_notes(std::string_view text);

}  // namespace zub
