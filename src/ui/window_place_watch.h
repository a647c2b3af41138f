#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

class QWidget;

namespace corvane {

// Tells when the window's place, size, state or visibility has settled
// after a change, so that it is saved then and not only at the orderly
// stop. A drag moves the window many times a second: the save waits until
// no change has come for a short while.
class WindowPlaceWatch final : public QObject {
  Q_OBJECT

 public:
  // `window` must outlive the watch.
  WindowPlaceWatch(QWidget& window, std::function<void()> settled);

  // Runs `settled` at once when a change is still waiting for it.
  void Flush();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::function<void()> settled_;
  QTimer quiet_;
};

}  // namespace corvane
