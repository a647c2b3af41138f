#pragma once

#include <string>

#include "core/daemon_controller.h"

class QWidget;

namespace corvane {

// Modal QMessageBox dialogs over `parent` (may be null); both return once
// the user has answered.
void ShowMessageBox(QWidget* parent, const std::string& title, const std::string& text,
                    MessageIcon icon);
bool AskYesNo(QWidget* parent, const std::string& title, const std::string& text);

}  // namespace corvane
