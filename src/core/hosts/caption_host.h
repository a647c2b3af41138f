#pragma once

#include <string>

namespace corvane {

// Where the one-line state summary goes: the window caption and the tray
// icon's tooltip, or the terminal's title in console mode.
class CaptionHost {
 public:
  virtual ~CaptionHost() = default;
  virtual void SetCaption(const std::string& caption) = 0;
};

}  // namespace corvane
