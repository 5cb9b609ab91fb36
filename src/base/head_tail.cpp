#include "base/head_tail.h"

#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>

namespace zub {

namespace {

// How far a cut moves to meet a line boundary.
constexpr size_t kLineSearch = size_t{64} << 10;
// Room for the gap line, reserved beside the head.
constexpr size_t kGapRoom = 256;

bool is_continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The end of the last whole UTF-8 character of `head`, which is the start
// of a longer text (so its own end need not be a boundary).
size_t whole_chars_end(std::string_view head) {
  size_t lead = head.size();
  while (lead > 0 && is_continuation(head[lead - 1])) --lead;
  if (lead == 0) return head.size();  // no lead byte at all: nothing to keep whole
  --lead;
  const unsigned char b = static_cast<unsigned char>(head[lead]);
  const size_t len = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
  return lead + len <= head.size() ? head.size() : lead;
}

}  // namespace

HeadTail::HeadTail(uint64_t cap) : cap_(cap), head_cap_(cap / 2), tail_cap_(cap - cap / 2) {}

void HeadTail::append(std::string_view bytes) {
  total_ += bytes.size();
  if (head_.size() < head_cap_) {
    const size_t take =
        static_cast<size_t>(std::min<uint64_t>(bytes.size(), head_cap_ - head_.size()));
    head_.append(bytes.data(), take);
    bytes.remove_prefix(take);
  }
  if (bytes.empty()) return;
  if (ring_.empty()) {
    // From here the head stays as it is; room for the gap line and the tail
    // beside it spares the copy of a reallocation when they are joined.
    head_.reserve(static_cast<size_t>(head_cap_) + kGapRoom + static_cast<size_t>(tail_cap_));
    ring_.reserve(static_cast<size_t>(tail_cap_));
  }
  if (tail_cap_ == 0) return;
  // Until the ring is full it grows; then it wraps.
  while (!bytes.empty() && ring_.size() < tail_cap_) {
    const size_t take =
        static_cast<size_t>(std::min<uint64_t>(bytes.size(), tail_cap_ - ring_.size()));
    ring_.append(bytes.data(), take);
    bytes.remove_prefix(take);
  }
  if (bytes.size() >= ring_.size()) {
    bytes.remove_prefix(bytes.size() - ring_.size());
    ring_.assign(bytes.data(), bytes.size());
    ring_at_ = 0;
    return;
  }
  while (!bytes.empty()) {
    const size_t take = std::min(bytes.size(), ring_.size() - ring_at_);
    ring_.replace(ring_at_, take, bytes.data(), take);
    bytes.remove_prefix(take);
    ring_at_ = (ring_at_ + take) % ring_.size();
  }
}

HeadTail::Kept HeadTail::finish() {
  Kept k;
  if (total_ <= cap_) {
    k.text = std::move(head_);
    k.text += ring_;  // never wrapped: the ring wraps only past the cap
    return k;
  }
  // The tail in order: the oldest byte sits at ring_at_.
  std::rotate(ring_.begin(), ring_.begin() + static_cast<std::ptrdiff_t>(ring_at_), ring_.end());
  std::string_view tail = ring_;
  size_t head_end = head_.size();
  const size_t nl = head_.rfind('\n');
  if (nl != std::string::npos && head_.size() - (nl + 1) <= kLineSearch) {
    head_end = nl + 1;
  } else {
    head_end = whole_chars_end(head_);
  }
  size_t tail_from = 0;
  const size_t tnl = tail.substr(0, std::min(tail.size(), kLineSearch)).find('\n');
  if (tnl != std::string_view::npos) {
    tail_from = tnl + 1;
  } else {
    while (tail_from < tail.size() && tail_from < 3 && is_continuation(tail[tail_from]))
      ++tail_from;
  }
  k.left_out = total_ - head_end - (tail.size() - tail_from);
  k.text = std::move(head_);
  k.text.resize(head_end);
  if (!k.text.empty() && k.text.back() != '\n') k.text += '\n';
  k.gap_at = k.text.size();
  k.text += head_tail_gap_line(k.left_out, cap_);
  k.gap_size = k.text.size() - k.gap_at;
  k.text.append(tail.substr(tail_from));
  std::string().swap(ring_);
  return k;
}

std::string head_tail_gap_line(uint64_t left_out, uint64_t cap) {
  return "[zub: 상한 " + std::to_string(cap) + " bytes 를 넘어 여기서 " + std::to_string(left_out) +
         " bytes 를 건너뛰었다]\n";
}

std::string head_tail_note(std::string_view sub, std::string_view what, uint64_t total,
                           uint64_t left_out, uint64_t cap) {
  return "[zub " + std::string(sub) + ": " + std::string(what) + " " + std::to_string(total) +
         " bytes 가 상한 " + std::to_string(cap) +
         " bytes(ZUB_FILTER_MAX)를 넘어 앞뒤만 보고 가운데 " + std::to_string(left_out) +
         " bytes 는 건너뛰었다]\n";
}

CappedRead read_fd_capped(int fd, uint64_t cap) {
  CappedRead r;
  struct stat st;
  const off_t at = ::lseek(fd, 0, SEEK_CUR);
  if (at >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= at &&
      static_cast<uint64_t>(st.st_size - at) <= cap) {
    r.in = read_fd_text(fd);
    r.total = r.in.text().size();
    return r;
  }
  HeadTail ht(cap);
  std::string buf(size_t{1} << 16, '\0');
  r.in.ok = true;
  for (;;) {
    const ssize_t n = ::read(fd, buf.data(), buf.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      r.in.ok = false;
      r.in.err = errno;
      break;
    }
    if (n == 0) break;
    ht.append(std::string_view(buf.data(), static_cast<size_t>(n)));
  }
  r.total = ht.total();
  HeadTail::Kept k = ht.finish();
  r.in.data = std::move(k.text);
  r.left_out = k.left_out;
  r.gap_at = k.gap_at;
  r.gap_size = k.gap_size;
  return r;
}

}  // namespace zub
