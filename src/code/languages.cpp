#include "code/languages.h"

#include <array>

namespace zub::code {

namespace {

// clang-format off
constexpr uint32_t kCFamily = kPreprocessor | kCharLiterals | kHeadAfterParen;
constexpr uint32_t kScript = kQuoteStrings | kRegexLiterals | kTemplates | kNewlineEnds | kNamedBodies |
                             kScriptNames;
constexpr uint32_t kLineScanned = kNewlineEnds | kBraceless;

// A file type is a row: the names grep's -t takes for it, its extensions
// and how def and outline read it. An extension listed by two rows (".h", a
// C file for -t c) reads as the first row's language.
constexpr Language kLanguages[] = {
    {SourceLang::Cpp,    "cpp",      "h cc cpp cxx c++ hh hpp hxx h++ ipp tpp inl cu cuh", c_head, c_outline,
     nullptr, kCFamily, c_opens},
    {SourceLang::C,      "c",        "c h",              c_head,      c_outline,      nullptr,
     kCFamily, c_opens, "", nullptr, c_plain_use},
    {SourceLang::Java,   "java",     "java",             java_head,   java_outline,   nullptr,
     kCharLiterals | kHeadAfterParen | kAnnotationLines, java_opens},
    {SourceLang::CSharp, "cs csharp", "cs",              java_head,   java_outline,   nullptr,
     kCFamily | kTripleQuotes | kVerbatimStrings | kAnnotationLines | kBracketAttributes, java_opens},
    {SourceLang::Go,     "go",       "go",               go_head,     go_outline,     nullptr,
     kCharLiterals | kRawBackticks | kDeclGroups | kLineEndsStatement | kNewlineEnds | kNamedBodies |
     kTypeWord | kReceivers, go_opens},
    {SourceLang::Js,     "js",       "js mjs cjs jsx",   js_head,     js_outline,     nullptr,
     kScript, js_opens},
    {SourceLang::Ts,     "ts typescript", "ts tsx mts cts", js_head,  js_outline,     nullptr,
     kScript, js_opens},
    {SourceLang::Python, "py python", "py pyi pyw",      python_head, python_outline, python_scan,
     kLineScanned | kIndentBlocks},
    {SourceLang::Rust,   "rust",     "rs",               rust_head,   rust_outline,   nullptr,
     kNestedComments | kLifetimes, rust_opens},
    {SourceLang::Kotlin, "kotlin",   "kt kts",           kotlin_head, kotlin_outline, nullptr,
     kCharLiterals | kTripleQuotes | kLineEndsUnlessContinued | kNewlineEnds, kotlin_opens},
    {SourceLang::Swift,  "swift",    "swift",            kotlin_head, kotlin_outline, nullptr,
     kTripleQuotes | kLineEndsUnlessContinued | kNewlineEnds, kotlin_opens},
    {SourceLang::Php,    "php",      "php",              php_head,    php_outline,    nullptr,
     kQuoteStrings | kHashComments | kHeredocs | kMultilineStrings, php_opens},
    {SourceLang::Ruby,   "rb ruby",  "rb rake gemspec",  ruby_head,   ruby_outline,   ruby_scan,  kLineScanned},
    {SourceLang::Lua,    "lua",      "lua",              lua_head,    lua_outline,    lua_scan,   kLineScanned},
    {SourceLang::Shell,  "sh",       "sh bash zsh",      shell_head,  shell_outline,  shell_scan, kLineScanned},
    // Documents and configuration: in prose only headings are definitions.
    {SourceLang::Markdown, "markdown md", "md markdown mdx mkd", markdown_head, markdown_outline,
     markdown_scopes, kDocument | kProse, nullptr, "", markdown_label},
    {SourceLang::Rst,    "rst",      "rst txt",   rst_head,    rst_outline,    rst_scopes,    kDocument | kProse, nullptr, "",
     rst_label},
    {SourceLang::Make,   "make",     "mk mak",    make_head,   make_outline,   make_scopes,   kDocument, nullptr,
     "makefile gnumakefile makefile."},
    {SourceLang::CMake,  "cmake",    "cmake",     cmake_head,  cmake_outline,  cmake_scopes,  kDocument, nullptr,
     "cmakelists.txt"},
    {SourceLang::Docker, "docker",   "dockerfile containerfile", docker_head, docker_outline, docker_scopes,
     kDocument, nullptr, "dockerfile containerfile dockerfile. containerfile."},
    {SourceLang::Yaml,   "yaml",     "yaml yml",  yaml_head,   yaml_outline,   yaml_scopes,   kDocument},
    {SourceLang::Toml,   "toml",     "toml",      toml_head,   toml_outline,   toml_scopes,   kDocument},
    {SourceLang::Json,   "json",     "json jsonc", json_head,  json_outline,   json_scopes,   kDocument, nullptr,
     "", json_label},
    {SourceLang::Sql,    "sql",      "sql",       sql_head,    sql_outline,    sql_scopes,    kDocument},
    {SourceLang::Proto,  "proto protobuf", "proto", idl_head,  idl_outline,    proto_scopes,  kDocument},
    {SourceLang::Thrift, "thrift",   "thrift",    idl_head,    idl_outline,    thrift_scopes, kDocument},
    // Types grep knows whose structure is not read.
    {SourceLang::Other,  "txt",      "txt"},
    {SourceLang::Other,  "css",      "css scss sass less"},
    {SourceLang::Other,  "html",     "html htm xhtml"},
    {SourceLang::Other,  "scala",    "scala sc"},
    {SourceLang::Other,  "xml",      "xml"},
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
  for (const Language& l : kLanguages)
    if (l.lang != SourceLang::Other) t[static_cast<uint8_t>(l.lang)] = &l;
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

std::string_view extensions_of_type(std::string_view type) {
  for (const Language& l : kLanguages)
    if (lists(l.types, type)) return l.extensions;
  return {};
}

SourceLang language_of_name(std::string_view name) {
  for (const Language& l : kLanguages)
    if (!l.names.empty() && lists(l.names, name, true)) return l.lang;
  return SourceLang::Other;
}

}  // namespace zub::code
