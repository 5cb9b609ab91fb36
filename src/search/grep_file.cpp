// Reading one listed file for `zub grep`. A regular file is read in pieces
// of at most kPiece bytes that end at a line feed, so a worker's buffer stays
// small (and warm in the cache) however large the files; a file that fits in
// one piece is checked for UTF-8 only when its scan found something (a file
// without a result shows nothing either way, and the check is the costliest
// part of reading it).
#include "search/grep_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cstring>

#include "base/file_io.h"
#include "base/utf8.h"

namespace zub {

namespace {

constexpr size_t kPiece = 128 * 1024;
constexpr size_t kHead = 1024;  // where the binary test looks for a NUL

std::optional<FileResult> with_path(std::optional<FileResult> r, std::string&& path) {
  if (r) r->path = std::move(path);
  return r;
}

// Reads a file whole into `buf` through the content gate; false when it is
// not to be scanned. A source of unknown size (a pipe named as a root) is
// counted when it runs over the cap.
bool read_gated(const GrepOptions& o, const std::string& path, ScanScratch& s, ReadBuffer& buf,
                bool named) {
  const uint64_t cap =
      o.filter.include_all ? UINT64_MAX : (named ? kMaxUnmappedBytes : kMaxScanBytes);
  switch (read_listed_file_capped(path, cap, buf)) {
    case ListedRead::kRead: break;
    case ListedRead::kTooLarge:
      ++(cap >= kMaxUnmappedBytes ? s.over_cap : s.size_skipped);
      return false;
    case ListedRead::kFailed: return false;
  }
  const std::string_view text = buf.view();
  const size_t head = text.size() < kHead ? text.size() : kHead;
  return !std::memchr(text.data(), 0, head) && is_valid_utf8(text);
}

// The whole-text route: the content gate, then the scan.
std::optional<FileResult> scan_whole(const GrepOptions& o, const PatternSet& ps, std::string&& path,
                                     ScanScratch& s, ReadBuffer& buf, bool named) {
  if (!read_gated(o, path, s, buf, named)) return std::nullopt;
  const std::string_view text = buf.view();
  // Needle-driven selection finds the needles itself; only the others need
  // the whole-text test first.
  if (prefilter_applies(ps, o.invert) && !grep_detail::needle_driven(ps.list, o.invert) &&
      !prefilter_passes(ps, text))
    return std::nullopt;
  return with_path(scan_file(o, ps, text, s), std::move(path));
}

// A large file in context mode whose pieces showed a hit: the scan needs
// all of it at once. It is mapped for this one scan and unmapped after, so
// no worker keeps a buffer of the largest file it has met.
std::optional<FileResult> scan_mapped(const GrepOptions& o, const PatternSet& ps,
                                      std::string&& path, ScanScratch& s, uint64_t cap) {
  const ReadResult file = read_file_view(path);
  if (!file.ok) return std::nullopt;
  const std::string_view text = file.text();
  if (text.size() > cap) {
    ++s.size_skipped;
    return std::nullopt;
  }
  if (std::memchr(text.data(), 0, text.size() < kHead ? text.size() : kHead)) return std::nullopt;
  std::optional<FileResult> r = scan_file(o, ps, text, s);
  if (!r || !is_valid_utf8(text)) return std::nullopt;
  return with_path(std::move(r), std::move(path));
}

// -L: every file that passes the content gate has a result, with its count
// of selected lines (0 for one to list). Taken whole: a file's absence of
// matches is only known at its end, and -L is rare enough not to need the
// pieces.
std::optional<FileResult> scan_for_absence(const GrepOptions& o, const PatternSet& ps,
                                           std::string&& path, ScanScratch& s, ReadBuffer& buf,
                                           bool named) {
  if (!read_gated(o, path, s, buf, named)) return std::nullopt;
  const std::string_view text = buf.view();
  FileResult r;
  if (!prefilter_applies(ps, o.invert) || prefilter_passes(ps, text))
    for_each_selected(
        ps, o.invert, text, s, [&](uint64_t, std::string_view) { ++r.matched; }, false);
  r.path = std::move(path);
  return r;
}

struct Fd {
  int fd;
  ~Fd() { ::close(fd); }
};

}  // namespace

std::optional<FileResult> scan_path(const GrepOptions& o, const PatternSet& ps, std::string&& path,
                                    ScanScratch& s, ReadBuffer& buf, bool named) {
  if (o.files_without_match) return scan_for_absence(o, ps, std::move(path), s, buf, named);
  const bool driven = grep_detail::needle_driven(ps.list, o.invert);
  // Without the size cap a file is taken as it is, through the content gate.
  if (o.filter.include_all) return scan_whole(o, ps, std::move(path), s, buf, named);
  const int raw = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (raw < 0) return std::nullopt;
  Fd fd{raw};
  struct stat st;
  // Anything but a regular file (a pipe or device given as a root) goes
  // through the content gate; for a regular file O_NONBLOCK means nothing.
  if (fstat(fd.fd, &st) != 0 || !S_ISREG(st.st_mode))
    return scan_whole(o, ps, std::move(path), s, buf, named);
  const uint64_t size = static_cast<uint64_t>(st.st_size);
  const uint64_t cap = named ? kMaxUnmappedBytes : kMaxScanBytes;
  if (size > cap) {
    ++s.size_skipped;
    return std::nullopt;
  }
  // Context lines reach back into earlier pieces, and a needle that holds a
  // line feed can straddle two: those scans take the file whole. With
  // needles that cannot straddle, the pieces still tell whether there is
  // anything to scan (most files have no hit), and only then is the whole
  // file looked at.
  const bool whole = needs_whole_text(o) || (prefilter_applies(ps, o.invert) && !driven);
  const bool grow = whole && !driven;
  const size_t need = grow && size + 1 > kPiece ? static_cast<size_t>(size) + 1 : kPiece;
  if (buf.cap < need || (!grow && buf.cap > kPiece)) {
    buf.bytes.reset(new char[need]);
    buf.cap = need;
  }
  buf.len = 0;
  uint64_t total = 0;      // bytes read from the file
  uint64_t line_base = 0;  // lines in the pieces already scanned
  bool split = false;      // a piece was scanned before the end was seen
  FileScan f;
  begin_scan(s, ps.list.size(), f);
  for (;;) {
    // A regular file ends where fstat said, without a read to confirm it.
    const FdFill got = fill_from_fd(fd.fd, buf.bytes.get() + buf.len, buf.cap - buf.len,
                                    size > total ? size - total : 0);
    if (got.err != 0) return std::nullopt;
    if (total < kHead) {
      const size_t head_end = total + got.bytes < kHead ? got.bytes : kHead - total;
      if (std::memchr(buf.bytes.get() + buf.len, 0, head_end)) return std::nullopt;
    }
    total += got.bytes;
    buf.len += got.bytes;
    if (total > cap) {
      ++s.size_skipped;
      return std::nullopt;
    }
    const bool eof = got.ended;
    if (eof && !split) {
      // The whole file is in the buffer.
      const std::string_view text = buf.view();
      if (driven) {
        const MultiHit first = multi_find(ps.needles, text, 0);
        if (first.pos == std::string_view::npos) return std::nullopt;
        s.first_hit = first;
      } else if (whole && prefilter_applies(ps, o.invert) && !prefilter_passes(ps, text)) {
        return std::nullopt;
      }
      // The scan copes with any bytes; whether they are UTF-8 matters only
      // when it found something.
      std::optional<FileResult> r;
      if (whole) {
        r = scan_file(o, ps, text, s);
      } else {
        scan_segment(o, ps, text, 0, s, f);
        r = finish_scan(o, f);
      }
      if (!r || !is_valid_utf8(text)) return std::nullopt;
      return with_path(std::move(r), std::move(path));
    }
    size_t end = buf.len;
    if (!eof) {
      const void* nl = grow ? nullptr : memrchr(buf.bytes.get(), '\n', buf.len);
      if (!nl) {
        // One line longer than the buffer (or a file that grew while being
        // read whole): make room for the rest.
        const size_t doubled = buf.cap * 2;
        std::unique_ptr<char[]> bigger(new char[doubled]);
        std::memcpy(bigger.get(), buf.bytes.get(), buf.len);
        buf.bytes = std::move(bigger);
        buf.cap = doubled;
        continue;
      }
      end = static_cast<size_t>(static_cast<const char*>(nl) - buf.bytes.get()) + 1;
    }
    split = true;
    const std::string_view piece(buf.bytes.get(), end);
    if (whole) {
      if (multi_find(ps.needles, piece, 0).pos != std::string_view::npos)
        return scan_mapped(o, ps, std::move(path), s, cap);
      if (eof) return std::nullopt;
      std::memmove(buf.bytes.get(), buf.bytes.get() + end, buf.len - end);
      buf.len -= end;
      continue;
    }
    if (!is_valid_utf8(piece)) return std::nullopt;
    scan_segment(o, ps, piece, line_base, s, f);
    if (eof) break;
    line_base += count_byte(piece.data(), piece.size(), '\n');
    std::memmove(buf.bytes.get(), buf.bytes.get() + end, buf.len - end);
    buf.len -= end;
  }
  return with_path(finish_scan(o, f), std::move(path));
}

}  // namespace zub
