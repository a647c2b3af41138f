#pragma once

#include <string>
#include <vector>

#include "core/hosts/desktop_host.h"
#include "core/hosts/log_view.h"
#include "core/hosts/message_box.h"

namespace corvane::test {

class RecordingLogView final : public LogView {
 public:
  struct Item {
    std::string text;
    bool bold;
  };
  void AddItem(const std::string& text, bool bold) override { items.push_back({text, bold}); }
  void ScrollToBottom() override {}
  void Clear() override { items.clear(); }

  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const Item& item : items) texts.push_back(item.text);
    return texts;
  }

  std::vector<Item> items;
};

// A window whose visibility the test sets; records the balloons shown.
class FakeDesktop final : public DesktopHost {
 public:
  struct Balloon {
    std::string text;
    int durationMs;
    BalloonType type;
  };
  bool IsWindowVisible() const override { return visible; }
  bool ShowBalloonTip(const std::string& text, int durationMs, BalloonType type) override {
    balloons.push_back({text, durationMs, type});
    return true;
  }

  bool visible = true;
  std::vector<Balloon> balloons;
};

// Records message boxes; answers questions with a preset answer.
class RecordingMessageBoxes final : public MessageBoxHost {
 public:
  struct Box {
    std::string title;
    std::string text;
    MessageIcon icon;
  };
  void ShowMessage(const std::string& title, const std::string& text, MessageIcon icon) override {
    boxes.push_back({title, text, icon});
  }
  bool AskYesNo(const std::string& title, const std::string& text) override {
    boxes.push_back({title, text, MessageIcon::Information});
    return answer;
  }

  bool answer = false;
  std::vector<Box> boxes;
};

}  // namespace corvane::test
