#include "ui/UpdateQuestions.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QUrl>
#include <QWidget>
#include <atomic>
#include <string>
#include <thread>

#include "platform/Clock.h"
#include "settings/Product.h"
#include "settings/Settings.h"
#include "ui/Messages.h"
#include "update/UpdateCheck.h"

namespace {

// The one check that may be under way. The thread only asks the server and
// posts the outcome; everything shown happens on the window's thread.
struct PendingCheck {
  std::thread worker;
  std::atomic<bool> pending{false};
  QPointer<QWidget> parent;
  int generation = 0;  // outcomes of a finished-and-dropped check are ignored
};

PendingCheck& Check() {
  static PendingCheck check;
  return check;
}

void ShowOutcome(QWidget* parent, UpdateOutcome outcome) {
  switch (outcome) {
    case UpdateOutcome::ConnectionProblem:
      ShowError(parent, Lang("Msg", "Internet connection problems"));
      break;
    case UpdateOutcome::UpdateAvailable:
      if (QMessageBox::question(parent, Lang("Msg", "New Update"), Lang("Msg", "New Update Text"),
                                QMessageBox::Yes | QMessageBox::No,
                                QMessageBox::Yes) == QMessageBox::Yes)
        OpenAddress(parent, QUrl(Q(ProductPageUrl)));
      break;
    case UpdateOutcome::NoUpdate:
      QMessageBox::information(parent, Lang("Msg", "No Update"), Lang("Msg", "No Update Text"));
      break;
  }
}

// Ends the worker thread (it has posted its outcome or is about to) and the
// busy cursor.
void EndCheck() {
  PendingCheck& check = Check();
  if (check.worker.joinable()) check.worker.join();
  if (check.pending.exchange(false)) QApplication::restoreOverrideCursor();
  ++check.generation;
}

}  // namespace

void RunUpdateCheck(QWidget* parent) {
  PendingCheck& check = Check();
  if (check.pending) return;
  if (check.worker.joinable()) check.worker.join();
  check.pending = true;
  check.parent = parent;
  // Busy, but not blocked: the arrow with an hourglass.
  QApplication::setOverrideCursor(Qt::BusyCursor);
  const int generation = check.generation;
  const std::string userAgent = WindowTitle();
  check.worker = std::thread([generation, userAgent] {
    const UpdateOutcome outcome = CheckForUpdate(ProgramVersion, userAgent);
    // Queued to the application object, which outlives every window: the
    // window may have gone while the server kept us waiting.
    QMetaObject::invokeMethod(
        qApp,
        [generation, outcome] {
          PendingCheck& check = Check();
          if (generation != check.generation || !check.pending) return;
          const QPointer<QWidget> parent = check.parent;
          EndCheck();
          if (parent) ShowOutcome(parent, outcome);
        },
        Qt::QueuedConnection);
  });
}

bool UpdateCheckPending() { return Check().pending; }

void FinishUpdateCheck() {
  if (Check().pending || Check().worker.joinable()) EndCheck();
}

void RunScheduledUpdateCheck(QWidget* parent) {
  ScheduledUpdateCheck(
      Settings, LocalDateNow(),
      [parent] {
        return QMessageBox::question(
                   parent, Lang("Msg", "Check for Updates"), Lang("Msg", "Ask check for updates"),
                   QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) == QMessageBox::Yes;
      },
      [parent] { RunUpdateCheck(parent); });
}
