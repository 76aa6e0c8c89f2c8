#include "ui/ProgressDialogs.h"

#include <dirent.h>

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QEventLoop>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QUrl>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "batch/InputCollection.h"
#include "batch/InputList.h"
#include "lang/LanguageTable.h"
#include "pipeline/Progress.h"
#include "platform/Files.h"
#include "settings/Settings.h"
#include "stages/TextWatermark.h"
#include "ui/ListFiles.h"
#include "ui/MainWindow.h"
#include "ui/Messages.h"
#include "ui/WindowConversion.h"

namespace {

constexpr int PollMilliseconds = 15;

// A dialog whose close box and Esc key ask its owner instead of closing.
class PollingDialog : public QDialog {
 public:
  std::function<void()> onCloseRequest;
  using QDialog::QDialog;

 protected:
  void closeEvent(QCloseEvent* event) override {
    event->ignore();
    if (onCloseRequest) onCloseRequest();
  }
  void reject() override {
    if (onCloseRequest) onCloseRequest();
  }
};

// Centred on the main window; the main window is disabled while it is open.
void Place(QDialog& dialog, MainWindow* window, int width, int height) {
  dialog.setFixedSize(width, height);
  dialog.setWindowModality(Qt::ApplicationModal);
  if (window) dialog.move(window->geometry().center() - QPoint(width / 2, height / 2));
}

std::int32_t TopLevelEntries(const std::string& folder) {
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return 0;
  std::int32_t count = 0;
  while (dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") ++count;
  }
  closedir(dir);
  return count;
}

// The path shortened in the middle to the character budget, and further when
// the font's wide characters still overflow the label.
QString FittingText(const std::string& path, int limit, const QLabel* label) {
  const QFontMetrics metrics(label->font());
  QString text = Q(ShortenMiddle(path, limit));
  while (limit > 7 && metrics.horizontalAdvance(text) > label->width())
    text = Q(ShortenMiddle(path, --limit));
  return text;
}

// "m:ss", or "h:mm:ss" from an hour on.
QString Duration(std::int64_t seconds) {
  const std::int64_t h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
  const QString ss = QString::number(s).rightJustified(2, '0');
  return h > 0 ? QString("%1:%2:%3").arg(h).arg(QString::number(m).rightJustified(2, '0'), ss)
               : QString("%1:%2").arg(m).arg(ss);
}

}  // namespace

QString RunTimesText(std::int64_t elapsedSeconds, std::int32_t done, std::int32_t total) {
  QString text = "Elapsed " + Duration(elapsedSeconds);
  // The files finished so far set the pace; none finished, no guess.
  if (done > 0 && done < total)
    text += ", left " + Duration((elapsedSeconds * (total - done) + done / 2) / done);
  return text;
}

namespace {

struct ThreadDialogTexts {
  const char* title;
  const char* stopQuestion;
  const char* stoppedStatus;
  const char* completeStatus;
};

// The import and export dialogs: a bar that follows Progress.Position while
// the thread runs, then stays full for 700 ms.
void RunThreadDialog(MainWindow* window, const ThreadDialogTexts& texts, std::int32_t total,
                     std::function<void()> procedure) {
  PollingDialog dialog(window);
  dialog.setWindowTitle(Lang("Dialog", texts.title));
  Place(dialog, window, 300, 40);
  auto* bar = new QProgressBar(&dialog);
  bar->setGeometry(10, 10, 280, 20);
  bar->setRange(0, std::max(total, 1));
  bar->setValue(0);

  std::int32_t kept;
  {
    std::lock_guard<std::mutex> lock(ProgressMutex);
    kept = Progress.ResultCount;
  }
  ResetProgress();
  {
    std::lock_guard<std::mutex> lock(ProgressMutex);
    Progress.ResultCount = kept;
  }
  std::atomic<bool> done{false};
  std::thread worker([&] {
    procedure();
    done = true;
  });
  bool stopped = false, running = true, asking = false;
  std::int32_t shown = 0;
  QTimer poll;
  dialog.onCloseRequest = [&] {
    if (!running) return;
    asking = true;
    stopped = AskBreak(&dialog, texts.stopQuestion);
    asking = false;
    if (stopped) {
      std::lock_guard<std::mutex> lock(ProgressMutex);
      Progress.KeepRunning = 0;
    }
  };
  QObject::connect(&poll, &QTimer::timeout, &dialog, [&] {
    if (window) window->ShowAddedFiles();
    if (!running || asking) return;
    if (!done) {
      std::lock_guard<std::mutex> lock(ProgressMutex);
      if (Progress.Position > shown) bar->setValue(shown = Progress.Position);
      return;
    }
    running = false;
    worker.join();
    if (window) window->ShowAddedFiles();
    std::int32_t count;
    {
      std::lock_guard<std::mutex> lock(ProgressMutex);
      count = Progress.ResultCount;
    }
    if (stopped) {
      if (window) window->SetStatus(Lang("Msg", texts.stoppedStatus));
    } else {
      if (window)
        window->SetStatus(
            Q(FillPlaceholders(U(Lang("Msg", texts.completeStatus)), std::to_string(count))));
      bar->setValue(bar->maximum());
    }
    QTimer::singleShot(700, &dialog, [&] { dialog.done(0); });
  });
  poll.start(PollMilliseconds);
  dialog.exec();
  poll.stop();
  if (worker.joinable()) {  // only if the dialog went away unexpectedly
    {
      std::lock_guard<std::mutex> lock(ProgressMutex);
      Progress.KeepRunning = 0;
    }
    worker.join();
  }
  if (window) {
    window->ShowAddedFiles();
    window->activateWindow();
  }
}

}  // namespace

