#include "ui/daemon_app.h"

#include <QCoreApplication>

#include "core/hosts/message_box.h"
#include "core/program_directory.h"
#include "core/settings.h"
#include "core/std_helpers.h"
#include "core/version.h"

namespace corvane {
namespace {

constexpr int kCheckIntervalMs = 1000;
constexpr int kEndDelayMs = 250;
constexpr const char* kAppTitle = "Corvane";

}  // namespace

DaemonApp::DaemonApp(LogView& view, DesktopHost& desktop, MessageBoxHost& messages,
                     CommandLine commandLine)
    : view_(view),
      desktop_(desktop),
      messages_(messages),
      commandLine_(std::move(commandLine)),
      log_(state_, language_, view_, desktop_, clock_) {
  tmrMain.setInterval(kCheckIntervalMs);
  tmrEnd.setInterval(kEndDelayMs);
  tmrEnd.setSingleShot(true);
  connect(&tmrEnd, &QTimer::timeout, this, &DaemonApp::EndDaemon);
}

void DaemonApp::Form_Load() {
  const Settings settings = LoadSettings();
  bHidden_ = settings.windowHidden;
  state_.iLogLevel = settings.logLevel;
  state_.sLanguageFile = settings.language;

  language_.LoadLanguageFile(ProgramFile(state_.sLanguageFile));
  state_.sLogFile = commandLine_.GetCmdParam("/Log", true);
  state_.sDaemonName = "Corvane";
  log_.WriteLog(FormatMsg(language_.Translate(txt::StartBanner),
                          {kVersionMajor, kVersionMinor, kVersionRevision}),
                LogLevel::Info, true, true);
  state_.dStartTime = clock_.Now();

  const std::string xmlFile = commandLine_.GetCmdParam("/XML", true);
  if (xmlFile.empty() || !PathExists(xmlFile)) {
    FatalStartupError(language_.Translate(txt::UseXmlSwitch), ExitCode::FatalStartupError);
    return;
  }
  // Observation files cannot be loaded by this build yet: say so plainly
  // instead of pretending to watch anything.
  FatalStartupError("Loading observation files is not available in this version yet: " + xmlFile,
                    ExitCode::NotAvailable);
}

void DaemonApp::FatalStartupError(const std::string& text, int exitCode) {
  exitCode_ = exitCode;
  messages_.ShowMessage(kAppTitle, text, MessageIcon::Stop);
  QuitDaemon();
}

void DaemonApp::QuitDaemon() {
  tmrMain.stop();
  tmrEnd.start();
}

void DaemonApp::EndDaemon() { QCoreApplication::exit(exitCode_); }

}  // namespace corvane
