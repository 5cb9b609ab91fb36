#include "search/walk.h"

#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <climits>
#include <cstring>

#include "base/dir_reader.h"
#include "base/file_io.h"
#include "base/skip_names.h"
#include "base/text.h"
#include "base/utf8.h"
#include "search/glob.h"

namespace zub {

namespace {

// clang-format off
constexpr std::string_view kNonSource[] = {
    "png",  "jpg",    "jpeg",  "gif",  "webp", "ico",        "svg",   "pdf",   "zip",  "gz",
    "tgz",  "tar",    "bz2",   "xz",   "7z",   "mp4",        "mov",   "mp3",   "wav",  "woff",
    "woff2", "ttf",   "otf",   "eot",  "hwpx", "hwp",        "xlsx",  "xls",   "docx", "pptx",
    "sqlite", "db",   "parquet", "bin", "wasm", "so",        "dylib", "dll",   "exe",  "csv",
    "tsv",  "log",    "ndjson", "jsonl", "pack", "idx",      "map",   "pyc",   "class", "o",
    "a",    "pak",    "ppt",   "doc",  "icns", "strings",    "dat",   "nib",   "bmp",  "jar",
    "mo",   "webm",   "bkp",   "safetensors", "dmg", "whl",  "zst",   "iso",   "img",  "avif",
    "heic", "psd",    "node",  "pdb",  "pyd",  "apk",        "ipa",   "aab",   "onnx", "pt",
    "pth",  "ckpt",   "h5",    "npy",  "npz",  "pkl",        "ttc",   "m4a",   "aac",  "flac",
    "avi",  "mkv",    "car",   "tiff", "tif",
};
// clang-format on

// True when the file's final extension (lower-cased) marks it as non-source.
bool is_non_source_extension(std::string_view ext) {
  if (ext.empty() || ext.size() > 11) return false;
  char low[12];
  for (size_t i = 0; i < ext.size(); ++i) low[i] = ascii_lower_char(ext[i]);
  const std::string_view l(low, ext.size());
  for (std::string_view s : kNonSource)
    if (s == l) return true;
  return false;
}

// The text after the last dot of `name`; false when there is no dot.
bool extension_of(std::string_view name, std::string_view& ext) {
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return false;
  ext = name.substr(dot + 1);
  return true;
}

bool iequals_ascii(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (ascii_lower_char(a[i]) != ascii_lower_char(b[i])) return false;
  return true;
}

std::string_view last_component(std::string_view path) {
  while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
  const size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::vector<std::string> ascii_lowered(const std::vector<std::string>& texts) {
  std::vector<std::string> out;
  for (const std::string& t : texts) {
    std::string low = t;
    for (char& c : low) c = ascii_lower_char(c);
    out.push_back(std::move(low));
  }
  return out;
}

// The filter of one walk, its globs expanded once for every name.
struct Admission {
  const FileFilter& f;
  GlobSet names;
  GlobSet excludes;
  GlobSet find_names, find_inames, find_paths;
  explicit Admission(const FileFilter& filter)
      : f(filter),
        names(filter.names),
        excludes(filter.excludes),
        find_names(filter.find_names),
        find_inames(ascii_lowered(filter.find_inames)),
        find_paths(filter.find_paths) {}
};

// find's tests on a file or directory named `name` (as UTF-8) at `path`.
bool passes_find_tests(const Admission& a, std::string_view name, std::string_view path) {
  if (!a.find_names.empty() && !a.find_names.matches(name)) return false;
  if (!a.find_inames.empty()) {
    std::string low(name);
    for (char& c : low) c = ascii_lower_char(c);
    if (!a.find_inames.matches(low)) return false;
  }
  return a.find_paths.empty() || a.find_paths.matches(path);
}

// Steps 1-3 of admission: exclusion globs, name globs, extension list.
// `name` is the last path component ("" when it is not UTF-8); the path
// below the walk's root starts at path[below].
bool passes_user_filters(const Admission& a, std::string_view name, std::string_view path,
                         size_t below) {
  const FileFilter& f = a.f;
  if (!a.excludes.empty() || !a.names.empty() || !a.find_names.empty() || !a.find_inames.empty() ||
      !a.find_paths.empty()) {
    std::string lossy, lossy_below;
    std::string_view whole = path, rel = path.substr(below);
    if (!is_valid_utf8(path)) {
      lossy = decode_lossy(path);
      whole = lossy;
      lossy_below = decode_lossy(rel);
      rel = lossy_below;
    }
    // A name that is not UTF-8 is matched as the path shows it.
    const GlobSet::File file{name.empty() ? last_component(whole) : name, whole, rel};
    if (a.excludes.matches_file(file)) return false;
    if (!a.names.empty() && !a.names.matches_file(file)) return false;
    if (!passes_find_tests(a, file.name, whole)) return false;
  }
  if (!f.extensions.empty()) {
    std::string_view ext;
    if (!extension_of(name, ext)) return false;
    bool any = false;
    for (const std::string& e : f.extensions) {
      if (iequals_ascii(e, ext)) {
        any = true;
        break;
      }
    }
    if (!any) return false;
  }
  return true;
}

struct Pending {
  std::string dir;
  uint64_t depth;
};

void walk_dir(const std::string& root, const Admission& a, const WalkSink& emit,
              const WalkSink* dirs, uint64_t& non_source, uint64_t& too_long) {
  const FileFilter& f = a.f;
  std::vector<Pending> stack;
  stack.push_back({root, 0});
  // Where a path below the root starts ("./" or "src/" make it 2 or 4).
  const size_t below = path_join(root, "x").size() - 1;
  DirEntry e;
  while (!stack.empty()) {
    Pending cur = std::move(stack.back());
    stack.pop_back();
    if (dirs != nullptr && cur.depth > 0 && cur.depth <= f.max_depth) {
      // Tested as files are: a path that is not UTF-8 as it is shown.
      const bool utf8 = is_valid_utf8(cur.dir);
      const std::string lossy = utf8 ? std::string() : decode_lossy(cur.dir);
      const std::string_view shown = utf8 ? std::string_view(cur.dir) : lossy;
      if (passes_find_tests(a, last_component(shown), shown)) (*dirs)(std::string(cur.dir));
    }
    if (cur.depth > kMaxWalkDepth || cur.depth >= f.max_depth) continue;
    DirReader d(cur.dir);
    if (!d.is_open()) {
      too_long += d.open_error() == ENAMETOOLONG;
      continue;
    }
    while (d.next(e)) {
      if (e.dir) {
        stack.push_back({path_join(cur.dir, e.raw), cur.depth + 1});
        continue;
      }
      std::string path = path_join(cur.dir, e.raw);
      if (path.size() >= PATH_MAX) {  // no open() would take it
        ++too_long;
        continue;
      }
      const std::string_view uname = e.utf8 ? e.raw : std::string_view();
      if (!passes_user_filters(a, uname, path, below)) continue;
      if (!f.include_all) {
        std::string_view ext;
        if (e.utf8 && extension_of(e.raw, ext) && is_non_source_extension(ext)) {
          ++non_source;
          continue;
        }
      }
      emit(std::move(path));
    }
  }
}

}  // namespace

const std::vector<std::string>& roots_or_here(const std::vector<std::string>& roots) {
  static const std::vector<std::string> kHere = {"."};
  return roots.empty() ? kHere : roots;
}

uint64_t walk_roots_each(const std::vector<std::string>& roots, const FileFilter& filter,
                         const WalkSink& emit, uint64_t* too_long, const WalkSink* dirs) {
  uint64_t non_source = 0;
  uint64_t long_paths = 0;
  const Admission admission(filter);
  for (const std::string& root : roots) {
    struct stat st;
    if (stat(root.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
      walk_dir(root, admission, emit, dirs, non_source, long_paths);
      continue;
    }
    std::string_view name = last_component(root);
    if (!is_valid_utf8(name)) name = std::string_view();
    if (passes_user_filters(admission, name, root, 0)) emit(std::string(root));
  }
  if (too_long) *too_long = long_paths;
  return non_source;
}

WalkResult walk_roots(const std::vector<std::string>& roots, const FileFilter& filter) {
  WalkResult r;
  r.non_source_skipped = walk_roots_each(
      roots, filter, [&](std::string&& path) { r.files.push_back(std::move(path)); },
      &r.too_long_skipped);
  return r;
}

ListedRead read_listed_file_capped(const std::string& path, uint64_t cap, ReadBuffer& buf) {
  buf.len = 0;
  if (buf.use_map) {
    buf.mapped = ReadResult();
    buf.use_map = false;
  }
  struct stat st;
  int err = 0;
  const int fd = open_readable(path, st, &err);
  if (fd < 0) return ListedRead::kFailed;
  const bool regular = S_ISREG(st.st_mode);
  const uint64_t size = regular ? static_cast<uint64_t>(st.st_size) : 0;
  if (size > kMaxScanBytes) {
    ::close(fd);
    // Mapped, a huge file costs no heap, and a binary one is told apart by
    // the first page of its head alone.
    if (size > cap) return ListedRead::kTooLarge;
    buf.mapped = read_file_view(path);
    if (!buf.mapped.ok) return ListedRead::kFailed;
    buf.use_map = true;
    return ListedRead::kRead;
  }
  // A regular file's size is known; anything else (a pipe, a /proc file that
  // reports 0) is read one byte past what may be kept, to see it is over.
  const uint64_t keep = cap < kMaxUnmappedBytes ? cap : kMaxUnmappedBytes;
  const uint64_t limit = keep + 1;
  uint64_t want = size > 0 ? size + 1 : 64 * 1024;
  if (want > limit) want = limit;
  bool ok = true;
  for (;;) {
    if (buf.len == buf.cap) {
      if (buf.len >= limit) break;
      uint64_t grow = buf.cap < 64 * 1024 ? 64 * 1024 : buf.cap * 2;
      if (grow < want) grow = want;
      if (grow > limit) grow = limit;
      std::unique_ptr<char[]> bigger(new char[grow]);
      if (buf.len) std::memcpy(bigger.get(), buf.bytes.get(), buf.len);
      buf.bytes = std::move(bigger);
      buf.cap = grow;
    }
    uint64_t room = buf.cap - buf.len;
    if (room > limit - buf.len) room = limit - buf.len;
    // A regular file ends where fstat said, without a read to confirm it.
    const FdFill got = fill_from_fd(fd, buf.bytes.get() + buf.len, static_cast<size_t>(room),
                                    size > buf.len ? size - buf.len : 0);
    buf.len += got.bytes;
    if (got.err != 0) {
      ok = false;
      break;
    }
    if (got.ended) break;
  }
  ::close(fd);
  if (!ok) return ListedRead::kFailed;
  return buf.len <= keep ? ListedRead::kRead : ListedRead::kTooLarge;
}

bool read_listed_file(const std::string& path, bool include_all, ReadBuffer& buf) {
  return read_listed_file_capped(path, include_all ? UINT64_MAX : kMaxScanBytes, buf) ==
         ListedRead::kRead;
}

bool content_gate(const std::string& path, bool include_all, ReadBuffer& buf) {
  if (!read_listed_file(path, include_all, buf)) return false;
  const std::string_view text = buf.view();
  const size_t head = text.size() < 1024 ? text.size() : 1024;
  if (std::memchr(text.data(), 0, head)) return false;
  return is_valid_utf8(text);
}

}  // namespace zub
