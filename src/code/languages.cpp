#include "code/languages.h"

namespace zub::code {

namespace {

// clang-format off
constexpr Language kLanguages[] = {
    {SourceLang::C,      "c",                                                 c_head,      c_outline},
    {SourceLang::Cpp,    "h cc cpp cxx c++ hh hpp hxx h++ ipp tpp inl cu cuh", c_head,      c_outline},
    {SourceLang::Java,   "java",                                              java_head,   java_outline},
    {SourceLang::CSharp, "cs",                                                java_head,   java_outline},
    {SourceLang::Go,     "go",                                                go_head,     go_outline},
    {SourceLang::Js,     "js mjs cjs jsx",                                    js_head,     js_outline},
    {SourceLang::Ts,     "ts tsx mts cts",                                    js_head,     js_outline},
    {SourceLang::Python, "py pyi pyw",                                        python_head, python_outline},
    {SourceLang::Rust,   "rs",                                                rust_head,   rust_outline},
    // Documents and configuration: in prose only headings are definitions.
    {SourceLang::Markdown, "md markdown mdx mkd", markdown_head, markdown_outline, "",
     markdown_scopes, markdown_label},
    {SourceLang::Rst,    "rst txt",   rst_head,    rst_outline,    "",   rst_scopes, rst_label},
    {SourceLang::Make,   "mk mak",    make_head,   make_outline,   "makefile gnumakefile makefile.",
     make_scopes},
    {SourceLang::CMake,  "cmake",     cmake_head,  cmake_outline,  "cmakelists.txt", cmake_scopes},
    {SourceLang::Docker, "dockerfile containerfile", docker_head, docker_outline,
     "dockerfile containerfile dockerfile. containerfile.", docker_scopes},
    {SourceLang::Yaml,   "yaml yml",  yaml_head,   yaml_outline,   "",   yaml_scopes},
    {SourceLang::Toml,   "toml",      toml_head,   toml_outline,   "",   toml_scopes},
    {SourceLang::Json,   "json jsonc", json_head,  json_outline,   "",   json_scopes, json_label},
    {SourceLang::Sql,    "sql",       sql_head,    sql_outline,    "",   sql_scopes},
    {SourceLang::Proto,  "proto",     idl_head,    idl_outline,    "",   proto_scopes},
    {SourceLang::Thrift, "thrift",    idl_head,    idl_outline,    "",   thrift_scopes},
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

}  // namespace

const Language* language_of(SourceLang lang) {
  for (const Language& l : kLanguages)
    if (l.lang == lang) return &l;
  return nullptr;
}

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
