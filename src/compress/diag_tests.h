// The name of the test a failing-test line names, for the rows that record
// failing tests (diag_tests.cpp and the loose lines' row). Pure;
// thread-safe.
#pragma once

#include <string>
#include <string_view>

namespace zub {

// The name of the test a failing-test line names, as the runner's other
// lines about the same test give it ("math › adds" and "✕ adds (2 ms)"
// both give "adds"); `full` when the line also names its suite or file.
// Empty when the line names no single test ("FAIL pkg 0.01s").
std::string failing_test_key(std::string_view t, bool& full);

}  // namespace zub
