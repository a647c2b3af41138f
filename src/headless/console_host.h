#pragma once

#include <iosfwd>

#include "core/hosts/caption_host.h"
#include "core/hosts/desktop_host.h"
#include "core/hosts/log_view.h"
#include "core/hosts/message_box.h"

namespace corvane {

// Console mode's stand-in for the window: log-view lines go to standard
// output (bold as ANSI bold on a terminal), message boxes to standard error,
// the caption to the terminal's title. There is no window to see and no
// tray to show balloons in.
class ConsoleHost final : public LogView,
                          public DesktopHost,
                          public MessageBoxHost,
                          public CaptionHost {
 public:
  // terminal: `out` is a terminal, which understands bold, clearing and a
  // title.
  ConsoleHost(std::ostream& out, std::ostream& err, bool terminal);

  void AddItem(const std::string& text, bool bold) override;
  void ScrollToBottom() override {}
  // Clears the screen of a terminal; written lines cannot be taken back.
  void Clear() override;

  bool IsWindowVisible() const override { return false; }
  bool ShowBalloonTip(const std::string&, int, BalloonType) override { return false; }

  void ShowMessage(const std::string& title, const std::string& text, MessageIcon icon) override;
  bool AskYesNo(const std::string& title, const std::string& text) override;

  void SetCaption(const std::string& caption) override;

 private:
  std::ostream& out_;
  std::ostream& err_;
  bool terminal_;
};

}  // namespace corvane

namespace corvane {

// A console host on the process's own stdout and stderr.
ConsoleHost MakeStdioConsoleHost();

}  // namespace corvane
