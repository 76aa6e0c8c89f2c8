#include "ui/WindowInterface.h"

#include <xcb/xcb.h>

#include <QApplication>
#include <QComboBox>
#include <QFont>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QTreeWidget>
#include <cstdlib>
#include <memory>

#include "app/Startup.h"
#include "app/WindowMode.h"
#include "batch/InputCollection.h"
#include "codecs/FormatTables.h"
#include "lang/LanguageTable.h"
#include "platform/Desktop.h"
#include "platform/Files.h"
#include "settings/ConfigFile.h"
#include "settings/Settings.h"
#include "ui/Dialogs.h"
#include "ui/IconSets.h"
#include "ui/MainWindow.h"
#include "ui/Messages.h"
#include "ui/UpdateQuestions.h"

namespace {

bool Set(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] != '\0';
}

// The toolkit ends the process when it cannot reach its display, so an X
// display is tried first.
bool XServerAnswers() {
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  const bool ok = connection != nullptr && xcb_connection_has_error(connection) == 0;
  if (connection != nullptr) xcb_disconnect(connection);
  return ok;
}

// One application object for the life of the window face.
std::unique_ptr<QApplication> StartApplication() {
  static int argc = 1;
  static char name[] = "lumivert";
  static char* argv[] = {name, nullptr};
  auto app = std::make_unique<QApplication>(argc, argv);
  QApplication::setApplicationName("lumivert");
  QApplication::setOrganizationName("Corvanta");
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    SetPrimaryDesktopSize({screen->size().width(), screen->size().height()});
  return app;
}

void ReadWindowSettings() {
  BuildFormatTables();
  const std::string brand =
      std::string(ProductTitle).substr(0, std::string(ProductTitle).find(' '));
  const std::string folder = ConfigFolder(brand, "lumivert");
  Settings.ConfigPath = folder.empty() ? "" : folder + "config.ini";
  ReadConfig();
  BuildLanguageTable();
}

}  // namespace

bool DisplayAvailable() {
  if (Set("QT_QPA_PLATFORM") || Set("WAYLAND_DISPLAY")) return true;
  return Set("DISPLAY") && XServerAnswers();
}

void RunWindowInterface() {
  auto app = StartApplication();
  RunMainWindow();
}

void RunMainWindow() {
  ReadWindowSettings();
  StartIconSets();
  {
    MainWindow window;
    window.show();
    // Files opened with the program (lumivert FILE..., as a file manager does)
    // arrive like files dropped on the window.
    QStringList opened;
    for (const std::string& file : WindowStartFiles()) opened << Q(file);
    if (!opened.isEmpty())
      QTimer::singleShot(0, &window, [&window, opened] { window.AddDroppedPaths(opened); });
    // Once the window is up, so the question has the window behind it.
    QTimer::singleShot(0, &window, [&window] { RunScheduledUpdateCheck(&window); });
    QApplication::exec();
    window.StoreGeometry();
  }
  if (Settings.OutFoldersHistory == 0) Settings.RecentOutFolders.clear();
  WriteConfig();
}

void RunUninstallInterface() {
  auto app = StartApplication();
  BuildLanguageTable();
  RunUninstallDialog();
}

void RunScreenshotInterface(const std::string& value) {
  std::string folder = value.empty() ? ProgramFolder() : value;
  if (folder.back() != '/') folder += '/';
  if (!IsDirectory(folder)) return;
  auto app = StartApplication();
  ReadWindowSettings();
  StartIconSets();
  // Sample content, whatever the user's own settings say about the window.
  Settings.X = 400;
  Settings.Y = 400;
  Settings.Width = 510;
  Settings.Height = 330;
  Settings.IsMaximized = 0;
  MainWindow window;
  const char* samples[] = {"pic0102",     "picture_a", "picture_b", "corvanta",
                           "layout-haus", "summer",    "winter"};
  for (const char* sample : samples) {
    auto* row = new QTreeWidgetItem(
        window.FileList(),
        {QString("/home/user/images/%1.%2").arg(sample, Q(InputGroups.front()))});
    (void)row;
  }
  window.FolderBox()->setEditText("/home/user/converted/");
  window.show();
  QTimer::singleShot(500, &window, [&] { window.close(); });
  QApplication::exec();

  QPixmap shot = window.grab();
  {
    QPainter painter(&shot);
    painter.setRenderHint(QPainter::TextAntialiasing);
    QFont font("Tahoma");
    font.setPointSize(8);
    painter.setFont(font);
    painter.setPen(Qt::black);
    const QRect area(0, 0, shot.width() - 35, shot.height() - 26);
    painter.drawText(area, Qt::AlignRight | Qt::AlignBottom, Q(MakerHomepage));
  }
  shot.save(Q(folder + "lumivert1.jpg"), "JPG", 90);
  const int height = static_cast<int>(std::lround(shot.height() * 180.0 / shot.width()));
  shot.scaled(180, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
      .save(Q(folder + "lumivert1x.jpg"), "JPG", 90);
}
