#include "base/control_text.h"

#include <gtest/gtest.h>

#include <string>

using zub::one_line_text;
using zub::page_text;

// Text runs between control characters of every kind: escape, DEL, a C1
// next line (C2 85), a line separator (E2 80 A8), and look-alikes that are
// text (a no-break space C2 A0, a lone C2 at the end).
TEST(ControlText, ControlsGoOrBecomeSpacesAndTheTextBetweenThemStays) {
  const std::string mixed =
      "\x1b"
      "ab\x1b[31mc\td\ne\x7f\xc2\x85"
      "f\xc2\xa0g\xe2\x80\xa8h\r\xc2";
  EXPECT_EQ(page_text(mixed),
            "ab[31mc\td\nef\xc2\xa0g\xe2\x80\xa8"
            "h\xc2");
  EXPECT_EQ(one_line_text(mixed), "ab[31mc d e f\xc2\xa0g h \xc2");
  EXPECT_EQ(page_text("plain \xc3\xa9t\xc3\xa9"), "plain \xc3\xa9t\xc3\xa9");
  EXPECT_EQ(one_line_text("\xe2\x80\xa9x\xe2\x80"), " x\xe2\x80");
  EXPECT_EQ(page_text(std::string("\0\x01\x7f\xc2\x9f", 5)), "");
  EXPECT_EQ(page_text("\n\n"), "\n\n");
  // The in-place form keeps and drops exactly the same bytes.
  for (const std::string& t : {mixed, std::string("\0\x01\x7f\xc2\x9f", 5), std::string("\n\n"),
                               std::string("\xc2\x85\xc2\xc2\x9fz")})
    EXPECT_EQ(zub::take_page_text(std::string(t)), page_text(t));
}
