#pragma once

#include <QLineEdit>
#include <QWidget>
#include <functional>

#include "ui/safe_geometry.h"
#include "ui/window_layout.h"

namespace corvane {

class McListBox;

// The main window: the log view filling it and the one-line input along its
// bottom edge. It shows the log and takes commands; what a command or a
// close request means is decided by whoever sets the callbacks.
class MainWindow final : public QWidget {
  Q_OBJECT

 public:
  // viewLines: the most lines the log view keeps (0: no limit).
  explicit MainWindow(int viewLines, QWidget* parent = nullptr);
  ~MainWindow() override;

  // One log line (see DaemonController::LineLogged): added when shown,
  // and the view goes to its newest line either way.
  void ShowLogLine(const std::string& text, bool bold, bool shown);
  void AddItem(const std::string& text, bool bold);
  void Clear();

  // The window's place and size in its normal (not minimised or maximised)
  // state, in pixels.
  PixelRect Geometry() const;
  void SetGeometry(const PixelRect& geometry);
  // The part of the primary screen that panels leave free, in desktop
  // pixels: a window without a place of its own is centred there.
  PixelRect WorkArea() const;
  double LogicalDpi() const;
  // 0 normal, 1 minimised, 2 maximised.
  std::int16_t State() const;
  void SetState(std::int16_t state);
  // Switches the log view's background gradient off.
  void SetNoBackground(bool off);

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
