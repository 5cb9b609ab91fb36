#include "re/compile.h"

#include <algorithm>
#include <atomic>

#include "re/parse.h"

namespace zub {

namespace {

void emit(const PatternNode& n, std::vector<PatternInst>& prog) {
  auto next = [&] { return static_cast<uint32_t>(prog.size()); };
  auto push = [&](InstKind k) -> PatternInst& {
    prog.push_back(PatternInst{});
    prog.back().kind = k;
    return prog.back();
  };
  switch (n.kind) {
    case NodeKind::kEmpty: break;
    case NodeKind::kLiteral: push(InstKind::kChar).byte = n.byte; break;
    case NodeKind::kAny: push(InstKind::kAny); break;
    case NodeKind::kClass: push(InstKind::kClass).x = n.cls; break;
    case NodeKind::kStart: push(InstKind::kAssertStart); break;
    case NodeKind::kEnd: push(InstKind::kAssertEnd); break;
    case NodeKind::kWordBoundary: push(InstKind::kWordBoundary).flag = n.flag; break;
    case NodeKind::kConcat:
      for (const PatternNode& c : n.children) emit(c, prog);
      break;
    case NodeKind::kAlternation: {
      std::vector<uint32_t> jumps;
      for (size_t k = 0; k + 1 < n.children.size(); ++k) {
        const uint32_t split = next();
        push(InstKind::kSplit).x = split + 1;
        emit(n.children[k], prog);
        jumps.push_back(next());
        push(InstKind::kJump);
        prog[split].y = next();
      }
      emit(n.children.back(), prog);
      for (uint32_t j : jumps) prog[j].x = next();
      break;
    }
    case NodeKind::kStar: {
      const uint32_t l = next();
      push(InstKind::kSplit).x = l + 1;
      emit(n.children[0], prog);
      push(InstKind::kJump).x = l;
      prog[l].y = next();
      break;
    }
    case NodeKind::kPlus: {
      const uint32_t l = next();
      emit(n.children[0], prog);
      PatternInst& s = push(InstKind::kSplit);
      s.x = l;
      s.y = next();
      break;
    }
    case NodeKind::kOptional: {
      const uint32_t l = next();
      push(InstKind::kSplit).x = l + 1;
      emit(n.children[0], prog);
      prog[l].y = next();
      break;
    }
  }
}

void consider(std::string& best, std::string cand) {
  if (cand.size() > best.size()) best = std::move(cand);
}

// Emits the program for a parsed tree (ends with one match instruction).
std::vector<PatternInst> emit_program(const PatternNode& root) {
  std::vector<PatternInst> prog;
  prog.reserve(root.size + 1);
  emit(root, prog);
  prog.push_back(PatternInst{});  // match
  return prog;
}

// A byte string that every match of the tree contains; empty when none is
// known.
std::string required_literal(const PatternNode& node) {
  const PatternNode* n = &node;
  while (n->kind == NodeKind::kPlus) n = &n->children[0];
  if (n->kind == NodeKind::kLiteral) return std::string(1, static_cast<char>(n->byte));
  if (n->kind != NodeKind::kConcat) return std::string();
  std::string best, run;
  for (const PatternNode& c : n->children) {
    if (c.kind == NodeKind::kLiteral) {
      run.push_back(static_cast<char>(c.byte));
      continue;
    }
    consider(best, std::move(run));
    run.clear();
    consider(best, required_literal(c));
  }
  consider(best, std::move(run));
  return best;
}

// The tree of the reversed language: concatenations read right to left.
// Assertions test a text position, which reading backwards does not change.
PatternNode reversed(const PatternNode& n) {
  PatternNode r;
  r.kind = n.kind;
  r.byte = n.byte;
  r.flag = n.flag;
  r.cls = n.cls;
  r.size = n.size;
  r.depth = n.depth;
  r.children.reserve(n.children.size());
  for (const PatternNode& c : n.children) r.children.push_back(reversed(c));
  if (n.kind == NodeKind::kConcat) std::reverse(r.children.begin(), r.children.end());
  return r;
}

// Which bytes can start a match of `prog`, when its entry's epsilon closure
// holds no assertion and no match (`simple`).
void analyse_entry(const std::vector<PatternInst>& prog, const CompiledPattern& p, bool& simple,
                   ByteSet& out) {
  simple = false;
  std::vector<bool> seen(prog.size(), false);
  std::vector<uint32_t> stack = {0};
  ByteSet bytes;
  while (!stack.empty()) {
    const uint32_t i = stack.back();
    stack.pop_back();
    if (i >= prog.size() || seen[i]) continue;
    seen[i] = true;
    const PatternInst& in = prog[i];
    switch (in.kind) {
      case InstKind::kJump: stack.push_back(in.x); break;
      case InstKind::kSplit:
        stack.push_back(in.x);
        stack.push_back(in.y);
        break;
      case InstKind::kChar:
        bytes.add(in.byte);
        // Case-insensitive programs hold lower-case letters and compare the
        // lowered input byte, so an upper-case byte starts a match too.
        if (p.icase && in.byte >= 'a' && in.byte <= 'z')
          bytes.add(static_cast<uint8_t>(in.byte - 32));
        break;
      case InstKind::kAny:
        for (unsigned b = 0; b < 256; ++b)
          if (b != '\n') bytes.add(static_cast<uint8_t>(b));
        break;
      case InstKind::kClass:
        for (size_t w = 0; w < 4; ++w) bytes.bits[w] |= p.classes[in.x].bits[w];
        break;
      default: return;  // an assertion or a match at the entry: no skipping
    }
  }
  simple = true;
  out = bytes;
}

}  // namespace

CompileResult compile_pattern(std::string_view pattern, bool icase) {
  CompileResult r;
  ParseResult parsed = parse_pattern(pattern, icase);
  if (!parsed.ok) {
    r.error = std::move(parsed.error);
    return r;
  }
  r.pattern.program = emit_program(parsed.root);
  r.pattern.classes = std::move(parsed.classes);
  r.pattern.required = required_literal(parsed.root);
  r.pattern.icase = icase;
  analyse_entry(r.pattern.program, r.pattern, r.pattern.start_simple, r.pattern.start_bytes);
  r.pattern.reverse_program = emit_program(reversed(parsed.root));
  analyse_entry(r.pattern.reverse_program, r.pattern, r.pattern.reverse_simple,
                r.pattern.reverse_start_bytes);
  static std::atomic<uint64_t> next_id{1};
  r.pattern.id = next_id.fetch_add(1, std::memory_order_relaxed);
  r.ok = true;
  return r;
}

std::string escape_literal(std::string_view text) {
  static constexpr std::string_view kSpecial = "\\.+*?()|[]{}^$";
  std::string out;
  out.reserve(text.size() + 8);
  for (char c : text) {
    if (kSpecial.find(c) != std::string_view::npos) out.push_back('\\');
    out.push_back(c);
  }
  return out;
}

std::string dump_program(const CompiledPattern& p) {
  std::string out;
  for (size_t i = 0; i < p.program.size(); ++i) {
    const PatternInst& in = p.program[i];
    out += std::to_string(i) + ' ';
    switch (in.kind) {
      case InstKind::kChar: {
        const unsigned char b = in.byte;
        if (b >= 0x21 && b < 0x7f) {
          out += "char ";
          out.push_back(static_cast<char>(b));
        } else {
          out += "char #" + std::to_string(b);
        }
        break;
      }
      case InstKind::kAny: out += "any"; break;
      case InstKind::kClass: out += "class " + std::to_string(in.x); break;
      case InstKind::kSplit:
        out += "split " + std::to_string(in.x) + ' ' + std::to_string(in.y);
        break;
      case InstKind::kJump: out += "jump " + std::to_string(in.x); break;
      case InstKind::kAssertStart: out += "start"; break;
      case InstKind::kAssertEnd: out += "end"; break;
      case InstKind::kWordBoundary: out += in.flag ? "wordb" : "notwordb"; break;
      case InstKind::kMatch: out += "match"; break;
    }
    out += '\n';
  }
  return out;
}

}  // namespace zub
