#include "base/skip_names.h"

#include "base/text.h"
#include "base/unicode.h"
#include "base/utf8.h"

namespace zub {

namespace {

// clang-format off
constexpr std::string_view kSkipNames[] = {
    ".git",          "node_modules",  "target",       "dist",
    "build",         ".next",         "__pycache__",  ".cache",
    "test-results",  "playwright-report", "coverage", ".turbo",
    ".pytest_cache", ".mypy_cache",   "site-packages", "generated",
    ".dart_tool",    "vendor",        ".terraform",   "out",
    ".build",        ".pnpm-store",   ".yarn",        "htmlcov",
    "__snapshots__", ".ruff_cache",   ".idea",        ".gradle",
    ".bundle",       ".tox",          ".nox",         ".ipynb_checkpoints",
    ".svelte-kit",   ".nuxt",         ".parcel-cache", ".angular",
    "DerivedData",   "Pods",          "bower_components", ".sass-cache",
    ".serverless",   ".vscode-test",  "Carthage",     ".eggs",
    ".stack-work",
};
// clang-format on
static_assert(sizeof kSkipNames / sizeof kSkipNames[0] == 45);

// "venv"-like prefix followed by end of name or a non-alphabetic character.
bool is_venv_name(std::string_view name, std::string_view prefix) {
  if (!starts_with(name, prefix)) return false;
  if (name.size() == prefix.size()) return true;
  size_t i = prefix.size();
  return !is_alphabetic(decode_next(name, i));
}

}  // namespace

bool is_skipped_name(std::string_view name) {
  for (std::string_view s : kSkipNames)
    if (name == s) return true;
  if (name.size() < 4) return false;
  if (starts_with(name, ".env")) return true;
  if (name.size() >= 6 && starts_with(name, ".conda")) return true;
  if (is_venv_name(name, ".venv") || is_venv_name(name, "venv")) return true;
  if (name == ".DS_Store" || name == "Thumbs.db") return true;
  if (name.size() >= 5 && (ends_with(name, ".snap") || ends_with(name, ".lock"))) return true;
  if (name.size() >= 14 && ends_with(name, "_snapshot.json")) return true;
  return false;
}

}  // namespace zub
