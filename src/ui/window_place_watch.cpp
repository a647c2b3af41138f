#include "ui/window_place_watch.h"

#include <QEvent>
#include <QWidget>

namespace corvane {
namespace {

constexpr int kQuietMs = 500;

}  // namespace

WindowPlaceWatch::WindowPlaceWatch(QWidget& window, std::function<void()> settled)
    : settled_(std::move(settled)) {
  quiet_.setSingleShot(true);
  quiet_.setInterval(kQuietMs);
  connect(&quiet_, &QTimer::timeout, this, [this] { settled_(); });
  window.installEventFilter(this);
}

void WindowPlaceWatch::Flush() {
  if (!quiet_.isActive()) return;
  quiet_.stop();
  settled_();
}

bool WindowPlaceWatch::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::WindowStateChange:
    case QEvent::Show:
    case QEvent::Hide: quiet_.start(); break;
    default: break;
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace corvane
