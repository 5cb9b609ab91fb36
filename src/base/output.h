// The one writer of the tool. A subcommand hands it whole result blocks;
// each block is one write to standard output (or standard error). In capture
// mode (tests) the blocks are kept in strings instead. Notes for whoever
// runs the tool (debug switches, diagnostics) go to the error stream too.
//
// A closed pipe on standard output is quiet: later blocks are dropped and
// the subcommand still ends with its own status, so a reader that stops
// early never turns a failure into success. Any other failure to write
// standard output ends the process at once with one message on standard
// error and status `kWriteFailureStatus`. Failures to write standard error
// are dropped: there is nowhere left to report them.
//
// Safe to call from several threads at once; each block stays whole.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

namespace zub {

struct Output {
  static constexpr int kWriteFailureStatus = 2;

  bool capture = false;
  std::string out;       // captured standard output
  std::string err;       // captured standard error
  uint64_t written = 0;  // bytes of all blocks handed to either stream

  void write_out(std::string_view block);
  void write_err(std::string_view block);

 private:
  std::mutex capture_mutex_;
  // Set once the reader of standard output (or error) has gone away.
  std::atomic<bool> out_closed_{false};
  std::atomic<bool> err_closed_{false};
};

// Makes SIGPIPE an EPIPE error so the writer can handle a closed pipe, and
// puts /dev/null (read-only) on any of descriptors 0-2 that arrived closed,
// so that no file the tool opens later takes their place: writes to a
// closed standard output then fail as they should instead of landing in
// that file.
void prepare_standard_streams();

}  // namespace zub
