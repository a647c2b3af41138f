#pragma once

#include <vector>

#include "ui/tray_icon_host.h"

namespace corvane::test {

// A notification area that records the icon and its balloons.
class FakeTray final : public TrayIconHost {
 public:
  struct Balloon {
    BalloonType kind;
    QString text;
    QString title;
    int durationMs;
  };
  explicit FakeTray(bool available = true) : available_(available) {}

  bool IsAvailable() const override { return available_; }
  void AddIcon(const QString& tip) override {
    shown = true;
    toolTip = tip;
  }
  void RemoveIcon() override { shown = false; }
  void SetToolTip(const QString& tip) override { toolTip = tip; }
  void ShowBalloon(BalloonType kind, const QString& text, const QString& title,
                   int durationMs) override {
    balloons.push_back({kind, text, title, durationMs});
  }

  bool shown = false;
  QString toolTip;
  std::vector<Balloon> balloons;

 private:
  bool available_;
};

}  // namespace corvane::test
