#include "search/grep_options.h"

#include "base/unicode.h"

namespace zub {

std::vector<std::string> parse_ext_list(std::string_view value) {
  std::vector<std::string> out;
  size_t start = 0;
  for (;;) {
    const size_t comma = value.find(',', start);
    std::string_view piece =
        value.substr(start, comma == std::string_view::npos ? value.npos : comma - start);
    piece = trim_ws(piece);
    while (!piece.empty() && piece[0] == '.') piece.remove_prefix(1);
    if (!piece.empty()) out.emplace_back(piece);
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  return out;
}

namespace {

struct FileType {
  std::string_view name;
  std::string_view extensions;  // separated by commas
};

// clang-format off
constexpr FileType kFileTypes[] = {
    {"c",          "c,h"},
    {"cpp",        "cpp,cc,cxx,c++,hpp,hh,hxx,h++,h,inl,ipp"},
    {"cs",         "cs"},
    {"css",        "css,scss,sass,less"},
    {"go",         "go"},
    {"html",       "html,htm,xhtml"},
    {"java",       "java"},
    {"js",         "js,mjs,cjs,jsx"},
    {"json",       "json"},
    {"kotlin",     "kt,kts"},
    {"lua",        "lua"},
    {"markdown",   "md,markdown,mdx"},
    {"md",         "md,markdown,mdx"},
    {"php",        "php"},
    {"py",         "py,pyi"},
    {"python",     "py,pyi"},
    {"rb",         "rb"},
    {"ruby",       "rb"},
    {"rust",       "rs"},
    {"scala",      "scala,sc"},
    {"sh",         "sh,bash,zsh"},
    {"sql",        "sql"},
    {"swift",      "swift"},
    {"toml",       "toml"},
    {"ts",         "ts,tsx,mts,cts"},
    {"typescript", "ts,tsx,mts,cts"},
    {"txt",        "txt"},
    {"xml",        "xml"},
    {"yaml",       "yaml,yml"},
};
// clang-format on

}  // namespace

std::vector<std::string> type_extensions(std::string_view type) {
  for (const FileType& t : kFileTypes)
    if (t.name == type) return parse_ext_list(t.extensions);
  return parse_ext_list(type);
}

void add_glob(FileFilter& filter, std::string_view glob) {
  if (!glob.empty() && glob[0] == '!')
    filter.excludes.emplace_back(glob.substr(1));
  else
    filter.names.emplace_back(glob);
}

void exclude_dir(FileFilter& filter, std::string_view name) {
  while (name.size() > 1 && name.back() == '/') name.remove_suffix(1);
  if (name.empty()) return;
  // Exclusion globs see the whole path too, and "*" crosses slashes; a
  // root named like it is searched, as GNU grep does.
  filter.excludes.push_back("*/" + std::string(name) + "/*");
}

}  // namespace zub
