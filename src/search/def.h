// `zub def`: where a symbol is defined, each definition printed from its
// line to the end of its block. A qualified name (`A.b`, `A::b`, `A#b`,
// `(*T).M`, `a::b::c`) finds the member defined inside what it names. A
// type longer than kTypeOutlineLines prints as its head and its members; a
// block longer than the cap says where it really ends. The first 12
// definitions print whole, every other one as its place and first line.
// Files are read and searched on several threads in walk order; only files
// where the symbol occurs as a word are parsed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "base/output.h"
#include "search/walk.h"

namespace zub {

inline constexpr uint64_t kDefDefaultLines = 200;

// A type (class, struct, impl, namespace, ...) whose block is longer than
// this prints as its head and a numbered outline of its members, unless
// -n asked for a number of lines.
inline constexpr uint64_t kTypeOutlineLines = 60;

struct DefOptions {
  std::string symbol;
  std::vector<std::string> roots;
  uint64_t lines = kDefDefaultLines;  // block lines past the definition line
  bool lines_given = false;           // -n was given: blocks print, never outlines
  bool all = false;                   // --all: non-source and large files too
  bool docs = false;  // --docs: sections of documents met in a walk even when code defines the name
  FileFilter filter;  // which files of the roots (grep's filter options)
};

struct DefReport {
  std::string text;
  uint64_t found = 0;  // definitions found (printed whole or listed)
};

// The report for the options' symbol over their roots (those that exist),
// on `workers` threads (0: one per processor).
DefReport find_definitions(const DefOptions& opts, size_t workers = 0);

// The same with default options: the text alone.
std::string find_definitions(const std::string& sym, const std::vector<std::string>& roots,
                             uint64_t n);

// Checks the roots (the first missing one is reported on standard error),
// finds the definitions over the roots that exist and prints the report.
// Status 2 when a root was missing, else 1 when nothing was found, else 0;
// no roots print nothing.
int cmd_def(const DefOptions& opts, Output& out);

}  // namespace zub
