#include "base/map_guard.h"

#include <sys/mman.h>
#include <unistd.h>
#include <atomic>
#include <csignal>
#include <cstdint>
#include <mutex>

namespace zub {

namespace {

constexpr int kSlots = 64;
constexpr uintptr_t kClaimed = 1;  // slot taken, length not yet published

struct Slot {
  std::atomic<uintptr_t> start{0};
  std::atomic<size_t> len{0};
};

Slot g_slots[kSlots];
std::once_flag g_install_once;
uintptr_t g_page = 4096;

void on_sigbus(int sig, siginfo_t* info, void*) {
  const uintptr_t addr = reinterpret_cast<uintptr_t>(info->si_addr);
  for (Slot& s : g_slots) {
    const uintptr_t start = s.start.load(std::memory_order_acquire);
    const size_t len = s.len.load(std::memory_order_acquire);
    if (start <= kClaimed || addr < start || addr - start >= len) continue;
    void* page = reinterpret_cast<void*>(addr & ~(g_page - 1));
    // mmap is a plain system call; replacing the page lets the faulting load
    // be retried and read zeros.
    if (mmap(page, g_page, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) != MAP_FAILED)
      return;
    break;
  }
  // Not ours (or the page could not be replaced): die as without a handler.
  signal(sig, SIG_DFL);
  raise(sig);
}

void install() {
  g_page = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
  struct sigaction sa = {};
  sa.sa_sigaction = on_sigbus;
  sa.sa_flags = SA_SIGINFO | SA_NODEFER;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGBUS, &sa, nullptr);
}

}  // namespace

bool register_mapping(const void* start, size_t len) {
  std::call_once(g_install_once, install);
  for (Slot& s : g_slots) {
    // Claim the slot with a placeholder, then publish the length before the
    // real start, so the handler never pairs a start with a wrong length.
    uintptr_t expected = 0;
    if (!s.start.compare_exchange_strong(expected, kClaimed, std::memory_order_acq_rel)) continue;
    s.len.store(len, std::memory_order_release);
    s.start.store(reinterpret_cast<uintptr_t>(start), std::memory_order_release);
    return true;
  }
  return false;
}

void unregister_mapping(const void* start) {
  const uintptr_t p = reinterpret_cast<uintptr_t>(start);
  for (Slot& s : g_slots) {
    if (s.start.load(std::memory_order_acquire) == p) {
      s.start.store(0, std::memory_order_release);
      return;
    }
  }
}

}  // namespace zub
