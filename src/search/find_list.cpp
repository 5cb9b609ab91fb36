#include "search/find_list.h"

#include "search/display_path.h"
#include "search/walk.h"

namespace zub {

namespace {

class Listing {
 public:
  explicit Listing(const GrepOptions& o) : o_(o) {}

  void add(const std::string& path) {
    if (++count_ > o_.limits.files) return;
    if (o_.null_names) {
      text_.append(path);  // for `xargs -0`: the name as it is
      text_.push_back('\0');
    } else {
      append_path_text(text_, path);
      text_.push_back('\n');
    }
    plain_ += path.size() + 1;
  }

  uint64_t count() const { return count_; }
  uint64_t plain() const { return plain_; }

  // The paths, then what was left out: with -Z notes go to standard error.
  void write(Output& out, uint64_t too_long) {
    std::string notes;
    if (count_ > o_.limits.files) {
      notes.append("[… ").append(std::to_string(count_ - o_.limits.files));
      notes.append(" 개 더 있음: 범위를 좁히거나 --max-files 를 올려라]\n");
    }
    if (count_ == 0) notes.append("[0 files: 경로나 -name, -type 을 확인해라]\n");
    if (too_long > 0)
      notes.append("[").append(std::to_string(too_long)).append(" paths over PATH_MAX skipped]\n");
    if (!o_.null_names) {
      text_ += notes;
      notes.clear();
    }
    out.write_out(text_);
    if (!notes.empty()) out.write_err(notes);
  }

 private:
  const GrepOptions& o_;
  std::string text_;
  uint64_t count_ = 0;
  uint64_t plain_ = 0;  // what find prints for the same entries
};

}  // namespace

Outcome list_found(const GrepOptions& o, const std::vector<std::string>& roots, Output& out) {
  if (!o.find_type.empty() && o.find_type != "f" && o.find_type != "d") {
    out.write_err("zub grep: -type 은 f(파일)나 d(디렉터리)만 받는다\n");
    return {2, 0};
  }
  // Every kind of file: what find lists is not what a search reads.
  FileFilter filter = o.filter;
  filter.include_all = true;
  Listing list(o);
  const WalkSink files = [&](std::string&& path) {
    if (o.find_type != "d") list.add(path);
  };
  // Directories for -type d, or for a name test they pass (the walk tests
  // them); none for -type f.
  const bool name_tests =
      !filter.find_names.empty() || !filter.find_inames.empty() || !filter.find_paths.empty();
  const WalkSink dirs = [&](std::string&& path) {
    if (o.find_type == "d" || (o.find_type.empty() && name_tests)) list.add(path);
  };
  uint64_t too_long = 0;
  walk_roots_each(roots, filter, files, &too_long, &dirs);
  list.write(out, too_long);
  return {list.count() > 0 ? 0 : 1, list.plain()};
}

}  // namespace zub
