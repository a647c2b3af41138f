#pragma once

#include "core/hosts/message_box.h"

class QWidget;

namespace corvane {

// Message boxes as modal QMessageBox dialogs over `parent` (may be null).
class MessageBoxes final : public MessageBoxHost {
 public:
  explicit MessageBoxes(QWidget* parent) : parent_(parent) {}

  void ShowMessage(const std::string& title, const std::string& text, MessageIcon icon) override;
  bool AskYesNo(const std::string& title, const std::string& text) override;

 private:
  QWidget* parent_;
};

}  // namespace corvane
