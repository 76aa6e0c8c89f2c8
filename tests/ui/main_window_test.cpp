#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidget>
#include <functional>

#include "batch/InputList.h"
#include "pipeline/Progress.h"
#include "platform/Files.h"
#include "support/UiTestMain.h"
#include "support/WhenModal.h"
#include "support/WindowFixtures.h"
#include "ui/ListFiles.h"
#include "ui/MainWindow.h"
#include "ui/Messages.h"

namespace {

QList<int> SelectedRows(MainWindow& window) {
  QList<int> rows;
  for (int i = 0; i < window.FileList()->topLevelItemCount(); ++i)
    if (window.FileList()->topLevelItem(i)->isSelected()) rows << i;
  return rows;
}

// Input files with a readable extension and some content.
QStringList MakeFiles(const std::string& folder, const std::vector<std::string>& names) {
  QStringList paths;
  for (const std::string& name : names) {
    MakeDirectories(FolderOf(folder + name));
    WriteFileBytes(folder + name, "#?RADIANCE\n");
    paths << QString::fromStdString(folder + name);
  }
  return paths;
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    ApplyDefaults(0);
    Settings.RecentOutFolders.clear();
  }

  void deleteSelectsTheRowAtTheLastRemovedPosition() {
    MainWindow window;
    window.show();
    const std::string folder = ScratchFolder("delete");
    window.AddDroppedPaths(MakeFiles(folder, {"a.hdr", "b.hdr", "c.hdr"}));
    QCOMPARE(RowTexts(window).size(), 3);
    window.FileList()->setFocus();
    window.FileList()->topLevelItem(2)->setSelected(true);
    window.RunCommand(Command::Delete);
    QCOMPARE(RowTexts(window).size(), 2);
    QCOMPARE(SelectedRows(window), QList<int>{1});
    QCOMPARE(InputList.Size(), 2u);
    QVERIFY(InputList.Find(folder + "c.hdr") == nullptr);

    window.AddDroppedPaths(MakeFiles(folder, {"d.hdr", "e.hdr", "f.hdr"}));
    window.FileList()->clearSelection();
    window.FileList()->topLevelItem(1)->setSelected(true);
    window.FileList()->topLevelItem(2)->setSelected(true);
    window.RunCommand(Command::Delete);
    // Rows a b d e f; b and d go, and the row now at position 1 (e) is selected.
    QCOMPARE(RowTexts(window), (QStringList{QString::fromStdString(folder + "a.hdr"),
                                            QString::fromStdString(folder + "e.hdr"),
                                            QString::fromStdString(folder + "f.hdr")}));
    QCOMPARE(SelectedRows(window), QList<int>{1});

    QCOMPARE(RowToSelectAfterDelete({0}, 0), -1);
    QCOMPARE(RowToSelectAfterDelete({3, 4}, 3), 2);
  }

