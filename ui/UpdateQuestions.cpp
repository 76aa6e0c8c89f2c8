#include "ui/UpdateQuestions.h"

#include <QApplication>
#include <QDesktopServices>
#include <QMessageBox>
#include <QUrl>

#include "platform/Clock.h"
#include "settings/Product.h"
#include "settings/Settings.h"
#include "ui/Messages.h"
#include "update/UpdateCheck.h"

void RunUpdateCheck(QWidget* parent) {
  // The check blocks the window for up to the wait limit; say so with the cursor.
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const UpdateOutcome outcome = CheckForUpdate(ProgramVersion, WindowTitle());
  QApplication::restoreOverrideCursor();
  switch (outcome) {
    case UpdateOutcome::ConnectionProblem:
      ShowError(parent, Lang("Msg", "Internet connection problems"));
      break;
    case UpdateOutcome::UpdateAvailable:
      if (QMessageBox::question(parent, Lang("Msg", "New Update"), Lang("Msg", "New Update Text"),
                                QMessageBox::Yes | QMessageBox::No,
                                QMessageBox::Yes) == QMessageBox::Yes)
        QDesktopServices::openUrl(QUrl(Q(ProductPageUrl)));
      break;
    case UpdateOutcome::NoUpdate:
      QMessageBox::information(parent, Lang("Msg", "No Update"), Lang("Msg", "No Update Text"));
      break;
  }
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
