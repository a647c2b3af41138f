#include "ui/exit_guard.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QString>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

namespace corvane {
namespace {

// How long a thread that saw the compositor go waits for the guarding
// thread to write the closing line, before it returns to Qt's _exit().
constexpr std::chrono::milliseconds kLastWordsWait{500};

std::atomic<std::function<void()>*> armed{nullptr};
std::thread::id armedThread;
QtMessageHandler previousHandler = nullptr;

// Taken out before it runs, so that an exit() from within runs it no more,
// and so that however many threads ask, it runs once.
void RunLastWords() {
  if (std::this_thread::get_id() != armedThread) return;
  if (std::function<void()>* lastWords = armed.exchange(nullptr)) (*lastWords)();
}

// Qt's Wayland plugin ends the process with _exit(1), which runs no exit
// handlers, right after logging one of these two fixed warnings of its own
// (QWaylandDisplay, Qt 6.4). It does so from its event-reading thread as
// well as from the main thread, whichever meets the broken connection first.
// The warning is the only moment left to speak. The match is on Qt's exact
// texts, so that no other warning writes a closing line while the daemon
// goes on; should a later Qt word them otherwise, the daemon ends as it did
// without the guard (settings are stored as they change and the kernel frees
// the lock), only without the closing line.
bool IsWaylandConnectionLoss(QtMsgType type, const QString& message) {
  return type == QtWarningMsg &&
         (message ==
              QLatin1String("The Wayland connection broke. Did the Wayland compositor die?") ||
          message.startsWith(QLatin1String("The Wayland connection experienced a fatal error: ")));
}

// The last words need the guarding thread's objects, which another thread
// must not touch while that thread may still run: they are posted to its
// event loop, and this thread waits for them, but not for long. A guarding
// thread busy elsewhere must not hold up the end, and one that meets the
// broken connection itself runs them when it logs the warning.
void RunLastWordsFromAnyThread() {
  if (armed.load() == nullptr) return;
  if (std::this_thread::get_id() == armedThread) return RunLastWords();
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr) return;
  auto done = std::make_shared<std::promise<void>>();
  std::future<void> said = done->get_future();
  QMetaObject::invokeMethod(
      app,
      [done] {
        RunLastWords();
        done->set_value();
      },
      Qt::QueuedConnection);
  said.wait_for(kLastWordsWait);
}

void WatchQtMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (IsWaylandConnectionLoss(type, message)) RunLastWordsFromAnyThread();
  previousHandler(type, context, message);
}

}  // namespace

// Registered when the first guard is made, so that the handler runs before
// the static objects that the program made before it are destroyed.
ExitGuard::ExitGuard(std::function<void()> lastWords) : lastWords_(std::move(lastWords)) {
  static std::once_flag registered;
  std::call_once(registered, [] {
    std::atexit(&RunLastWords);
    previousHandler = qInstallMessageHandler(&WatchQtMessages);
  });
  armedThread = std::this_thread::get_id();
  armed.store(&lastWords_);
}

ExitGuard::~ExitGuard() {
  std::function<void()>* mine = &lastWords_;
  armed.compare_exchange_strong(mine, nullptr);
}

}  // namespace corvane
