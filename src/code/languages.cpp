#include "code/languages.h"

#include <array>

namespace zub::code {

namespace {

// clang-format off
constexpr uint32_t kCFamily = kPreprocessor | kCharLiterals | kHeadAfterParen;
constexpr uint32_t kScript = kQuoteStrings | kRegexLiterals | kTemplates | kNewlineEnds | kNamedBodies |
                             kScriptNames;
constexpr uint32_t kLineScanned = kNewlineEnds | kBraceless;

constexpr Language kLanguages[] = {
    {SourceLang::C,      "c",                              c_head,      c_outline,      nullptr,
     kCFamily, c_opens, "", nullptr, c_plain_use},
    {SourceLang::Cpp,    "h cc cpp cxx c++ hh hpp hxx h++ ipp tpp inl cu cuh", c_head, c_outline, nullptr,
     kCFamily, c_opens},
    {SourceLang::Java,   "java",                           java_head,   java_outline,   nullptr,
     kCharLiterals | kHeadAfterParen | kAnnotationLines, java_opens},
    {SourceLang::CSharp, "cs",                             java_head,   java_outline,   nullptr,
     kCFamily | kTripleQuotes | kVerbatimStrings | kAnnotationLines | kBracketAttributes, java_opens},
    {SourceLang::Go,     "go",                             go_head,     go_outline,     nullptr,
     kCharLiterals | kRawBackticks | kDeclGroups | kLineEndsStatement | kNewlineEnds | kNamedBodies |
     kTypeWord | kReceivers, go_opens},
    {SourceLang::Js,     "js mjs cjs jsx",                 js_head,     js_outline,     nullptr,
     kScript, js_opens},
    {SourceLang::Ts,     "ts tsx mts cts",                 js_head,     js_outline,     nullptr,
     kScript, js_opens},
    {SourceLang::Python, "py pyi pyw",                     python_head, python_outline, python_scan,
     kLineScanned | kIndentBlocks},
    {SourceLang::Rust,   "rs",                             rust_head,   rust_outline,   nullptr,
     kNestedComments | kLifetimes, rust_opens},
    {SourceLang::Kotlin, "kt kts",                         kotlin_head, kotlin_outline, nullptr,
     kCharLiterals | kTripleQuotes | kLineEndsUnlessContinued | kNewlineEnds, kotlin_opens},
    {SourceLang::Swift,  "swift",                          kotlin_head, kotlin_outline, nullptr,
     kTripleQuotes | kLineEndsUnlessContinued | kNewlineEnds, kotlin_opens},
    {SourceLang::Php,    "php",                            php_head,    php_outline,    nullptr,
     kQuoteStrings | kHashComments | kHeredocs | kMultilineStrings, php_opens},
    {SourceLang::Ruby,   "rb rake gemspec",                ruby_head,   ruby_outline,   ruby_scan,  kLineScanned},
    {SourceLang::Lua,    "lua",                            lua_head,    lua_outline,    lua_scan,   kLineScanned},
    {SourceLang::Shell,  "sh bash zsh",                    shell_head,  shell_outline,  shell_scan, kLineScanned},
    // Documents and configuration: in prose only headings are definitions.
    {SourceLang::Markdown, "md markdown mdx mkd", markdown_head, markdown_outline, markdown_scopes, kDocument,
     nullptr, "", markdown_label},
    {SourceLang::Rst,    "rst txt",   rst_head,    rst_outline,    rst_scopes,    kDocument, nullptr, "",
     rst_label},
    {SourceLang::Make,   "mk mak",    make_head,   make_outline,   make_scopes,   kDocument, nullptr,
     "makefile gnumakefile makefile."},
    {SourceLang::CMake,  "cmake",     cmake_head,  cmake_outline,  cmake_scopes,  kDocument, nullptr,
     "cmakelists.txt"},
    {SourceLang::Docker, "dockerfile containerfile", docker_head, docker_outline, docker_scopes, kDocument,
     nullptr, "dockerfile containerfile dockerfile. containerfile."},
    {SourceLang::Yaml,   "yaml yml",  yaml_head,   yaml_outline,   yaml_scopes,   kDocument},
    {SourceLang::Toml,   "toml",      toml_head,   toml_outline,   toml_scopes,   kDocument},
    {SourceLang::Json,   "json jsonc", json_head,  json_outline,   json_scopes,   kDocument, nullptr, "",
     json_label},
    {SourceLang::Sql,    "sql",       sql_head,    sql_outline,    sql_scopes,    kDocument},
    {SourceLang::Proto,  "proto",     idl_head,    idl_outline,    proto_scopes,  kDocument},
    {SourceLang::Thrift, "thrift",    idl_head,    idl_outline,    thrift_scopes, kDocument},
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

uint32_t traits_of(SourceLang lang) {
  const Language* l = kByLang[static_cast<uint8_t>(lang)];
  return l ? l->traits : kColonMethods;
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
