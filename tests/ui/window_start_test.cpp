// A picture opened from the file manager (lumivert FILE, no options) appears
// in the window's file list: the same steps as the program, from the
// parameters to the window's event loop and the settings written at its end.
#include <unistd.h>

#include <QElapsedTimer>
#include <QTreeWidget>

#include "app/WindowMode.h"
#include "batch/InputList.h"
#include "platform/Files.h"
#include "support/UiTestMain.h"
#include "ui/MainWindow.h"
#include "ui/WindowInterface.h"

namespace {

// Runs window mode with the given program parameters, as the entry point does,
// and returns the rows of the window's list once `expected` rows are there
// (or after a while) and nothing more has arrived for a moment.
QStringList RunWindowWith(std::vector<std::string> params, int expected) {
  std::vector<char*> argv;
  for (std::string& p : params) argv.push_back(p.data());
  SetWindowStartFiles(WindowStartFiles(static_cast<int>(argv.size()), argv.data()));

  QStringList rows;
  QElapsedTimer clock, settled;
  clock.start();
  auto* poll = new QTimer;
  QObject::connect(poll, &QTimer::timeout, [&] {
    MainWindow* window = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
      if (auto* main = qobject_cast<MainWindow*>(widget); main && main->isVisible()) window = main;
    if (!window) return;
    // The window adds the files one by one, handling its events in between.
    const int count = window->FileList()->topLevelItemCount();
    if (count < expected && clock.elapsed() < 5000) return;
    if (!settled.isValid()) settled.start();
    if (settled.elapsed() < 300) return;
    for (int i = 0; i < window->FileList()->topLevelItemCount(); ++i)
      rows << window->FileList()->topLevelItem(i)->text(0);
    poll->stop();
    poll->deleteLater();
    window->close();
  });
  poll->start(10);
  RunMainWindow();
  return rows;
}

}  // namespace

class WindowStartTest : public QObject {
  Q_OBJECT

 private slots:
  void openedPicturesAreInTheList() {
    const std::string folder = ScratchFolder("opened");
    MakeDirectories(folder + "sub/");
    WriteRadianceFile(folder + "sky.hdr", GradientPicture(16, 16));
    WriteRadianceFile(folder + "sub/dusk.hdri", GradientPicture(16, 16));
    const std::string home = std::getenv("XDG_CONFIG_HOME");
    const std::string config = home + "/Corvanta/lumivert/config.ini";
    std::remove(config.c_str());

    // A file manager passes absolute paths; a shell user may pass relative ones.
    char previous[4096];
    QVERIFY(getcwd(previous, sizeof previous) != nullptr);
    QVERIFY(chdir(folder.c_str()) == 0);
    const QStringList rows = RunWindowWith({"sky.hdr", folder + "sub/dusk.hdri", "missing.hdr"}, 2);
    QVERIFY(chdir(previous) == 0);

    QCOMPARE(rows, (QStringList{QString::fromStdString(folder + "sky.hdr"),
                                QString::fromStdString(folder + "sub/dusk.hdri")}));
    QVERIFY(InputList.Find(folder + "sky.hdr") != nullptr);
    QVERIFY(InputList.Find(folder + "sub/dusk.hdri") != nullptr);
    QCOMPARE(InputList.Size(), 2u);
    // Nothing is converted beside the pictures, and window mode ended as usual
    // by writing its settings.
    QVERIFY(!PathExists(folder + "sky.png") && !PathExists(folder + "sky.jpg"));
    QCOMPARE(ReadFileBytes(config).substr(0, 5), std::string("\xEF\xBB\xBF\r\n"));
  }

  void aStartWithoutFilesShowsAnEmptyList() {
    QCOMPARE(RunWindowWith({}, 0), QStringList());
    QCOMPARE(InputList.Size(), 0u);
  }
};

LUMIVERT_UI_TEST_MAIN(WindowStartTest)
#include "window_start_test.moc"
