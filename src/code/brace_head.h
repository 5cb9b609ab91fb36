// What the brace scan knows of the text in front of a "{" when it asks what
// the brace opens: the words that tell (class, fn, namespace, ...) and
// whether a "(", an "=" or a string came before it. Each brace language
// answers from these in its own file (c_opens, java_opens, ...), named in
// its row of languages.cpp.
#pragma once

#include <cstdint>

namespace zub {

enum HeadWord : uint32_t {
  kClass = 1u << 0,
  kStruct = 1u << 1,
  kUnion = 1u << 2,
  kEnum = 1u << 3,
  kNamespace = 1u << 4,
  kExtern = 1u << 5,
  kInterface = 1u << 6,
  kRecord = 1u << 7,
  kNew = 1u << 8,
  kModule = 1u << 9,
  kFn = 1u << 10,
  kTrait = 1u << 11,
  kImpl = 1u << 12,
  kMod = 1u << 13,
  kObject = 1u << 14,
  kProtocol = 1u << 15,
  kExtension = 1u << 16,
  kActor = 1u << 17,
  kFunc = 1u << 18,  // fun, func, function
};

struct BraceHead {
  uint32_t words = 0;  // HeadWord bits
  bool paren = false;  // a "(" at statement level
  bool assign = false;
  bool string = false;
};

}  // namespace zub
