#include "nav/map.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>
#include <utility>

#include "base/dir_reader.h"
#include "base/file_io.h"
#include "base/os_error.h"
#include "base/shown_path.h"
#include "base/skip_names.h"
#include "base/text.h"
#include "base/utf8.h"
#include "search/walk.h"

namespace zub {

namespace {

struct DirStat {
  uint64_t files = 0;
  uint64_t bytes = 0;
};

struct Tables {
  std::unordered_map<std::string, DirStat> dirs;
  std::unordered_map<std::string, uint64_t> kinds;
  uint64_t total = 0;
  uint64_t too_long = 0;  // directories whose path reaches PATH_MAX: never opened
};

struct DirRoot {
  std::string written;
  std::string canonical;
};

struct FileRoot {
  std::string written;
  std::string canonical;
  uint64_t size = 0;
};

std::string lossy(std::string_view s) {
  return is_valid_utf8(s) ? std::string(s) : decode_lossy(s);
}

std::string canonical_or_written(const std::string& root) {
  char buf[PATH_MAX];
  if (::realpath(root.c_str(), buf) != nullptr) return std::string(buf);
  return root;
}

// True when `inner` equals `outer` or lies below it; both are canonical
// absolute paths, so a plain component-boundary check suffices.
bool is_within(std::string_view inner, std::string_view outer) {
  if (!starts_with(inner, outer)) return false;
  if (inner.size() == outer.size()) return true;
  if (!outer.empty() && outer.back() == '/') return true;
  return inner[outer.size()] == '/';
}

// One component of a path, ranked the way path ordering ranks them.
struct Component {
  int rank;  // 0 root, 1 ".", 2 "..", 3 a name
  std::string_view text;
};

std::vector<Component> components(std::string_view p) {
  std::vector<Component> out;
  size_t i = 0;
  if (!p.empty() && p[0] == '/') {
    out.push_back({0, "/"});
    i = 1;
  }
  bool first = true;
  while (i <= p.size()) {
    size_t j = p.find('/', i);
    if (j == std::string_view::npos) j = p.size();
    std::string_view c = p.substr(i, j - i);
    if (c == ".") {
      // Only a leading "." of a relative path is kept.
      if (first && out.empty()) out.push_back({1, c});
    } else if (c == "..") {
      out.push_back({2, c});
    } else if (!c.empty()) {
      out.push_back({3, c});
    }
    first = false;
    i = j + 1;
  }
  return out;
}

// The parent of a written file path: the text before its last component,
// without trailing slashes ("" for a bare name, "/" for a file in "/").
std::string parent_of(std::string_view p) {
  while (p.size() > 1 && p.back() == '/') p.remove_suffix(1);
  size_t slash = p.rfind('/');
  if (slash == std::string_view::npos) return std::string();
  std::string_view head = p.substr(0, slash);
  while (!head.empty() && head.back() == '/') head.remove_suffix(1);
  if (head.empty()) return "/";
  return std::string(head);
}

std::string_view file_name_of(std::string_view p) {
  while (p.size() > 1 && p.back() == '/') p.remove_suffix(1);
  size_t slash = p.rfind('/');
  return slash == std::string_view::npos ? p : p.substr(slash + 1);
}

void count_file(Tables& t, std::string_view name_text) {
  ++t.total;
  ++t.kinds[kind_key(name_text)];
}

// The sizes of one directory's regular files, still to be read. The open
// directory stream keeps the names resolvable relative to it.
struct SizeJob {
  DIR* dir = nullptr;
  std::string names;        // NUL-separated entry names
  DirStat* slot = nullptr;  // receives the byte total; its file count is not touched
};

// Reading a file's size is one system call per file and costs as much as
// reading all the directories, so it runs beside the walk on a second core.
// The walk itself stays on the calling thread, which keeps the order of its
// messages and of the table fixed. When the queue is full the walking thread
// reads sizes itself instead of waiting, so neither side idles for long.
class SizeReader {
 public:
  SizeReader() {
    if (std::thread::hardware_concurrency() > 1) worker_ = std::thread([this] { run(); });
  }
  ~SizeReader() { finish(); }

