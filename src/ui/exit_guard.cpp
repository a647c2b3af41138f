#include "ui/exit_guard.h"

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace corvane {
namespace {

std::atomic<std::function<void()>*> armed{nullptr};
std::thread::id armedThread;

// Taken out before it runs, so that an exit() from within runs it no more.
void RunLastWords() {
  if (std::this_thread::get_id() != armedThread) return;
  if (std::function<void()>* lastWords = armed.exchange(nullptr)) (*lastWords)();
}

}  // namespace

// Registered when the first guard is made, so that the handler runs before
// the static objects that the program made before it are destroyed.
ExitGuard::ExitGuard(std::function<void()> lastWords) : lastWords_(std::move(lastWords)) {
  static std::once_flag registered;
  std::call_once(registered, [] { std::atexit(&RunLastWords); });
  armedThread = std::this_thread::get_id();
  armed.store(&lastWords_);
}

ExitGuard::~ExitGuard() {
  std::function<void()>* mine = &lastWords_;
  armed.compare_exchange_strong(mine, nullptr);
}

}  // namespace corvane
