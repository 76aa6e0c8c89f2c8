// The update check from the window: it waits for the server off the event
// loop, so the window keeps repainting and taking input, and the outcome
// still arrives as the same boxes.
#include <QComboBox>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>
#include <chrono>
#include <cstdlib>
#include <memory>

#include "settings/Product.h"
#include "support/LocalHttpServer.h"
#include "support/UiTestMain.h"
#include "support/WhenModal.h"
#include "support/WindowFixtures.h"
#include "ui/MainWindow.h"
#include "ui/Messages.h"
#include "ui/UpdateQuestions.h"
#include "update/UpdateCheck.h"

namespace {

struct Box {
  QString title, text, informative;
  bool selectable = false;
};

// Reads the next message box and presses button on it.
void AnswerNextBox(Box& seen, QMessageBox::StandardButton button) {
  WhenModal<QMessageBox>([&seen, button](QMessageBox* box) {
    seen.title = box->windowTitle();
    seen.text = box->text();
    seen.informative = box->informativeText();
    seen.selectable = box->textInteractionFlags() & Qt::TextSelectableByMouse;
    if (QAbstractButton* b = box->button(button))
      b->click();
    else
      box->accept();
    return true;
  });
}

}  // namespace

class UpdateCheckWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() {
    unsetenv("LUMIVERT_UPDATE_URL");
    SetUrlOpener({});
  }

  // A server that accepts but never answers: while the check waits, posted
  // events and timers still run; at the wait limit the usual box comes.
  void theWindowStaysResponsiveWhileTheServerIsSilent() {
    LocalHttpServer server(LocalHttpServer::NeverAnswer());
    setenv("LUMIVERT_UPDATE_URL", server.Url().c_str(), 1);
    MainWindow window;
    window.show();
    Box seen;
    AnswerNextBox(seen, QMessageBox::Ok);

    QElapsedTimer clock;
    clock.start();
    window.RunCommand(Command::CheckForNewVersion);
    const qint64 returnedAfter = clock.elapsed();
    QVERIFY(UpdateCheckPending());
    QVERIFY2(returnedAfter < 5000, qPrintable(QString::number(returnedAfter)));

    bool timerRan = false, postedRan = false;
    QTimer::singleShot(50, &window, [&] { timerRan = true; });
    QMetaObject::invokeMethod(
        &window, [&] { postedRan = true; }, Qt::QueuedConnection);
    QTRY_VERIFY_WITH_TIMEOUT(timerRan && postedRan, 5000);
    QVERIFY(UpdateCheckPending());  // the server is still silent
    // The window takes input meanwhile: a new list empties the folder field.
    window.FolderBox()->setEditText("/somewhere/");
    window.RunCommand(Command::New);
    QCOMPARE(window.FolderBox()->currentText(), QString());

    QTRY_VERIFY_WITH_TIMEOUT(!UpdateCheckPending() && !seen.text.isEmpty(), 30000);
    QCOMPARE(seen.title, QString("Error"));
    QCOMPARE(seen.text, QString("Internet connection problems!"));
    QVERIFY(clock.elapsed() >= HttpWaitLimitMilliseconds - 500);
  }

  // Closing and destroying the window while the check waits returns (after
  // at most the wait limit) and shows nothing afterwards.
  void closingTheWindowDuringACheckNeitherHangsNorShowsTheAnswer() {
    LocalHttpServer server(LocalHttpServer::NeverAnswer());
    setenv("LUMIVERT_UPDATE_URL", server.Url().c_str(), 1);
    QElapsedTimer clock;
    {
      auto window = std::make_unique<MainWindow>();
      window->show();
      window->RunCommand(Command::CheckForNewVersion);
      QVERIFY(UpdateCheckPending());
      QTest::qWait(100);
      window->close();
      QVERIFY(window->ExitRequested());
      clock.start();
    }  // destroyed here: waits for the check
    QVERIFY2(clock.elapsed() < 30000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(!UpdateCheckPending());
    QTest::qWait(300);  // a late answer would show its box now
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
  }

  void theOutcomesKeepTheirBoxes_data() {
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::newRow("newer") << "211"
                           << "New Update"
                           << "A new version of Corvanta Nembrix is available! Are you ready to "
                              "download it right now?";
    QTest::newRow("same") << "210"
                          << "No Update"
                          << "";
    QTest::newRow("no digits") << "abc"
                               << "Error"
                               << "Internet connection problems!";
  }

  void theOutcomesKeepTheirBoxes() {
    QFETCH(QString, body);
    QFETCH(QString, title);
    QFETCH(QString, text);
    LocalHttpServer server(LocalHttpServer::Reply(HttpReply(body.toStdString())));
    setenv("LUMIVERT_UPDATE_URL", server.Url().c_str(), 1);
    std::vector<QUrl> opened;
    RecordUrlOpens(opened, true);
    MainWindow window;
    window.show();
    Box seen;
    AnswerNextBox(seen, QMessageBox::No);
    window.RunCommand(Command::CheckForNewVersion);
    QTRY_VERIFY_WITH_TIMEOUT(!seen.title.isEmpty(), 15000);
    QCOMPARE(seen.title, title);
    if (!text.isEmpty()) QCOMPARE(seen.text, text);
    QVERIFY(opened.empty());  // "No" opens nothing
    QCOMPARE(server.Request().substr(0, 27), std::string("GET /files/lumivert.dat HTT"));
  }

  // "Yes" to a newer version with no browser: the address to copy.
  void yesWithoutABrowserShowsTheProductPage() {
    LocalHttpServer server(LocalHttpServer::Reply(HttpReply("999")));
    setenv("LUMIVERT_UPDATE_URL", server.Url().c_str(), 1);
    std::vector<QUrl> tried;
    RecordUrlOpens(tried, false);
    MainWindow window;
    window.show();
    Box question, failure;
    WhenModal<QMessageBox>([&](QMessageBox* box) {
      question.title = box->windowTitle();
      AnswerNextBox(failure, QMessageBox::Ok);
      box->button(QMessageBox::Yes)->click();
      return true;
    });
    window.RunCommand(Command::CheckForNewVersion);
    QTRY_VERIFY_WITH_TIMEOUT(!failure.text.isEmpty(), 15000);
    QCOMPARE(question.title, QString("New Update"));
    QCOMPARE(tried.size(), std::size_t(1));
    QCOMPARE(tried[0].toString(), QString(ProductPageUrl));
    QCOMPARE(failure.title, QString("Warning"));
    QCOMPARE(failure.text, QString(OpenFailedText));
    QCOMPARE(failure.informative, QString(ProductPageUrl));
    QVERIFY(failure.selectable);
  }
};

LUMIVERT_UI_TEST_MAIN(UpdateCheckWindowTest)
#include "update_check_window_test.moc"
