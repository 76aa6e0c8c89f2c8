// The uninstall window of "-U": what it shows, what its button and its close
// box do, and that it leaves the user's files alone.
#include <QCheckBox>
#include <QDesktopServices>
#include <QDialog>
#include <QPushButton>
#include <QUrl>
#include <cstdlib>
#include <functional>
#include <map>

#include "platform/Files.h"
#include "support/UiTestMain.h"
#include "ui/Dialogs.h"

namespace {

// Stands in for the browser: remembers every address the program opens.
class BrowserStandIn : public QObject {
  Q_OBJECT

 public:
  QList<QUrl> opened;

 public slots:
  void open(const QUrl& url) { opened << url; }
};

enum class Answer { NextChecked, NextUnchecked, CloseBox, Escape };

struct Shown {
  QString title, boxText, buttonText;
  QSize size;
  bool boxChecked = false;
};

// Runs the uninstall window, answers it once it is up, and notes what it showed.
Shown RunAndAnswer(Answer answer) {
  Shown shown;
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, answer, &shown] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!dialog) return;
    timer->stop();
    timer->deleteLater();
    auto* box = dialog->findChild<QCheckBox*>();
    auto* button = dialog->findChild<QPushButton*>();
    shown.title = dialog->windowTitle();
    shown.size = dialog->size();
    if (box) {
      shown.boxText = box->text();
      shown.boxChecked = box->isChecked();
    }
    if (button) shown.buttonText = button->text();
    switch (answer) {
      case Answer::NextChecked:
        QTest::mouseClick(button, Qt::LeftButton);
        break;
      case Answer::NextUnchecked:
        QTest::mouseClick(box, Qt::LeftButton);
        QTest::mouseClick(button, Qt::LeftButton);
        break;
      case Answer::CloseBox:
        dialog->close();
        break;
      case Answer::Escape:
        QTest::keyClick(dialog, Qt::Key_Escape);
        break;
    }
  });
  timer->start(5);
  RunUninstallDialog();
  return shown;
}

// Every file below folder with its bytes.
std::map<std::string, std::string> FolderContents(const std::string& folder) {
  std::map<std::string, std::string> contents;
  const ProgramResult list =
      RunShellCommand("cd " + ShellQuote(folder) + " && find . -type f | sort");
  std::size_t start = 0;
  while (start < list.out.size()) {
    const std::size_t end = list.out.find('\n', start);
    const std::string name = list.out.substr(start, end - start);
    contents[name] = ReadFileBytes(folder + name);
    start = end == std::string::npos ? list.out.size() : end + 1;
  }
  return contents;
}

bool Installed(const char* tool) {
  return RunShellCommand(std::string("command -v ") + tool + " >/dev/null").exitCode == 0;
}

}  // namespace

Q_DECLARE_METATYPE(Answer)

class UninstallWindowTest : public QObject {
  Q_OBJECT

  BrowserStandIn browser;

 private slots:
  void initTestCase() {
    QDesktopServices::setUrlHandler("https", &browser, "open");
    QDesktopServices::setUrlHandler("http", &browser, "open");
  }
  void cleanupTestCase() {
    QDesktopServices::unsetUrlHandler("https");
    QDesktopServices::unsetUrlHandler("http");
  }
  void init() { browser.opened.clear(); }

  void showsItsTextsWithTheBoxChecked() {
    const Shown shown = RunAndAnswer(Answer::Escape);
    QCOMPARE(shown.title, QString("Uninstall"));
    QCOMPARE(shown.boxText, QString("Full Uninstall - Visit Uninstall Center"));
    QVERIFY(shown.boxChecked);
    QCOMPARE(shown.buttonText, QString("Next"));
    QCOMPARE(shown.size, QSize(300, 100));
  }

