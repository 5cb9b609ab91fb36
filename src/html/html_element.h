// Finding one element of an HTML fragment without building a tree: the
// element whose class attribute holds a given class, and where an element
// ends. Used to read the title and description elements of search results
// and to find where the last result of a page ends.
// Pure functions; safe to call from any number of threads.
#pragma once

#include <cstddef>
#include <string_view>

namespace zub {

// Position of the "<" of the first tag at or after `from` whose class
// attribute lists `cls` as a whole class name; npos when there is none.
size_t find_class_tag(std::string_view html, std::string_view cls, size_t from = 0);

// Position of the "<" of the first tag named `name` (lower case, compared
// ASCII case-insensitively, the whole name) at or after `from`; npos when
// there is none.
size_t find_tag(std::string_view html, std::string_view name, size_t from = 0);

// For the opening tag at html[lt]: the position of the "<" of the closing
// tag that balances it, counting nested elements of the same name and
// skipping comments and script contents; npos when it is never balanced.
size_t element_close(std::string_view html, size_t lt);

// The markup between the opening tag at html[lt] and its balancing closing
// tag; empty when either is missing.
std::string_view element_inner(std::string_view html, size_t lt);

}  // namespace zub
