// The one writer of the tool. A subcommand hands it whole result blocks;
// each block is one write to standard output (or standard error). In capture
// mode (tests) the blocks are kept in strings instead.
//
// Writing into a closed pipe ends the process at once, quietly and with
// status 0: the reader has what it wanted.
#pragma once

#include <string>
#include <string_view>

namespace zub {

struct Output {
  bool capture = false;
  std::string out;  // captured standard output
  std::string err;  // captured standard error

  void write_out(std::string_view block);
  void write_err(std::string_view block);
};

// Makes SIGPIPE an EPIPE error so the writer can end the process quietly.
void install_pipe_handling();

// The status the process ends with when standard output turns out to be a
// closed pipe (0 unless set): `wrap` sets it to its command's status so a
// reader that stops early does not hide a failed build.
void set_broken_pipe_status(int status);

// Writes all of `data` to `fd`, retrying short writes. Ends the process
// quietly on EPIPE; other errors are dropped.
void write_all_or_exit(int fd, std::string_view data);

}  // namespace zub
