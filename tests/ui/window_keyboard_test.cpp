// The main window from the keyboard and its dialogs' details: the input-file
// filter, shortcuts and mnemonics, Delete and Tab, the layout after an icon
// size change, and the address shown when nothing opens a page.
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <algorithm>

#include "batch/InputList.h"
#include "lang/LanguageTable.h"
#include "platform/Files.h"
#include "settings/Product.h"
#include "settings/Settings.h"
#include "support/UiTestMain.h"
#include "support/WhenModal.h"
#include "support/WindowFixtures.h"
#include "ui/MainWindow.h"
#include "ui/Messages.h"
#include "ui/PreferencesDialog.h"

namespace {

void ShowActive(MainWindow& window) {
  window.show();
  window.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&window));
}

// The focus widget, or the drop-down whose edit field has it.
QWidget* Focused() {
  QWidget* focus = QApplication::focusWidget();
  if (focus && qobject_cast<QComboBox*>(focus->parentWidget())) return focus->parentWidget();
  return focus;
}

// Picks path in the next file dialog (after reading it into seen).
struct FileDialogSeen {
  QString title;
  QStringList filters;
  QString selectedFilter;
};
void AnswerFileDialog(FileDialogSeen& seen, const QString& path) {
  WhenModal<QFileDialog>([&seen, path](QFileDialog* dialog) {
    seen.title = dialog->windowTitle();
    seen.filters = dialog->nameFilters();
    seen.selectedFilter = dialog->selectedNameFilter();
    if (path.isEmpty()) {
      dialog->reject();
    } else {
      // Typed into the name field and confirmed with Return, as a user would.
      auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
      name->setText(path);
      QTest::keyClick(name, Qt::Key_Return);
    }
    return true;
  });
}

}  // namespace

class WindowKeyboardTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    ApplyDefaults(0);
    Settings.RecentOutFolders.clear();
    SetUrlOpener({});
  }

  // Three entries, each naming what it shows, the first one chosen, and a
  // folder of .hdr files is not empty under it.
  void addFilesDialogListsThreeWorkingFilters() {
    MainWindow window;
    window.show();
    const std::string folder = ScratchFolder("filters");
    WriteRadianceFile(folder + "a.hdr", GradientPicture(8, 8));
    FileDialogSeen seen;
    AnswerFileDialog(seen, QString::fromStdString(folder + "a.hdr"));
    window.RunCommand(Command::AddFiles);
    QCOMPARE(seen.title, QString("Select Input Files"));
    QCOMPARE(seen.filters,
             (QStringList{"All Supported Files (*.hdr *.hdri)",
                          "High Dynamic Range File (*.hdri *.hdr)", "All Files (*)"}));
    QCOMPARE(seen.selectedFilter, seen.filters.first());
    QCOMPARE(RowTexts(window), QStringList{QString::fromStdString(folder + "a.hdr")});
  }

  void pipeFiltersBecomeQtFilters_data() {
    QTest::addColumn<QString>("pairs");
    QTest::addColumn<QString>("qt");
    QTest::newRow("list files") << "Text Files|*.txt;*.lst|All Files (*.*)|*.*"
                                << "Text Files (*.txt *.lst);;All Files (*)";
    QTest::newRow("one pair") << "Pictures|*.png"
                              << "Pictures (*.png)";
    QTest::newRow("trailing bar") << "A|*.a|"
                                  << "A (*.a)";
    QTest::newRow("empty") << ""
                           << "";
  }
  void pipeFiltersBecomeQtFilters() {
    QFETCH(QString, pairs);
    QFETCH(QString, qt);
    QCOMPARE(QtNameFilters(pairs.toStdString()), qt);
  }

  // Each toolbar command has a key; each opens its own window.
  void shortcutsOpenTheirCommands_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("title");
    QTest::newRow("Ctrl+O add files")
        << int(Qt::Key_O) << int(Qt::ControlModifier) << "Select Input Files";
    QTest::newRow("Ctrl+Shift+O add folder")
        << int(Qt::Key_O) << int(Qt::ControlModifier | Qt::ShiftModifier) << "Select Input Folder";
    QTest::newRow("Ctrl+Shift+F output folder")
        << int(Qt::Key_F) << int(Qt::ControlModifier | Qt::ShiftModifier) << "Select Output Folder";
    QTest::newRow("Ctrl+, preferences")
        << int(Qt::Key_Comma) << int(Qt::ControlModifier) << "Preferences...";
    QTest::newRow("Ctrl+Return convert")
        << int(Qt::Key_Return) << int(Qt::ControlModifier) << "Warning";
    QTest::newRow("F5 convert") << int(Qt::Key_F5) << int(Qt::NoModifier) << "Warning";
  }
  void shortcutsOpenTheirCommands() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, title);
    MainWindow window;
    ShowActive(window);
    QString seen;
    WhenModal<QDialog>([&seen](QDialog* dialog) {
      seen = dialog->windowTitle();
      dialog->reject();
      return true;
    });
    QTest::keyClick(&window, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QTRY_COMPARE_WITH_TIMEOUT(seen, title, 5000);
  }

  // Menu titles carry mnemonics in the window only; Alt+F and F10 open menus.
  void menusOpenFromTheKeyboard() {
    MainWindow window;
    ShowActive(window);
    QStringList titles;
    for (QAction* action : window.menuBar()->actions()) titles << action->text();
    QCOMPARE(titles, (QStringList{"&File", "&Edit", "&Converter", "&Help"}));
    QCOMPARE(QString::fromStdString(LanguageText("Menu", "File")), QString("File"));
    // Letters are unique within a menu.
    for (QAction* title : window.menuBar()->actions()) {
      QStringList letters;
      for (QAction* item : title->menu()->actions()) {
        if (item->isSeparator()) continue;
        const int amp = item->text().indexOf('&');
        QVERIFY2(amp >= 0, qPrintable(item->text()));
        letters << item->text().mid(amp + 1, 1).toLower();
      }
      QCOMPARE(QSet<QString>(letters.begin(), letters.end()).size(), letters.size());
    }
    QCOMPARE(window.ActionFor(Command::Exit)->text(), QString("E&xit"));

    QTest::keyClick(&window, Qt::Key_F, Qt::AltModifier);
    QTRY_VERIFY(QApplication::activePopupWidget() != nullptr);
    QCOMPARE(QApplication::activePopupWidget(), window.menuBar()->actions()[0]->menu());
    QApplication::activePopupWidget()->close();
    QTRY_VERIFY(QApplication::activePopupWidget() == nullptr);
    QTest::keyClick(&window, Qt::Key_F10);
    QTRY_VERIFY(QApplication::activePopupWidget() != nullptr);
    QApplication::activePopupWidget()->close();
  }

  void deleteKeyRemovesTheSelectedRows() {
    MainWindow window;
    ShowActive(window);
    const std::string folder = ScratchFolder("delete-key");
    QStringList paths;
    for (const char* name : {"a.hdr", "b.hdr", "c.hdr"}) {
      WriteFileBytes(folder + name, "#?RADIANCE\n");
      paths << QString::fromStdString(folder + name);
    }
    window.AddDroppedPaths(paths);
    window.FileList()->setFocus();
    window.FileList()->setCurrentItem(window.FileList()->topLevelItem(1));
    QTest::keyClick(window.FileList(), Qt::Key_Delete);
    QCOMPARE(RowTexts(window), (QStringList{paths[0], paths[2]}));
    QCOMPARE(InputList.Size(), std::size_t(2));
    // Delete in the folder field edits the field, not the list.
    window.FolderBox()->setEditText("/x/");
    window.FolderBox()->lineEdit()->setFocus();
    window.FolderBox()->lineEdit()->setCursorPosition(0);
    QTest::keyClick(window.FolderBox()->lineEdit(), Qt::Key_Delete);
    QCOMPARE(window.FolderBox()->currentText(), QString("x/"));
    QCOMPARE(RowTexts(window).size(), 2);
  }

  void tabGoesFromTheListToFolderFormatAndConvert() {
    MainWindow window;
    ShowActive(window);
    window.FileList()->setFocus();
    QTRY_COMPARE(Focused(), static_cast<QWidget*>(window.FileList()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(Focused(), static_cast<QWidget*>(window.FolderBox()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(Focused(), static_cast<QWidget*>(window.FormatBox()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QWidget* convert = QApplication::focusWidget();
    QVERIFY(convert);
    QCOMPARE(convert->toolTip(), QString("Convert"));
    QCOMPARE(convert->size(), QSize(100, 100));
  }

  // A keyboard-only run: add a file, choose the output folder, convert.
  void aConversionFromTheKeyboardAlone() {
    const std::string folder = ScratchFolder("keyboard-run");
    MakeDirectories(folder + "out/");
    WriteRadianceFile(folder + "pic.hdr", GradientPicture(40, 30));
    MainWindow window;
    ShowActive(window);
    FileDialogSeen files, out;
    AnswerFileDialog(files, QString::fromStdString(folder + "pic.hdr"));
    QTest::keyClick(&window, Qt::Key_O, Qt::ControlModifier);
    QTRY_COMPARE(RowTexts(window).size(), 1);
    ShowActive(window);  // the desktop hands the focus back after a dialog
    AnswerFileDialog(out, QString::fromStdString(folder + "out"));
    QTest::keyClick(&window, Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
    QTRY_COMPARE(out.title, QString("Select Output Folder"));
    QTRY_COMPARE(window.FolderBox()->currentText(), QString::fromStdString(folder + "out/"));
    ShowActive(window);
    const auto png = std::find(OutputExtensions.begin(), OutputExtensions.end(), "png");
    window.FormatBox()->setCurrentIndex(
        window.FormatBox()->findData(static_cast<int>(png - OutputExtensions.begin())));
    // The finished dialog stays until Return presses its OK.
    QString title;
    WhenModal<QDialog>([&title](QDialog* dialog) {
      auto* ok = dialog->findChild<QPushButton*>();
      if (!ok || !ok->isEnabled()) return false;
      title = dialog->windowTitle();
      QTest::keyClick(dialog, Qt::Key_Return);
      return true;
    });
    QTest::keyClick(&window, Qt::Key_Return, Qt::ControlModifier);
    QTRY_COMPARE(title, QString("Conversion complete (1/1)"));
    QVERIFY(FileSize(folder + "out/pic.png") > 0);
    QCOMPARE(ReadFileBytes(folder + "out/pic.png").substr(1, 3), std::string("PNG"));
  }

  // After the window rebuilds its toolbar for a new icon size, the drop-downs
  // keep their distance from the bottom at every size, and stay visible.
  void everyIconSizeKeepsTheLayout() {
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QWidget* central = window.centralWidget();
    const int gap = central->height() - window.FormatBox()->geometry().bottom();
    for (int size : {4, 1, 3, 0, 2, 4, 1}) {
      WhenModal<PreferencesDialog>([size](PreferencesDialog* dialog) {
        for (QComboBox* box :
             dialog->PageWidget(PreferencesPage::Interface)->findChildren<QComboBox*>())
          if (box->count() == 5 && box->itemText(4) == "Huge") box->setCurrentIndex(size);
        dialog->OkButton()->click();
        return true;
      });
      window.RunCommand(Command::Preferences);
      const int pixels[] = {16, 24, 32, 48, 64};
      auto* bar = window.findChild<QToolBar*>("MainToolbar");
      QVERIFY(bar);
      QCOMPARE(bar->iconSize(), QSize(pixels[size], pixels[size]));
      QTest::qWait(100);  // the main window lays out the new toolbar later
      QCOMPARE(central->height() - window.FormatBox()->geometry().bottom(), gap);
      QVERIFY(window.FormatBox()->isVisible());
      QCOMPARE(window.FileList()->y(), 10);
      QVERIFY(window.FileList()->geometry().bottom() < window.FolderBox()->y());
      QVERIFY(central->y() > bar->geometry().bottom());
    }
  }

  // At the largest icons the toolbar overflows; a command picked from the
  // opened overflow closes it again.
  void theToolbarOverflowClosesAfterACommand() {
    Settings.UISize = 4;
    std::vector<QUrl> opened;
    RecordUrlOpens(opened, true);
    MainWindow window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto* bar = window.findChild<QToolBar*>("MainToolbar");
    auto* more = bar->findChild<QToolButton*>("qt_toolbar_ext_button");
    QVERIFY(more && more->isVisible());
    more->click();
    QVERIFY(more->isChecked());
    QList<QAction*> buttons;
    for (QAction* action : bar->actions())
      if (!action->isSeparator()) buttons << action;
    QCOMPARE(buttons.size(), 9);
    QAction* web = buttons[7];  // New, Add, OutFolder, Preferences, Convert, Help, Email, Web
    QVERIFY(!bar->widgetForAction(web)->isVisible() || more->isChecked());
    web->trigger();
    QCOMPARE(opened.size(), std::size_t(1));
    QVERIFY(!more->isChecked());
    QTest::qWait(50);
    QVERIFY(bar->height() < window.centralWidget()->y() + 1);
  }

  // Nothing to open a page with: the address to copy, not silence.
  void failedOpensShowTheAddress_data() {
    QTest::addColumn<int>("command");
    QTest::addColumn<QString>("address");
    QTest::newRow("homepage") << int(Command::VisitHomepage) << QString(MakerHomepage);
    QTest::newRow("manual") << int(Command::Manual)
                            << QString::fromStdString(ProgramFolder() + ProgramName() + ".html");
    QTest::newRow("feedback") << int(Command::SendFeedback)
                              << "mailto:support@corvanta.com?subject=" +
                                     QString::fromStdString(WindowTitle()) + " Feedback";
  }
  void failedOpensShowTheAddress() {
    QFETCH(int, command);
    QFETCH(QString, address);
    std::vector<QUrl> tried;
    RecordUrlOpens(tried, false);
    MainWindow window;
    window.show();
    QString title, text, informative;
    bool selectable = false;
    WhenModal<QMessageBox>([&](QMessageBox* box) {
      title = box->windowTitle();
      text = box->text();
      informative = box->informativeText();
      selectable = box->textInteractionFlags() & Qt::TextSelectableByKeyboard;
      box->accept();
      return true;
    });
    window.RunCommand(Command(command));
    QCOMPARE(tried.size(), std::size_t(1));
    QCOMPARE(title, QString("Warning"));
    QCOMPARE(text, QString(OpenFailedText));
    QCOMPARE(informative, address);
    QVERIFY(selectable);
  }

  void anOpenerThatWorksShowsNothing() {
    std::vector<QUrl> tried;
    RecordUrlOpens(tried, true);
    MainWindow window;
    window.show();
    bool boxShown = false;
    WhenModal<QMessageBox>(
        [&](QMessageBox* box) {
          boxShown = true;
          box->accept();
          return true;
        },
        &window);
    window.RunCommand(Command::VisitHomepage);
    QTest::qWait(50);
    QCOMPARE(tried.size(), std::size_t(1));
    QCOMPARE(tried[0].toString(), QString(MakerHomepage));
    QVERIFY(!boxShown);
  }
};

LUMIVERT_UI_TEST_MAIN(WindowKeyboardTest)
#include "window_keyboard_test.moc"