void ImportProgressDialog(MainWindow* window, ImportSource source) {
  const ThreadDialogTexts texts = {"Import Progress", "Ask break import", "Import is not complete",
                                   "Import complete"};
  if (source == ImportSource::Folder)
    RunThreadDialog(window, texts, TopLevelEntries(RunState.InputFolder),
                    [] { ScanInputFolder(); });
  else
    RunThreadDialog(window, texts,
                    static_cast<std::int32_t>(CountLineFeeds(RunState.InputFile) + 1),
                    [] { ReadInputList(); });
}

void ExportProgressDialog(MainWindow* window, const std::vector<std::string>& rows) {
  const ThreadDialogTexts texts = {"Export Progress", "Ask break export", "Export is not complete",
                                   "Export complete"};
  const std::string path = RunState.InputFile;
  RunThreadDialog(window, texts, static_cast<std::int32_t>(rows.size()),
                  [&rows, path] { WriteInputList(rows, path); });
}

void ConvertProgressDialog(MainWindow* window) {
  const std::int32_t total = static_cast<std::int32_t>(InputList.Size());
  PollingDialog dialog(window);
  const QString title = Lang("Dialog", "Convert Progress");
  dialog.setWindowTitle(title);
  Place(dialog, window, 300, 130);
  auto* label = new QLabel(&dialog);
  label->setGeometry(10, 13, 280, 20);
  auto* bar = new QProgressBar(&dialog);
  bar->setGeometry(10, 40, 280, 20);
  bar->setRange(0, total + 1);
  bar->setValue(0);
  auto* times = new QLabel(&dialog);
  times->setObjectName("RunTimes");
  times->setGeometry(10, 64, 280, 18);
  auto* ok = new QPushButton(Lang("Dialog", "OK"), &dialog);
  ok->setGeometry(200, 95, 90, 25);
  ok->setEnabled(false);
  // Stop asks the same question as the close box; after the run its place
  // goes to the button that shows the written files.
  auto* stop = new QPushButton(StopButtonText, &dialog);
  stop->setGeometry(10, 95, 90, 25);
  auto* openFolder = new QPushButton(OpenOutputFolderText, &dialog);
  openFolder->setGeometry(10, 95, 140, 25);
  openFolder->hide();
  const std::string outputFolder = RunState.OutputFolder;
  QObject::connect(openFolder, &QPushButton::clicked, &dialog, [&dialog, outputFolder] {
    OpenAddress(&dialog, QUrl::fromLocalFile(Q(outputFolder)));
  });

  // Character width from a sample of typical path characters.
  const int sampleWidth = QFontMetrics(dialog.font()).horizontalAdvance("abc123:\\-");
  const int charWidth = sampleWidth > 0 ? std::max(1, sampleWidth / 9) : 7;
  const int limit = (300 - 20) / charWidth;

  WindowConversion run;
  const auto started = std::chrono::steady_clock::now();
  auto elapsedSeconds = [&] {
    return static_cast<std::int64_t>(
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - started)
            .count());
  };
  times->setText(RunTimesText(0, 0, total));
  run.Start();
  bool stopped = false, running = true, asking = false;
  std::int32_t shown = 0;
  auto progressText = [&](std::int32_t position) {
    return Q(FillPlaceholders(LanguageText("Msg", "Progress"), std::to_string(position),
                              std::to_string(total)));
  };
  dialog.onCloseRequest = [&] {
    if (!running) {
      dialog.done(0);
      return;
    }
    // No new file starts while the question is open.
    run.Pause();
    asking = true;
    stopped = AskBreak(&dialog, "Ask break conversion");
    asking = false;
    if (stopped) run.RequestStop();
    run.Resume();
  };
  QObject::connect(ok, &QPushButton::clicked, &dialog, [&] {
    if (!running) dialog.done(0);
  });
  QObject::connect(stop, &QPushButton::clicked, &dialog, [&] {
    if (running && !asking) dialog.onCloseRequest();
  });
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, &dialog, [&] {
    if (!running || asking) return;
    const WindowConversion::Snapshot now = run.Read();
    if (!now.finished) {
      // Files before the one in progress are done.
      times->setText(RunTimesText(elapsedSeconds(), std::max(now.position - 1, 0), total));
      if (now.position > shown) {
        shown = now.position;
        dialog.setWindowTitle(title + " " + progressText(shown));
        const std::string file = now.currentFile;
        const QString text = Q(file);
        label->setText(text.size() * charWidth > 280 ? FittingText(file, limit, label) : text);
        bar->setValue(shown);
      }
      return;
    }
    running = false;
    run.Wait();
    const QString end = Lang("Msg", stopped ? "Conversion is not complete" : "Conversion complete");
    if (window) window->SetStatus(end);
    // The final snapshot, not the last one shown: a quick run can end between
    // two polls, before any position was shown.
    dialog.setWindowTitle(end + " " + progressText(now.position));
    times->setText(RunTimesText(elapsedSeconds(), now.position, total));
    if (stopped) {
      label->setText(end);
    } else {
      label->setText(Q(FillPlaceholders(LanguageText("Msg", "Files converted"),
                                        std::to_string(now.converted), std::to_string(total))));
      bar->setValue(total + 1);
    }
    const std::vector<std::string> failures = run.Failures();
    if (!failures.empty()) {
      // The reasons of the files that were not converted, below the bar.
      auto* list = new QPlainTextEdit(&dialog);
      list->setReadOnly(true);
      list->setLineWrapMode(QPlainTextEdit::NoWrap);
      // Set as a whole, so the view opens at the start of the lines: the
      // paths, not the ends of the longest reasons.
      QStringList lines;
      for (const std::string& line : failures) lines << Q(line);
      list->setPlainText(lines.join('\n'));
      dialog.setFixedSize(420, 250);
      label->setGeometry(10, 13, 400, 20);
      bar->setGeometry(10, 40, 400, 20);
      list->setGeometry(10, 70, 400, 120);
      list->show();
      times->setGeometry(10, 194, 400, 18);
      ok->setGeometry(320, 217, 90, 25);
      openFolder->setGeometry(10, 217, 140, 25);
    }
    stop->setEnabled(false);
    stop->hide();
    openFolder->show();
    ok->setEnabled(true);
    ok->setDefault(true);
    ok->setFocus();
  });
  poll.start(PollMilliseconds);
  dialog.exec();
  poll.stop();
  if (window) window->activateWindow();
}

