// What the class and id of an element say it is: the page's main content
// (content, article, post, entry, main, story, body text), a comment or
// reply, or boilerplate (related and recommended lists, share bars,
// galleries, side bars, menus, advertising...). The words follow the
// patterns that readers of web pages have long used; a side-bar-like word
// does not count when a content word stands beside it ("sidebar-content"
// may still hold the article).
// Pure functions; safe to call from any number of threads.
#pragma once

#include <string_view>

namespace zub {

enum class ClassRole : unsigned char { none, content, comment, boilerplate };

// The role of an element with this class and id value (as written; letter
// case does not matter). Only the first 256 bytes of each are read.
ClassRole class_role(std::string_view cls, std::string_view id);

// The role a role attribute value gives: its main landmark is content; the
// navigation, complementary, contentinfo, banner and search landmarks are
// boilerplate.
ClassRole landmark_role(std::string_view role);

}  // namespace zub
