#include "web/http_date.h"

#include <array>
#include <limits>

#include "base/number.h"
#include "base/unicode.h"

namespace zub {

namespace {

// Wide enough that absurd but syntactically valid fields cannot overflow.
__extension__ typedef __int128 Wide;

constexpr std::array<std::string_view, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// Days since 1970-01-01 of a proleptic Gregorian date, with March as the
// first month of the computational year so that leap days fall last.
Wide days_from_civil(Wide y, Wide m, Wide d) {
  y -= m <= 2 ? 1 : 0;
  Wide era = (y >= 0 ? y : y - 399) / 400;
  Wide yoe = y - era * 400;
  Wide mp = m > 2 ? m - 3 : m + 9;
  Wide doy = (153 * mp + 2) / 5 + d - 1;
  Wide doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

}  // namespace

std::optional<int64_t> parse_http_date(std::string_view text) {
  std::array<std::string_view, 5> tok;
  size_t count = 0;
  for_each_word(trim_ws(text), [&](std::string_view w) {
    if (count < tok.size()) tok[count] = w;
    ++count;
  });
  if (count < 5) return std::nullopt;

  auto day = parse_u64(tok[1]);
  auto year = parse_u64(tok[3]);
  if (!day || !year) return std::nullopt;
  unsigned month = 0;
  for (unsigned i = 0; i < kMonths.size(); ++i)
    if (tok[2] == kMonths[i]) month = i + 1;
  if (month == 0) return std::nullopt;

  std::array<uint64_t, 3> hms{};
  std::string_view t = tok[4];
  for (size_t i = 0; i < 3; ++i) {
    size_t colon = t.find(':');
    std::string_view part = i < 2 ? t.substr(0, colon) : t;
    if (i < 2 && colon == std::string_view::npos) return std::nullopt;
    auto v = parse_u64(part);
    if (!v) return std::nullopt;
    hms[i] = *v;
    if (i < 2) t.remove_prefix(colon + 1);
  }

  Wide secs = days_from_civil(static_cast<Wide>(*year), month, static_cast<Wide>(*day)) * 86400 +
              static_cast<Wide>(hms[0]) * 3600 + static_cast<Wide>(hms[1]) * 60 +
              static_cast<Wide>(hms[2]);
  if (secs > std::numeric_limits<int64_t>::max() || secs < std::numeric_limits<int64_t>::min())
    return std::nullopt;
  return static_cast<int64_t>(secs);
}

}  // namespace zub
