// What a definition sits inside, for lookups by a qualified name such as
// `Session.request`, `List::Insert` or `(*Command).Execute`: the named types,
// namespaces, impl blocks and object literals whose bodies hold it, and the
// qualifiers written in front of the name itself (`List<T>::` in C++, a Go
// method's receiver, `A.prototype.` in JavaScript). Also the members of a
// type's body, for printing a long type as its outline. Pure functions over
// a SourceText made with its blocks (make_source_text with_blocks).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "code/declaration.h"

namespace zub {

// One level around a definition. `impl Trait for Type` names the type and
// also the trait; a JavaScript class expression assigned to a name
// (`X.Template = class XTemplate {`) is known by both names.
struct EnclosingName {
  std::string_view name;
  std::string_view also;   // the trait implemented
  std::string_view alias;  // the name the class was assigned to
};

// The levels around the name at byte `col` of line `i`, outermost first:
// the named bodies that hold it, then the qualifiers in front of it on its
// line. Unnamed bodies (function bodies, anonymous namespaces) add none.
std::vector<EnclosingName> enclosing_names(const SourceText& src, size_t i, size_t col);

// The innermost brace block that holds byte `col` of line `i`; kNoBlock when
// none does.
uint32_t block_at(const SourceText& src, size_t i, size_t col);

// True when the definition whose name is at byte `col` of line `i` is a
// type-like one whose body holds members: a class, struct, interface, enum,
// trait, impl, namespace, module or object.
bool defines_type(const SourceText& src, size_t i, size_t col);

// A long type seen as its head and its members.
struct TypeOutline {
  size_t body = kNoLine;        // line where the body opens (its "{", or Python's ":")
  std::vector<size_t> members;  // lines of the direct members outline would list
};

// The outline of the type whose name is at byte `col` of line `i` and whose
// block ends at line `end`: methods, nested types, fields where the
// language's outline lists them; decorators and annotations left out.
TypeOutline type_outline(const SourceText& src, size_t i, size_t col, size_t end);

}  // namespace zub
