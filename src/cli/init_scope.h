// Where `zub init` works: the settings and note files of one scope (the
// user's, the repository's shared file or its personal one), where the
// previous file is kept, and which program a hook command runs. Reads the
// environment, PATH and git; writes nothing.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zub {

enum class ScopeKind { kUser, kProject, kLocal };

struct Scope {
  ScopeKind kind = ScopeKind::kUser;
  std::string name;      // "사용자", "프로젝트" or "프로젝트(개인)", for messages
  std::string settings;  // the host's settings file
  std::string notes;     // the CLAUDE.md the note goes into
  std::string inside;    // a repository's real top: nothing is written outside it
  std::string flags;     // the init flags that choose the scope ("--project "), for hints
};

// The user's scope: ~/.claude. Nothing when HOME is not an absolute path.
std::optional<Scope> user_scope();

// The repository's scope, around the current directory: .claude/settings.json
// (shared with everyone who clones it) or, with `local`,
// .claude/settings.local.json (the user's own). Nothing outside a
// repository.
std::optional<Scope> project_scope(bool local);

// Where the previous bytes of `target` (the settings file as resolved) are
// kept. The user's file keeps them beside it ("settings.json.zub-bak");
// a repository's are kept in zub's state directory, so that init leaves no
// file in the repository that its owner did not make. Empty when there is
// no place for them.
std::string backup_path(const Scope& scope, const std::string& target);

// "zub hook" when the zub found on PATH is this program, else this
// program's absolute path, quoted for the shell when it needs it: the host
// must reach this very binary.
std::string hook_command();

// The program a registered command runs, resolved as the shell would find
// it; empty when it cannot be found.
std::string command_program(std::string_view command);

// The first executable regular file named zub on PATH, resolved; empty when
// there is none.
std::string zub_on_path();

}  // namespace zub
