#include "code/languages.h"

#include <array>

namespace zub::code {

namespace {

// clang-format off
constexpr Language kLanguages[] = {
    {SourceLang::C,      "c",                                                 c_head,      c_outline,      nullptr},
    {SourceLang::Cpp,    "h cc cpp cxx c++ hh hpp hxx h++ ipp tpp inl cu cuh", c_head,      c_outline,      nullptr},
    {SourceLang::Java,   "java",                                              java_head,   java_outline,   nullptr},
    {SourceLang::CSharp, "cs",                                                java_head,   java_outline,   nullptr},
    {SourceLang::Go,     "go",                                                go_head,     go_outline,     nullptr},
    {SourceLang::Js,     "js mjs cjs jsx",                                    js_head,     js_outline,     nullptr},
    {SourceLang::Ts,     "ts tsx mts cts",                                    js_head,     js_outline,     nullptr},
    {SourceLang::Python, "py pyi pyw",                                        python_head, python_outline, nullptr},
    {SourceLang::Rust,   "rs",                                                rust_head,   rust_outline,   nullptr},
    {SourceLang::Kotlin, "kt kts",                                            kotlin_head, kotlin_outline, nullptr},
    {SourceLang::Swift,  "swift",                                             kotlin_head, kotlin_outline, nullptr},
    {SourceLang::Php,    "php",                                               php_head,    php_outline,    nullptr},
    {SourceLang::Ruby,   "rb rake gemspec",                                   ruby_head,   ruby_outline,   ruby_scan},
    {SourceLang::Lua,    "lua",                                               lua_head,    lua_outline,    lua_scan},
    {SourceLang::Shell,  "sh bash zsh",                                       shell_head,  shell_outline,  shell_scan},
    // Documents and configuration: in prose only headings are definitions.
    {SourceLang::Markdown, "md markdown mdx mkd", markdown_head, markdown_outline, markdown_scopes, "",
     markdown_label, true},
    {SourceLang::Rst,    "rst txt",   rst_head,    rst_outline,    rst_scopes,    "", rst_label, true},
    {SourceLang::Make,   "mk mak",    make_head,   make_outline,   make_scopes,
     "makefile gnumakefile makefile.", nullptr, true},
    {SourceLang::CMake,  "cmake",     cmake_head,  cmake_outline,  cmake_scopes,  "cmakelists.txt", nullptr, true},
    {SourceLang::Docker, "dockerfile containerfile", docker_head, docker_outline, docker_scopes,
     "dockerfile containerfile dockerfile. containerfile.", nullptr, true},
    {SourceLang::Yaml,   "yaml yml",  yaml_head,   yaml_outline,   yaml_scopes,   "", nullptr, true},
    {SourceLang::Toml,   "toml",      toml_head,   toml_outline,   toml_scopes,   "", nullptr, true},
    {SourceLang::Json,   "json jsonc", json_head,  json_outline,   json_scopes,   "", json_label, true},
    {SourceLang::Sql,    "sql",       sql_head,    sql_outline,    sql_scopes,    "", nullptr, true},
    {SourceLang::Proto,  "proto",     idl_head,    idl_outline,    proto_scopes,  "", nullptr, true},
    {SourceLang::Thrift, "thrift",    idl_head,    idl_outline,    thrift_scopes, "", nullptr, true},
};
// clang-format on

// True when `ext` is one of the space-separated words of `list`; with
// `prefixes`, a word ending in "." also matches any name it begins.
bool lists(std::string_view list, std::string_view ext, bool prefixes = false) {
  while (!list.empty()) {
    const size_t sp = list.find(' ');
    const std::string_view word = list.substr(0, sp);
    if (word == ext) return true;
    if (prefixes && word.back() == '.' && ext.size() > word.size() &&
        ext.substr(0, word.size()) == word)
      return true;
    if (sp == std::string_view::npos) break;
    list.remove_prefix(sp + 1);
  }
  return false;
}

// The table's rows by language, for the per-line lookups of outline and def.
constexpr auto kByLang = [] {
  std::array<const Language*, 256> t{};
  for (const Language& l : kLanguages) t[static_cast<uint8_t>(l.lang)] = &l;
  return t;
}();

}  // namespace

const Language* language_of(SourceLang lang) { return kByLang[static_cast<uint8_t>(lang)]; }

SourceLang language_of_extension(std::string_view ext) {
  for (const Language& l : kLanguages)
    if (lists(l.extensions, ext)) return l.lang;
  return SourceLang::Other;
}

SourceLang language_of_name(std::string_view name) {
  for (const Language& l : kLanguages)
    if (!l.names.empty() && lists(l.names, name, true)) return l.lang;
  return SourceLang::Other;
}

}  // namespace zub::code