void ValidateWindowRun(MainWindow* window) {
  auto stop = [&](const QString& text, bool withStatus) {
    if (withStatus) window->SetStatus(Lang("Msg", "Conversion is not complete"));
    ShowWarning(window, text);
  };
  RunState.OutputFolder = U(window->FolderBox()->currentText().trimmed());
  const int format = window->FormatBox()->currentData().toInt();
  if (format >= 0 && format < static_cast<int>(OutputExtensions.size()))
    RunState.ConversionType = OutputExtensions[format];
  window->SetStatus(Lang("General", "Preparing"));

  if (InputList.Size() == 0) return stop(Lang("Msg", "Empty input files"), true);
  if (RunState.OutputFolder.empty()) return stop(Lang("Msg", "Empty output folder"), true);
  if (RunState.OutputFolder.back() != '/') RunState.OutputFolder += '/';
  if (!IsDirectory(RunState.OutputFolder))
    return stop(
        Q(FillPlaceholders(LanguageText("Msg", "Invalid output folder"), RunState.OutputFolder)),
        true);
  if (Settings.DoImageResize && Settings.ImageWidth == 0)
    return stop(Lang("Msg", "Invalid width"), true);
  if (Settings.DoImageResize && Settings.ImageHeight == 0)
    return stop(Lang("Msg", "Invalid height"), true);
  if (Settings.DoWatermark == 1 && !LoadWatermarkFont())
    return stop(Q(FillPlaceholders(LanguageText("Msg", "Invalid watermark font"), Settings.Font)),
                false);
  if (Settings.DoWatermark == 2 && Settings.Image.empty())
    return stop(Lang("Msg", "Empty watermark image"), false);
  if (Settings.DoWatermark == 2 && FileSize(Settings.Image) <= 0)
    return stop(Q(FillPlaceholders(LanguageText("Msg", "Invalid watermark image"), Settings.Image)),
                false);

  if (!WindowConversion::SetOutputValues()) return;
  RecordRecentOutFolder(RunState.OutputFolder);
  window->FillFolderHistory();
  window->SetStatus(Lang("General", "Converting"));
  ConvertProgressDialog(window);
  if (Settings.DoWatermark == 1) ReleaseWatermarkFont();
}
