// The input of the filters (diag, logs, trim, md): standard input, or the
// files named on the command line, since an agent types `zub diag build.log`
// as often as `zub diag < build.log` and must not get a summary of nothing.
#pragma once

#include <string>
#include <vector>

#include "base/head_tail.h"
#include "base/output.h"

namespace zub {

struct FilterInput {
  CappedRead read;            // the bytes of every file that could be read, in order
  bool failed = false;        // a named file could not be read (reported)
  bool empty_handed = false;  // files were named and none could be read
  // Every input read was a named regular file: the files themselves keep the
  // bytes, so a shortened summary needs no copy of them.
  bool on_disk = false;
};

// With no files, standard input through a HeadTail of `cap` bytes. Else the
// files in order as one stream ("-" is standard input), each through its
// share of `cap`, so memory stays bounded whatever is named. A path that is
// missing, a directory or a device is reported on standard error as
// "zub: {path}: {error}" and the others are still read.
FilterInput read_filter_input(const std::vector<std::string>& files, uint64_t cap, Output& out);

}  // namespace zub