  void onlyNextWithTheBoxCheckedOpensTheFeedbackPage_data() {
    QTest::addColumn<Answer>("answer");
    QTest::addColumn<bool>("opensPage");
    QTest::newRow("next, box checked") << Answer::NextChecked << true;
    QTest::newRow("next, box cleared") << Answer::NextUnchecked << false;
    QTest::newRow("close box") << Answer::CloseBox << false;
    QTest::newRow("escape") << Answer::Escape << false;
  }

  void onlyNextWithTheBoxCheckedOpensTheFeedbackPage() {
    QFETCH(Answer, answer);
    QFETCH(bool, opensPage);
    // The settings folder of a user who used the window: nothing in it changes.
    const std::string config = std::string(std::getenv("XDG_CONFIG_HOME")) + "/Corvanta/lumivert/";
    MakeDirectories(config);
    WriteFileBytes(config + "config.ini", "\xEF\xBB\xBF\r\n[General]\r\nCFG = 17\r\n");
    const auto before = FolderContents(std::getenv("XDG_CONFIG_HOME") + std::string("/"));

    RunAndAnswer(answer);  // returns only once the window is gone

    if (opensPage) {
      QCOMPARE(browser.opened.size(), 1);
      QCOMPARE(browser.opened.front().toString(),
               QString("https://www.corvanta.com/nembrix/uninstall/"));
    } else {
      QCOMPARE(browser.opened.size(), 0);
    }
    QVERIFY(FolderContents(std::getenv("XDG_CONFIG_HOME") + std::string("/")) == before);
  }

  // The whole program under a virtual X server: Return presses Next, which
  // hands the page to the desktop's opener and ends the program.
  void wholeProgramOpensThePageAndEnds() {
    if (!Installed("xvfb-run") || !Installed("xdotool"))
      QSKIP("xvfb-run or xdotool is not installed");
    const std::string home = ScratchFolder("uninstall-run");
    MakeDirectories(home + "bin/");
    // The desktop's opener, replaced by one that writes down what it was given.
    WriteFileBytes(home + "bin/xdg-open", "#!/bin/sh\necho \"$@\" >> " + home + "opened\n");
    chmod((home + "bin/xdg-open").c_str(), 0755);
    chmod(home.c_str(), 0700);
    for (const char* key : {"Return", "Escape"}) {
      RunShellCommand("rm -f " + ShellQuote(home + "opened"));
      const std::string script =
          "PATH=" + ShellQuote(home + "bin") + ":$PATH XDG_RUNTIME_DIR=" + ShellQuote(home) +
          " XDG_CONFIG_HOME=" + ShellQuote(home + "config") + " env -u QT_QPA_PLATFORM " +
          ShellQuote(LUMIVERT_EXE) +
          " -U </dev/null >/dev/null 2>&1 & program=$!; "
          "window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Uninstall$' | head "
          "-n1); "
          "xdotool windowfocus --sync \"$window\"; xdotool key " +
          key +
          "; code=timeout; for i in $(seq 100); do kill -0 $program 2>/dev/null || { wait "
          "$program; code=$?; break; }; sleep 0.1; done; "
          "kill $program 2>/dev/null; echo $code";
      const ProgramResult run = RunShellCommand("cd " + ShellQuote(home) +
                                                " && xvfb-run -a -s '-screen 0 800x600x24' sh -c " +
                                                ShellQuote(script) + " 2>/dev/null");
      QCOMPARE(QString::fromStdString(run.out).trimmed(), QString("0"));
      // The opener runs detached; give it a moment to write.
      for (int i = 0; i < 50 && !IsRegularFile(home + "opened") && key[0] == 'R'; ++i)
        QTest::qWait(100);
      const std::string opened = ReadFileBytes(home + "opened");
      if (key[0] == 'R')
        QCOMPARE(QString::fromStdString(opened),
                 QString("https://www.corvanta.com/nembrix/uninstall/\n"));
      else
        QCOMPARE(QString::fromStdString(opened), QString());
      QVERIFY(!PathExists(home + "config"));
    }
  }
};

LUMIVERT_UI_TEST_MAIN(UninstallWindowTest)
#include "uninstall_window_test.moc"
