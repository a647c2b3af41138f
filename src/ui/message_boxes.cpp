#include "ui/message_boxes.h"

#include <QMessageBox>

namespace corvane {
namespace {

QMessageBox::Icon IconFor(MessageIcon icon) {
  switch (icon) {
    case MessageIcon::Stop: return QMessageBox::Critical;
    case MessageIcon::Exclamation: return QMessageBox::Warning;
    case MessageIcon::Information: break;
  }
  return QMessageBox::Information;
}

// Texts are shown as plain text: a file name in a message is never markup.
int Run(QWidget* parent, QMessageBox::Icon icon, const std::string& title, const std::string& text,
        QMessageBox::StandardButtons buttons) {
  QMessageBox box(icon, QString::fromStdString(title), QString::fromStdString(text), buttons,
                  parent);
  box.setTextFormat(Qt::PlainText);
  return box.exec();
}

}  // namespace

void ShowMessageBox(QWidget* parent, const std::string& title, const std::string& text,
                    MessageIcon icon) {
  Run(parent, IconFor(icon), title, text, QMessageBox::Ok);
}

bool AskYesNo(QWidget* parent, const std::string& title, const std::string& text) {
  return Run(parent, QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No) ==
         QMessageBox::Yes;
}

}  // namespace corvane
