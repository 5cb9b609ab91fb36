// Keeps file mappings from crashing the process. Reading a mapped page that
// lies beyond the end of a file that was truncated after it was mapped
// raises SIGBUS; for the regions registered here the fault is answered by
// putting a page of zero bytes in place, so the reader sees NUL bytes where
// the vanished data was instead of dying. Thread-safe; the handler is
// installed on first use.
#pragma once

#include <cstddef>

namespace zub {

// Registers [start, start+len) as a read-only file mapping. Returns false
// when no slot is free (the caller should then not map).
bool register_mapping(const void* start, size_t len);
void unregister_mapping(const void* start);

}  // namespace zub
