// The tool's private state directory: "zub" under the state home
// (XDG_STATE_HOME, by default ~/.local/state). The state home itself is the
// user's to arrange and may be reached through links; from "zub" down every
// directory is opened without following a link and kept only when it is the
// user's own, with mode 0700. Files are then opened relative to the open
// directory, so a name swapped in the path later cannot redirect them.
// Thread-safe; each handle owns its descriptor.
#pragma once

#include <string>
#include <string_view>

namespace zub {

class StateDir {
 public:
  StateDir() = default;
  StateDir(StateDir&& o) noexcept;
  StateDir& operator=(StateDir&& o) noexcept;
  StateDir(const StateDir&) = delete;
  StateDir& operator=(const StateDir&) = delete;
  ~StateDir();

  bool ok() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  // The directory's path, for messages (set even when opening failed).
  const std::string& path() const { return path_; }
  // errno when !ok(); ENOENT when there is no state home at all.
  int error() const { return err_; }

 private:
  friend StateDir open_state_dir(std::string_view sub, bool create);
  int fd_ = -1;
  int err_ = 0;
  std::string path_;
};

// Opens the state directory, or its subdirectory `sub` when that is not
// empty. With `create`, missing directories are made: the state home and
// its parents as by mkdir -p, the rest with mode 0700.
StateDir open_state_dir(std::string_view sub, bool create);

}  // namespace zub
