// After a conversion from the window, the files that were not converted are
// listed in the end-of-run dialog, each with its reason.
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QUrl>
#include <algorithm>

#include "lang/LanguageTable.h"
#include "platform/Files.h"
#include "support/UiTestMain.h"
#include "support/WhenModal.h"
#include "support/WindowFixtures.h"
#include "ui/MainWindow.h"
#include "ui/Messages.h"
#include "ui/ProgressDialogs.h"

namespace {

struct RunEnd {
  QString title, label, status;
  bool listShown = false;
  bool listAtLineStarts = false;  // scrolled so that the paths show
  QStringList listed;             // lines of the failure list, sorted
};

// Converts the window's list to png in outFolder and reads the dialog once the
// run has ended, then presses its OK button.
RunEnd ConvertAndRead(MainWindow& window, const std::string& outFolder) {
  window.FolderBox()->setEditText(QString::fromStdString(outFolder));
  const auto png = std::find(OutputExtensions.begin(), OutputExtensions.end(), "png");
  window.FormatBox()->setCurrentIndex(
      window.FormatBox()->findData(static_cast<int>(png - OutputExtensions.begin())));

  RunEnd end;
  auto* finisher = new QTimer(&window);
  QObject::connect(finisher, &QTimer::timeout, [&] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    auto* ok = dialog->findChild<QPushButton*>();
    if (!ok || !ok->isEnabled()) return;
    finisher->stop();
    end.title = dialog->windowTitle();
    if (auto* label = dialog->findChild<QLabel*>()) end.label = label->text();
    if (auto* list = dialog->findChild<QPlainTextEdit*>()) {
      end.listShown = list->isVisible() && list->isReadOnly();
      end.listAtLineStarts = list->horizontalScrollBar()->value() == 0;
      end.listed = list->toPlainText().split('\n');
      end.listed.sort();
    }
    QTest::mouseClick(ok, Qt::LeftButton);
  });
  finisher->start(5);
  window.RunCommand(Command::Convert);
  end.status = window.Status();
  return end;
}

// A scratch folder with empty "in/" and "out/" folders in it.
std::string InAndOutFolders(const char* name) {
  const std::string folder = ScratchFolder(name);
  MakeDirectories(folder + "in/");
  MakeDirectories(folder + "out/");
  return folder;
}

// Drops the named files of "in/" on the window, in this order.
void DropInputs(MainWindow& window, const std::string& folder,
                std::initializer_list<const char*> names) {
  QStringList paths;
  for (const char* name : names) paths << QString::fromStdString(folder + "in/" + name);
  window.AddDroppedPaths(paths);
}

QString FilesConverted(int converted, int total) {
  return QString::fromStdString(FillPlaceholders(LanguageText("Msg", "Files converted"),
                                                 std::to_string(converted), std::to_string(total)));
}

}  // namespace

class ConversionFailuresTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    ApplyDefaults(0);
    Settings.RecentOutFolders.clear();
  }

  void failedFilesAreListedWithTheirReasons() {
    const std::string folder = InAndOutFolders("failures");
    WriteRadianceFile(folder + "in/good.hdr", GradientPicture(64, 48));
    WriteRadianceFile(folder + "in/blocked.hdr", GradientPicture(64, 48));
    // Not a picture at all, and a picture whose output name is taken by a folder.
    WriteFileBytes(folder + "in/broken.hdr", "this is not a Radiance picture\n");
    MakeDirectories(folder + "out/blocked.png/");

    MainWindow window;
    window.show();
    DropInputs(window, folder, {"good.hdr", "broken.hdr", "blocked.hdr"});
    const RunEnd end = ConvertAndRead(window, folder + "out");

    QCOMPARE(end.status, QString("Conversion complete"));
    QCOMPARE(end.label, FilesConverted(1, 3));
    QVERIFY(IsRegularFile(folder + "out/good.png"));
    QVERIFY(end.listShown);
    QVERIFY(end.listAtLineStarts);
    QCOMPARE(end.listed.size(), 2);
    QCOMPARE(end.listed[0],
             QString::fromStdString(folder + "in/blocked.hdr: write failed: Is a directory"));
    QVERIFY2(end.listed[1].startsWith(
                 QString::fromStdString(folder + "in/broken.hdr: unreadable or not Radiance")),
             qPrintable(end.listed[1]));
    // The folder that stood in the way is still there, untouched.
    QVERIFY(IsDirectory(folder + "out/blocked.png/"));
  }

  // A run that ends between two polls still counts every file in its title.
  void theFinalTitleCountsFromTheLastSnapshot() {
    const std::string folder = InAndOutFolders("final-title");
    WriteRadianceFile(folder + "in/a.hdr", GradientPicture(4, 4));
    WriteRadianceFile(folder + "in/b.hdr", GradientPicture(4, 4));
    WriteFileBytes(folder + "in/c.hdr", "broken\n");
    WriteFileBytes(folder + "in/d.hdr", "#?RADIANCE\n\n-Y 2 +X 2\n");  // no pixels
    MainWindow window;
    window.show();
    DropInputs(window, folder, {"a.hdr", "b.hdr", "c.hdr", "d.hdr"});
    for (int round = 0; round < 3; ++round) {
      const RunEnd end = ConvertAndRead(window, folder + "out");
      QCOMPARE(end.title, QString("Conversion complete (4/4)"));
      QCOMPARE(end.label, FilesConverted(2, 4));
    }
  }

  // The Stop button asks the question of the close box; after the run the
  // dialog waits with its times, OK, and the button that opens the folder.
  void stopButtonAndTheFinishedDialog() {
    const std::string folder = InAndOutFolders("stop-button");
    for (int i = 0; i < 10; ++i) {
      const std::string name = "pic" + std::to_string(i) + ".hdr";
      WriteRadianceFile(folder + "in/" + name, GradientPicture(500, 400));
    }
    MainWindow window;
    window.show();
    DropInputs(window, folder,
               {"pic0.hdr", "pic1.hdr", "pic2.hdr", "pic3.hdr", "pic4.hdr", "pic5.hdr", "pic6.hdr",
                "pic7.hdr", "pic8.hdr", "pic9.hdr"});
    window.FolderBox()->setEditText(QString::fromStdString(folder + "out"));
    std::vector<QUrl> opened;
    RecordUrlOpens(opened, true);

    QString question, runningTimes, finalTitle, finalTimes;
    bool stopHidden = false, stayed = false;
    WhenModal<QDialog>([&](QDialog* dialog) {
      if (!dialog->windowTitle().contains("(")) return false;
      QPushButton* stop = nullptr;
      for (auto* b : dialog->findChildren<QPushButton*>())
        if (b->text() == StopButtonText) stop = b;
      if (!stop || !stop->isVisible()) return false;
      runningTimes = dialog->findChild<QLabel*>("RunTimes")->text();
      WhenModal<QMessageBox>([&](QMessageBox* box) {
        question = box->text();
        box->button(QMessageBox::Yes)->click();
        return true;
      });
      QTimer::singleShot(0, stop, &QPushButton::click);
      // Then, once it has ended: still there a while later, then OK.
      WhenModal<QDialog>([&](QDialog* ended) {
        if (qobject_cast<QMessageBox*>(ended)) return false;
        auto* ok = ended->findChild<QPushButton*>();
        if (!ok || !ok->isEnabled()) return false;
        QTest::qWait(800);
        stayed = QApplication::activeModalWidget() == ended && ended->isVisible();
        finalTitle = ended->windowTitle();
        finalTimes = ended->findChild<QLabel*>("RunTimes")->text();
        QPushButton* openFolder = nullptr;
        for (auto* b : ended->findChildren<QPushButton*>()) {
          if (b->text() == StopButtonText) stopHidden = !b->isVisible() && !b->isEnabled();
          if (b->text() == OpenOutputFolderText && b->isVisible()) openFolder = b;
        }
        if (openFolder) openFolder->click();
        ok->click();
        return true;
      });
      return true;
    });
    window.RunCommand(Command::Convert);

    QCOMPARE(question, QString("Do you want to break the conversion?"));
    QVERIFY2(runningTimes.startsWith("Elapsed "), qPrintable(runningTimes));
    QVERIFY2(finalTitle.startsWith("Conversion stopped ("), qPrintable(finalTitle));
    QVERIFY(!finalTitle.startsWith("Conversion stopped (10/"));
    QVERIFY2(finalTimes.startsWith("Elapsed "), qPrintable(finalTimes));
    QVERIFY(stopHidden);
    QVERIFY(stayed);
    QCOMPARE(opened.size(), std::size_t(1));
    QCOMPARE(opened[0], QUrl::fromLocalFile(QString::fromStdString(folder + "out/")));
    SetUrlOpener({});
  }

  void runTimesText_data() {
    QTest::addColumn<int>("elapsed");
    QTest::addColumn<int>("done");
    QTest::addColumn<int>("total");
    QTest::addColumn<QString>("text");
    QTest::newRow("nothing done") << 5 << 0 << 4 << "Elapsed 0:05";
    QTest::newRow("half done") << 65 << 2 << 4 << "Elapsed 1:05, left 1:05";
    QTest::newRow("one of three") << 10 << 1 << 3 << "Elapsed 0:10, left 0:20";
    QTest::newRow("all done") << 30 << 4 << 4 << "Elapsed 0:30";
    QTest::newRow("hours") << 3725 << 1 << 2 << "Elapsed 1:02:05, left 1:02:05";
  }
  void runTimesText() {
    QFETCH(int, elapsed);
    QFETCH(int, done);
    QFETCH(int, total);
    QFETCH(QString, text);
    QCOMPARE(RunTimesText(elapsed, done, total), text);
  }

  void aCleanRunListsNothing() {
    const std::string folder = InAndOutFolders("no-failures");
    WriteRadianceFile(folder + "in/a.hdr", GradientPicture(32, 32));
    WriteRadianceFile(folder + "in/b.hdr", GradientPicture(32, 32));

    MainWindow window;
    window.show();
    DropInputs(window, folder, {"a.hdr", "b.hdr"});
    const RunEnd end = ConvertAndRead(window, folder + "out");

    QCOMPARE(end.label, FilesConverted(2, 2));
    QVERIFY(!end.listShown);
    QVERIFY(end.listed.isEmpty());
    QVERIFY(IsRegularFile(folder + "out/a.png") && IsRegularFile(folder + "out/b.png"));
  }
};

LUMIVERT_UI_TEST_MAIN(ConversionFailuresTest)
#include "conversion_failures_test.moc"