  void add(SizeJob job) {
    if (!worker_.joinable()) {
      read(job);
      return;
    }
    std::optional<SizeJob> mine;
    {
      std::lock_guard<std::mutex> lock(mu_);
      queue_.push_back(std::move(job));
      if (queue_.size() > kMaxQueued) {
        mine = std::move(queue_.front());
        queue_.pop_front();
      } else {
        cv_.notify_one();
      }
    }
    if (mine) read(*mine);
  }

  // Waits until every queued size has been read into its slot.
  void finish() {
    if (!worker_.joinable()) return;
    {
      std::lock_guard<std::mutex> lock(mu_);
      closing_ = true;
    }
    cv_.notify_one();
    worker_.join();
  }

 private:
  // Bounds the directories held open while waiting for the worker.
  static constexpr size_t kMaxQueued = 64;

  static void read(SizeJob& job) {
    const int dfd = ::dirfd(job.dir);
    uint64_t bytes = 0;
    for (size_t i = 0; i < job.names.size();) {
      const char* name = job.names.c_str() + i;
      struct stat st;
      if (::fstatat(dfd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode))
        bytes += static_cast<uint64_t>(st.st_size);
      i += std::char_traits<char>::length(name) + 1;
    }
    ::closedir(job.dir);
    job.slot->bytes += bytes;
  }

  void run() {
    while (true) {
      SizeJob job;
      {
        std::unique_lock<std::mutex> lock(mu_);
        cv_.wait(lock, [this] { return closing_ || !queue_.empty(); });
        if (queue_.empty()) return;
        job = std::move(queue_.front());
        queue_.pop_front();
      }
      read(job);
    }
  }

