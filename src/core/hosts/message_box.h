#pragma once

#include <string>

namespace corvane {

enum class MessageIcon { Stop, Exclamation, Information };

// Modal message boxes. Both calls return only once the user has answered;
// console mode prints instead and answers a question with No.
class MessageBoxHost {
 public:
  virtual ~MessageBoxHost() = default;
  virtual void ShowMessage(const std::string& title, const std::string& text, MessageIcon icon) = 0;
  virtual bool AskYesNo(const std::string& title, const std::string& text) = 0;
};

}  // namespace corvane