  void copyAndSelectAllActOnlyOnTheFocusedList() {
    MainWindow window;
    window.show();
    QApplication::setActiveWindow(&window);
    const std::string folder = ScratchFolder("copy");
    const QStringList files = MakeFiles(folder, {"one.hdr", "two.hdr", "three.hdr"});
    window.AddDroppedPaths(files);
    window.FileList()->setFocus();
    window.FileList()->topLevelItem(0)->setSelected(true);
    window.FileList()->topLevelItem(2)->setSelected(true);
    QApplication::clipboard()->setText("before");
    QTest::keyClick(window.FileList(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), files[0] + "\r\n" + files[2]);

    // Ctrl+C in the folder field copies nothing from the list.
    QApplication::clipboard()->setText("before");
    window.FolderBox()->setFocus();
    window.RunCommand(Command::Copy);
    window.RunCommand(Command::SelectAll);
    QCOMPARE(QApplication::clipboard()->text(), QString("before"));
    QCOMPARE(SelectedRows(window), (QList<int>{0, 2}));

    window.FileList()->setFocus();
    QTest::keyClick(window.FileList(), Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(SelectedRows(window), (QList<int>{0, 1, 2}));
  }

  void dropsAreHandledInOrderAndFillTheOutputFolder() {
    MainWindow window;
    window.show();
    const std::string folder = ScratchFolder("drop");
    MakeFiles(folder + "tree/", {"x.hdr", "sub/y.hdr", "skip.txt"});
    const QStringList loose = MakeFiles(folder, {"first.hdr", "second.hdri"});
    window.AddDroppedPaths({QString::fromStdString(folder + "tree"), loose[0], loose[1]});
    const QStringList rows = RowTexts(window);
    QCOMPARE(rows.size(), 4);
    QCOMPARE(QSet<QString>(rows.begin(), rows.begin() + 2),
             (QSet<QString>{QString::fromStdString(folder + "tree/x.hdr"),
                            QString::fromStdString(folder + "tree/sub/y.hdr")}));
    QCOMPARE(rows.mid(2), loose);
    // The first file added names the output folder: the dropped folder itself.
    QCOMPARE(window.FolderBox()->currentText(), QString::fromStdString(folder + "tree/"));
    // Every row the drop added: the folder's two and the two loose files.
    QCOMPARE(window.Status(), QString("Import complete, new files added: 4"));
    QCOMPARE(QString::fromStdString(Settings.RecentOutFolders),
             QString::fromStdString(folder + "tree/"));
  }

  void exportAndImportListFilesByteForByte() {
    MainWindow window;
    window.show();
    const std::string folder = ScratchFolder("lists");
    const QStringList files = MakeFiles(folder, {"a.hdr", "b c.hdr"});
    window.AddDroppedPaths(files);
    window.ExportListFile(QString::fromStdString(folder + "out.txt"));
    QCOMPARE(ReadFileBytes(folder + "out.txt"),
             "\xEF\xBB\xBF" + folder + "a.hdr\r\n" + folder + "b c.hdr\r\n");
    QCOMPARE(window.Status(), QString("Export complete, entries saved: 2"));

    // Lines ending in LF, the last without one; a missing file is skipped.
    const QStringList more = MakeFiles(folder, {"c.hdr", "d.hdr"});
    WriteFileBytes(folder + "in.lst", U(more[1]) + "\n" + folder + "gone.hdr\n" + U(more[0]));
    QCOMPARE(CountLineFeeds(folder + "in.lst"), 2);
    window.ImportListFile(QString::fromStdString(folder + "in.lst"));
    QCOMPARE(RowTexts(window), (QStringList{files[0], files[1], more[1], more[0]}));
    QCOMPARE(window.Status(), QString("Import complete, new files added: 2"));

    // A file that cannot be created ends as complete with 0 entries.
    window.ExportListFile(QString::fromStdString(folder + "missing/out.txt"));
    QCOMPARE(window.Status(), QString("Export complete, entries saved: 0"));
  }

  void folderHistoryAndGeometry() {
    Settings.RecentOutFolders = "/a/\t /b/ \t\t/c/\t/d/";
    Settings.OutFoldersNumber = 3;
    MainWindow window;
    window.show();
    QCOMPARE(window.FolderBox()->count(), 2);  // the empty third entry is skipped
    QCOMPARE(window.FolderBox()->itemText(1), QString("/b/"));
    QCOMPARE(window.FolderBox()->currentText(), QString());

    window.setGeometry(120, 130, 600, 400);
    QTest::qWait(20);
    window.StoreGeometry();
    QCOMPARE(Settings.IsMaximized, 0);
    QCOMPARE(Settings.Width, 600);
    QCOMPARE(Settings.Height, 400);
    window.showMaximized();
    QTest::qWait(20);
    window.StoreGeometry();
    QCOMPARE(Settings.IsMaximized, 1);
    QCOMPARE(Settings.Width, 600);  // the normal size stays for the next start
    QCOMPARE(Settings.Height, 400);
    QVERIFY(window.minimumSize() == QSize(510, 330));
  }

  void storedGeometryIsFittedToTheAvailableArea() {
    const QSize minimum(510, 330);
    struct Case {
      QRect area;
      int x, y, width, height;
      QRect want;
    };
    const int big = 2147483647;
    const Case cases[] = {
        {{0, 0, 800, 600}, 100, 100, 510, 330, {100, 100, 510, 330}},  // fits: as stored
        {{0, 0, 800, 600}, 0, 0, 800, 600, {0, 0, 800, 600}},
        {{0, 0, 800, 600}, 100, 100, 30000, 30000, {0, 0, 800, 600}},
        {{0, 0, 800, 600}, big, big, big, big, {0, 0, 800, 600}},
        {{0, 0, 800, 600}, -big - 1, -big - 1, -big - 1, -big - 1, {0, 0, 510, 330}},
        {{0, 0, 800, 600}, -5000, 100, 510, 330, {0, 100, 510, 330}},
        {{0, 0, 800, 600}, 5000, 5000, 510, 330, {290, 270, 510, 330}},
        {{0, 0, 800, 600}, 700, 100, 600, 330, {200, 100, 600, 330}},  // partly off the edge
        {{0, 0, 800, 600}, 100, 100, 0, -4, {100, 100, 510, 330}},     // below the minimum
        {{0, 0, 400, 300}, 50, 50, 30000, 200, {0, 0, 510, 330}},      // a screen below the minimum
        {{1920, 24, 1280, 976}, 100, 100, 510, 330, {1920, 100, 510, 330}},
        {{1920, 24, 1280, 976}, 2000, 30, 4000, 330, {1920, 30, 1280, 330}},
    };
    for (const Case& c : cases) {
      const QRect got = FitWindowGeometry(c.x, c.y, c.width, c.height, c.area, minimum);
      if (got != c.want)
        qWarning() << "stored" << c.x << c.y << c.width << c.height << "in" << c.area;
      QCOMPARE(got, c.want);
    }

    // The window itself, on the offscreen platform's screen.
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    QVERIFY(available.width() >= 510 && available.height() >= 330);
    const struct {
      int x, y, width, height;
    } stored[] = {{100, 100, 30000, 30000},
                  {big, big, big, big},
                  {-100000, 50000, 510, 330},
                  {20, 30, 520, 340}};
    for (const auto& g : stored) {
      Settings.X = g.x;
      Settings.Y = g.y;
      Settings.Width = g.width;
      Settings.Height = g.height;
      MainWindow window;
      window.show();
      QTest::qWait(20);
      // Position of the frame and size of the window, as config.ini holds them;
      // the decorations the platform adds around it are not known beforehand.
      const QRect placed(window.pos(), window.size());
      QVERIFY2(available.contains(placed), qPrintable(QString("%1,%2 %3x%4")
                                                          .arg(placed.x())
                                                          .arg(placed.y())
                                                          .arg(placed.width())
                                                          .arg(placed.height())));
      window.StoreGeometry();
      // What goes back to config.ini is the fitted geometry.
      const QRect want = FitWindowGeometry(g.x, g.y, g.width, g.height, available, {510, 330});
      QCOMPARE(QRect(Settings.X, Settings.Y, Settings.Width, Settings.Height), want);
    }
    QCOMPARE(QRect(Settings.X, Settings.Y, Settings.Width, Settings.Height),
             QRect(20, 30, 520, 340));  // a window that fits stays exactly as stored
  }

  void convertingStopsAfterTheCurrentFileOnYes() {
    MainWindow window;
    window.show();
    const std::string folder = ScratchFolder("convert");
    QStringList inputs;
    for (int i = 0; i < 12; ++i) {
      const std::string path = folder + "in/pic" + std::to_string(i) + ".hdr";
      MakeDirectories(folder + "in/");
      WriteRadianceFile(path, GradientPicture(600, 400));
      inputs << QString::fromStdString(path);
    }
    MakeDirectories(folder + "out/");
    window.AddDroppedPaths(inputs);
    window.FolderBox()->setEditText(QString::fromStdString(folder + "out"));
    window.FormatBox()->setCurrentIndex(15);  // png

    QString finalTitle;
    int converted = -1;
    // As soon as the first file shows, ask to stop and answer Yes.
    WhenModal<QDialog>([&](QDialog* dialog) {
      if (!dialog->windowTitle().contains("(")) return false;
      QTimer::singleShot(0, dialog, [dialog] { dialog->close(); });
      WhenModal<QMessageBox>([](QMessageBox* box) {
        box->button(QMessageBox::Yes)->click();
        return true;
      });
      return true;
    });
    // When the run has ended, read the dialog and press OK.
    auto* finisher = new QTimer(&window);
    QObject::connect(finisher, &QTimer::timeout, [&] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (!dialog || qobject_cast<QMessageBox*>(dialog)) return;
      auto* ok = dialog->findChild<QPushButton*>();
      if (!ok || !ok->isEnabled()) return;
      finalTitle = dialog->windowTitle();
      converted = 0;
      ok->click();
      finisher->stop();
    });
    finisher->start(5);
    window.RunCommand(Command::Convert);

    QVERIFY2(finalTitle.startsWith("Conversion stopped ("), qPrintable(finalTitle));
    QCOMPARE(window.Status(), QString("Conversion stopped"));
    int written = 0;
    for (int i = 0; i < 12; ++i)
      written += IsRegularFile(folder + "out/pic" + std::to_string(i) + ".png");
    const int reached = finalTitle.mid(finalTitle.indexOf('(') + 1).section('/', 0, 0).toInt();
    QVERIFY2(written >= 1 && written < 12, qPrintable(QString::number(written)));
    QVERIFY2(written <= reached + 1, qPrintable(finalTitle));
    QCOMPARE(QString::fromStdString(Settings.RecentOutFolders).section('\t', 0, 0),
             QString::fromStdString(folder + "out/"));
  }

  void convertChecksComeFirst() {
    MainWindow window;
    window.show();
    QString warning;
    WhenModal<QMessageBox>([&](QMessageBox* box) {
      warning = box->text();
      box->accept();
      return true;
    });
    window.RunCommand(Command::Convert);
    QCOMPARE(warning, QString("No input file(s) found. Please, add valid file(s) and try again!"));
    QCOMPARE(window.Status(), QString("Conversion stopped"));
  }

  void shortenMiddleKeepsBothEnds() {
    QCOMPARE(QString::fromStdString(ShortenMiddle("abcdefghij", 7)), QString("ab...ij"));
    QCOMPARE(QString::fromStdString(ShortenMiddle("abcdefghij", 10)), QString("abcdefghij"));
    QCOMPARE(QString::fromStdString(ShortenMiddle("äöüäöüäöü", 8)), QString("äö...öü"));
    QCOMPARE(CountLineFeeds("/nonexistent/file"), 0);
  }
};

LUMIVERT_UI_TEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