  std::mutex mu_;
  std::condition_variable cv_;
  std::deque<SizeJob> queue_;
  bool closing_ = false;
  std::thread worker_;
};

// Walks one directory root with an explicit stack. Files are counted while
// each directory is read; their sizes go to `sizes`, which adds them to the
// directory's slot. Slots are map nodes, so their addresses survive rehashing.
void walk_root(const std::string& root, Tables& t, SizeReader& sizes, Output& out) {
  std::vector<std::pair<std::string, uint64_t>> stack;
  stack.emplace_back(root, 0);
  DirEntry e;
  while (!stack.empty()) {
    auto [dir, depth] = std::move(stack.back());
    stack.pop_back();
    if (depth > kMaxWalkDepth) {
      out.write_err("zub: " + shown_path(dir) + ": 깊이 " + std::to_string(kMaxWalkDepth + 1) +
                    " 초과로 중단\n");
      continue;
    }
    DirReader d(dir);
    if (!d.is_open()) {
      t.too_long += d.open_error() == ENAMETOOLONG;
      continue;
    }
    SizeJob job;
    uint64_t files = 0;
    uint64_t known_bytes = 0;  // sizes already read to learn an entry's type
    while (d.next(e)) {
      if (e.dir) {
        stack.emplace_back(path_join(dir, e.raw), depth + 1);
        continue;
      }
      ++files;
      count_file(t, e.name);
      if (e.sized) {
        known_bytes += e.size;
      } else {
        job.names.append(e.raw);
        job.names.push_back('\0');
      }
    }
    if (files > 0) {
      job.slot = &t.dirs[dir];
      job.slot->files += files;
      job.slot->bytes += known_bytes;  // before the job is queued: the reader owns the slot after
    }
    if (job.names.empty()) continue;
    job.dir = d.release();
    sizes.add(std::move(job));
  }
}

// Components of `dir` below `root` ("" for the root itself); both as the walk
// built them, so the root is a plain text prefix.
std::string_view below_root(std::string_view dir, std::string_view root) {
  std::string_view rest = dir.substr(std::min(root.size(), dir.size()));
  while (!rest.empty() && rest.front() == '/') rest.remove_prefix(1);
  return rest;
}

// The first `depth` components of a relative path.
std::string_view leading_components(std::string_view rel, uint64_t depth) {
  size_t end = 0;
  for (uint64_t d = 0; d < depth; ++d) {
    const size_t slash = rel.find('/', end == 0 ? 0 : end + 1);
    if (slash == std::string_view::npos) return rel;
    end = slash;
  }
  return rel.substr(0, end);
}

uint64_t component_count(std::string_view rel) {
  if (rel.empty()) return 0;
  return 1 + static_cast<uint64_t>(std::count(rel.begin(), rel.end(), '/'));
}

// One row of the report: a directory with everything under it.
struct SummedRow {
  std::string rel;  // below its root; "" for the root
  DirStat sum;
};

// The rows of one walked root down to `depth` levels, in tree order: the
// root, then each level's directories by size, largest first.
std::vector<SummedRow> summed_rows(const std::unordered_map<std::string, DirStat>& dirs,
                                   const std::string& root, uint64_t depth) {
  std::unordered_map<std::string, DirStat> sums;
  for (const auto& [dir, own] : dirs) {
    const std::string_view rel = below_root(dir, root);
    const uint64_t levels = std::min(component_count(rel), depth);
    for (uint64_t d = 0; d <= levels; ++d) {
      DirStat& at = sums[std::string(d == 0 ? std::string_view() : leading_components(rel, d))];
      at.files += own.files;
      at.bytes += own.bytes;
    }
  }
  std::vector<SummedRow> rows;
  rows.reserve(sums.size());
  for (auto& [rel, sum] : sums) rows.push_back({rel, sum});
  // Tree order: compare the chains of ancestors level by level, a parent
  // before its children, siblings by size.
  auto size_of = [&](std::string_view rel) { return sums.at(std::string(rel)).bytes; };
  std::sort(rows.begin(), rows.end(), [&](const SummedRow& a, const SummedRow& b) {
    const uint64_t da = component_count(a.rel);
    const uint64_t db = component_count(b.rel);
    for (uint64_t d = 1; d <= std::min(da, db); ++d) {
      const std::string_view pa = leading_components(a.rel, d);
      const std::string_view pb = leading_components(b.rel, d);
      if (pa == pb) continue;
      const uint64_t sa = size_of(pa);
      const uint64_t sb = size_of(pb);
      if (sa != sb) return sa > sb;
      return path_less_by_components(pa, pb);
    }
    return da < db;
  });
  return rows;
}

// The directories right under `root` that the skip-name test keeps out of
// the walk (dist, build, node_modules), sized apart so that a part of the
// tree never goes missing from the report; hidden ones (.git) stay out, as
// in a listing. Sizing stops after kSkippedEntries files and directories,
// and the row says it was counted in part.
constexpr uint64_t kSkippedEntries = 200000;

struct SkippedDir {
  std::string name;
  DirStat sum;
  bool partial = false;
};

std::vector<SkippedDir> skipped_dirs(const std::string& root) {
  std::vector<SkippedDir> out;
  DIR* d = ::opendir(root.c_str());
  if (d == nullptr) return out;
  while (const dirent* e = ::readdir(d)) {
    const std::string_view name = e->d_name;
    if (name.empty() || name[0] == '.' || !is_skipped_name(lossy(name))) continue;
    struct stat st;
    if (::fstatat(::dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISDIR(st.st_mode))
      continue;
    SkippedDir s{lossy(name), {}, false};
    std::vector<std::string> stack{path_join(root, name)};
    uint64_t visited = 0;  // files and directories
    DirEntry entry;
    while (!stack.empty() && !s.partial) {
      const std::string dir = std::move(stack.back());
      stack.pop_back();
      DirReader r(dir);
      if (!r.is_open()) continue;
      while (r.next(entry)) {
        if (entry.dir) {
          stack.push_back(path_join(dir, entry.raw));
        } else {
          ++s.sum.files;
          s.sum.bytes += r.file_size(entry);
        }
        if (++visited >= kSkippedEntries) {
          s.partial = true;
          break;
        }
      }
    }
    out.push_back(std::move(s));
  }
  ::closedir(d);
  std::sort(out.begin(), out.end(), [](const SkippedDir& a, const SkippedDir& b) {
    if (a.sum.bytes != b.sum.bytes) return a.sum.bytes > b.sum.bytes;
    return a.name < b.name;
  });
  return out;
}

}  // namespace

bool path_less_by_components(std::string_view a, std::string_view b) {
  std::vector<Component> ca = components(a);
  std::vector<Component> cb = components(b);
  size_t n = std::min(ca.size(), cb.size());
  for (size_t i = 0; i < n; ++i) {
    if (ca[i].rank != cb[i].rank) return ca[i].rank < cb[i].rank;
    if (ca[i].text != cb[i].text) return ca[i].text < cb[i].text;
  }
  return ca.size() < cb.size();
}

std::string kind_key(std::string_view name) {
  if (name.empty()) return ".";
  size_t dot = name.rfind('.');
  if (dot == std::string_view::npos || dot == 0) return std::string(name);
  return std::string(name.substr(dot));
}

MapReport map_report(const std::vector<std::string>& roots, uint64_t n, uint64_t depth,
                     Output& out) {
  MapReport rep;
  std::vector<DirRoot> dir_roots;
  std::vector<FileRoot> file_roots;
  for (const std::string& root : roots) {
    struct stat st;
    if (::stat(root.c_str(), &st) != 0) {
      const int err = errno;
      out.write_err("zub map: " + shown_path(root) + ": " + os_error_text(err) + "\n");
      rep.failed = true;
      continue;
    }
    if (S_ISDIR(st.st_mode)) {
      dir_roots.push_back({root, canonical_or_written(root)});
    } else if (S_ISREG(st.st_mode)) {
      file_roots.push_back({root, canonical_or_written(root), static_cast<uint64_t>(st.st_size)});
    } else {
      out.write_err("zub map: " + shown_path(root) + ": 디렉터리도 파일도 아니다\n");
      rep.failed = true;
    }
  }
  // With no root left there is nothing to count: an empty table would only
  // read as an empty tree.
  if (dir_roots.empty() && file_roots.empty()) return rep;

  // Shortest canonical path first, so an enclosing root is always kept
  // before the roots inside it, whatever order they were given in.
  std::stable_sort(dir_roots.begin(), dir_roots.end(), [](const DirRoot& a, const DirRoot& b) {
    return a.canonical.size() < b.canonical.size();
  });
  std::vector<DirRoot> kept;
  for (DirRoot& r : dir_roots) {
    bool inside = std::any_of(kept.begin(), kept.end(), [&](const DirRoot& k) {
      return is_within(r.canonical, k.canonical);
    });
    if (inside) {
      out.write_err("zub map: " + shown_path(r.written) +
                    ": 이미 포함된 경로라 건너뜀(이중 집계 방지)\n");
      continue;
    }
    kept.push_back(std::move(r));
  }

  // One table per root, so that each root's rows hold only what lies under it.
  std::deque<Tables> tables(kept.size());
  SizeReader sizes;
  for (size_t i = 0; i < kept.size(); ++i) walk_root(kept[i].written, tables[i], sizes, out);
  sizes.finish();  // every size is in its row before rows are added to or read
  Tables t;
  for (const Tables& one : tables) {
    t.total += one.total;
    t.too_long += one.too_long;
    for (const auto& [kind, count] : one.kinds) t.kinds[kind] += count;
  }
  std::unordered_map<std::string, DirStat> file_dirs;
  for (const FileRoot& f : file_roots) {
    bool inside = std::any_of(kept.begin(), kept.end(), [&](const DirRoot& k) {
      return is_within(f.canonical, k.canonical);
    });
    if (inside) continue;
    DirStat& slot = file_dirs[parent_of(f.written)];
    slot.files += 1;
    slot.bytes += f.size;
    count_file(t, lossy(file_name_of(f.written)));
  }

  std::vector<std::string> lines;
  std::vector<std::string> part_of_line;  // the part name a row lists, or ""
  auto row = [&](const DirStat& st, const std::string& dir, std::string_view mark = {}) {
    part_of_line.push_back(dir.find('/') == std::string::npos ? dir : std::string());
    std::string l = std::to_string(st.files) + " " + std::to_string(st.bytes / 1024) + " " +
                    shown_path(lossy(dir));
    l += mark;
    l += "\n";
    lines.push_back(std::move(l));
  };
  for (size_t i = 0; i < kept.size(); ++i) {
    for (const SummedRow& r : summed_rows(tables[i].dirs, kept[i].written, depth)) {
      row(r.sum, r.rel.empty() ? kept[i].written : r.rel);
      if (r.rel.empty()) part_of_line.back().clear();
    }
    for (const SkippedDir& sk : skipped_dirs(kept[i].written))
      row(sk.sum, sk.name, sk.partial ? " (skipped, counted in part)" : " (skipped)");
  }
  std::vector<std::pair<std::string, DirStat>> loose(file_dirs.begin(), file_dirs.end());
  std::sort(loose.begin(), loose.end(), [](const auto& a, const auto& b) {
    if (a.second.bytes != b.second.bytes) return a.second.bytes > b.second.bytes;
    return path_less_by_components(a.first, b.first);
  });
  for (const auto& [dir, st] : loose) {
    row(st, dir);
    part_of_line.back().clear();
  }

  std::vector<std::pair<std::string, uint64_t>> kinds(t.kinds.begin(), t.kinds.end());
  std::sort(kinds.begin(), kinds.end(), [](const auto& a, const auto& b) {
    if (a.second != b.second) return a.second > b.second;
    return a.first < b.first;
  });

  std::string& s = rep.text;
  s += std::to_string(t.total) + " files\n";
  s += "ext: ";
  for (size_t i = 0; i < kinds.size() && i < 10; ++i)
    s += shown_path(kinds[i].first) + "×" + std::to_string(kinds[i].second) + " ";
  s += "\n";
  s += "files KB dir\n";
  const uint64_t d = lines.size();
  const uint64_t shown = std::min<uint64_t>(n, d);
  for (uint64_t i = 0; i < shown; ++i) {
    s += lines[i];
    if (!part_of_line[i].empty()) rep.parts.push_back(part_of_line[i]);
  }
  if (n < d) {
    s += "… 상위 " + std::to_string(shown) + " 개만 표시 (전체 " + std::to_string(d) +
         " 개 디렉터리, `-n " + std::to_string(d) + "` 로 더 보기)\n";
  }
  if (t.too_long > 0) {
    s += '[';
    s += std::to_string(t.too_long);
    s += " paths over PATH_MAX skipped]\n";
  }
  return rep;
}

std::string root_files(const std::string& root, uint64_t n) {
  DirReader d(root);
  if (!d.is_open()) return {};
  std::vector<std::pair<std::string, uint64_t>> files;
  DirEntry e;
  while (d.next(e)) {
    if (e.dir) continue;
    files.emplace_back(std::string(e.name), d.file_size(e));
  }
  std::sort(files.begin(), files.end());
  std::string s = "bytes file (" + shown_path(root) + ")\n";
  const uint64_t shown = std::min<uint64_t>(n, files.size());
  for (uint64_t i = 0; i < shown; ++i)
    s += std::to_string(files[i].second) + " " + shown_path(files[i].first) + "\n";
  if (shown < files.size())
    s += "… 상위 " + std::to_string(shown) + " 개만 표시 (전체 " + std::to_string(files.size()) +
         " 개 파일, `-n " + std::to_string(files.size()) + "` 로 더 보기)\n";
  return s;
}

int cmd_map(const MapOptions& opts, Output& out) {
  const std::vector<std::string> roots = roots_or_here(opts.roots);
  MapReport rep = map_report(roots, opts.rows, opts.depth, out);
  if (opts.files) {
    for (const std::string& root : roots) {
      struct stat st;
      if (::stat(root.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        rep.text += root_files(root, opts.rows);
    }
  }
  out.write_out(rep.text);
  return rep.failed ? 2 : 0;
}

}  // namespace zub
