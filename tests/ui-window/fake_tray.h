#pragma once

#include <QStringList>

#include "ui/tray_icon_host.h"

namespace corvane::test {

class FakeTray final : public TrayIconHost {
 public:
  explicit FakeTray(bool available = true) : available(available) {}

  bool IsAvailable() const override { return available; }
  void AddIcon(const QString& tip) override {
    shown = true;
    toolTip = tip;
  }
  void RemoveIcon() override { shown = false; }
  void SetToolTip(const QString& tip) override { toolTip = tip; }
  void SetMenu(QMenu&) override {}
  // Each balloon as "<type number>|title|text|duration".
  void ShowBalloon(BalloonType kind, const QString& text, const QString& title, int ms) override {
    balloons << QString("%1|%2|%3|%4").arg(static_cast<int>(kind)).arg(title, text).arg(ms);
  }

  bool shown = false;
  QString toolTip;
  QStringList balloons;
  bool available;
};

}  // namespace corvane::test
