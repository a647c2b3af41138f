#pragma once

#include <QLineEdit>
#include <QWidget>
#include <functional>

#include "core/hosts/log_view.h"
#include "core/hosts/window_settings_host.h"
#include "ui/window_layout.h"

namespace corvane {

class McListBox;

// The main window: the log view filling it and the one-line input along its
// bottom edge. It shows the log and takes commands; what a command or a
// close request means is decided by whoever sets the callbacks.
class MainWindow final : public QWidget, public LogView, public WindowSettingsHost {
  Q_OBJECT

 public:
  // viewLines: the most lines the log view keeps (0: no limit).
  explicit MainWindow(int viewLines, QWidget* parent = nullptr);
  ~MainWindow() override;

  // LogView
  void AddItem(const std::string& text, bool bold) override;
  void ScrollToBottom() override;
  void Clear() override;

  // WindowSettingsHost
  PixelRect Geometry() const override;
  void SetGeometry(const PixelRect& geometry) override;
  int ScreenWidth() const override;
  int ScreenHeight() const override;
  double LogicalDpi() const override;
  std::int16_t State() const override;
  void SetState(std::int16_t state) override;
  bool IsVisible() const override { return isVisible(); }
  void SetNoBackground(bool off) override;

  // The window at its design size, in pixels of its screen.
  PixelRect DesignSize() const;
  // Moves a window whose place or size cannot be used back onto the
  // primary screen at its design size.
  void EnsureReachable();

  // Runs the input line's text, as Enter does.
  void RunInput();

  // Lets the window be destroyed by a close instead of asking onCloseBox.
  void AllowClose() { closeAllowed_ = true; }

  McListBox& logView() { return *log_; }
  QLineEdit& inputLine() { return *input_; }
  const WindowLayout& layout() const { return layout_; }

  // The line typed, run when Enter is pressed. Returns when it is done.
  std::function<void(const std::string&)> onCommand;
  // The user closed the window (close box, window menu, Alt+F4).
  std::function<void()> onCloseBox;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void ApplyLayout();
  void SetInputBusy(bool busy);
  void ForwardToInput(const QString& typed);

  McListBox* log_;
  QLineEdit* input_;
  WindowLayout layout_;
  int viewLines_;
  bool closeAllowed_ = false;
};

}  // namespace corvane
