// After a conversion from the window, the files that were not converted are
// listed in the end-of-run dialog, each with its reason.
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <algorithm>

#include "lang/LanguageTable.h"
#include "platform/Files.h"
#include "support/UiTestMain.h"
#include "ui/MainWindow.h"

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
