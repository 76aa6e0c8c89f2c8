// The main window: file list, output folder with its history, output format,
// the Convert button, menus, toolbar and status line.
#pragma once

#include <QHash>
#include <QMainWindow>
#include <QRect>
#include <QStringList>

#include "ui/Commands.h"

class QAction;
class QComboBox;
class QLabel;
class QToolButton;
class QToolBar;
class QTreeWidget;

// The stored window geometry (x, y, width, height as config.ini holds them,
// any int32) fitted to the available area of a screen: the size no larger
// than the area but never below minimum, and the position moved so that the
// window lies on the area. A window that already lies on it stays as stored.
QRect FitWindowGeometry(int x, int y, int width, int height, const QRect& available,
                        const QSize& minimum);

class MainWindow : public QMainWindow {
  Q_OBJECT

 public:
  MainWindow();
  ~MainWindow() override;

  // Runs a command as its menu item, button or shortcut would.
  void RunCommand(Command command);

  // Paths dropped on the window, handled in order: folders through the folder
  // import with progress, anything else as a file.
  void AddDroppedPaths(const QStringList& paths);
  // Imports a list file / exports the list to path, each with its progress dialog.
  void ImportListFile(const QString& path);
  void ExportListFile(const QString& path);
  // Imports a folder (ending with "/") with its progress dialog.
  void ImportFolder(const QString& folder);

  // Refills the output-folder drop-down from Settings.RecentOutFolders.
  void FillFolderHistory();
  void SetStatus(const QString& text);
  QString Status() const;
  // Copies the window's geometry into Settings, as the end of window mode does.
  void StoreGeometry();
  // Shows rows for files added since the last call (scans add them on their thread).
  void ShowAddedFiles();

  QTreeWidget* FileList() const { return fileList_; }
  QComboBox* FolderBox() const { return folderBox_; }
  QComboBox* FormatBox() const { return formatBox_; }
  QAction* ActionFor(Command command) const { return actions_.value(static_cast<int>(command)); }
  bool ExitRequested() const { return exitRequested_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  QAction* MakeAction(Command command, const char* textKey, const char* icon,
                      const QKeySequence& shortcut = {});
  void BuildMenus();
  void BuildToolbar();
  void BuildControls();
  void Relayout();
  bool EditCommandAllowed() const;
  void CopySelection();
  void DeleteSelection();
  void SelectAllRows();
  void SelectInputFiles();
  void SelectInputFolder();
  void SelectOutputFolder();
  void ImportInputFiles();
  void ExportInputFiles();
  void OpenAddInputChooser();
  void OpenConverterSearch();
  void OpenAbout();
  void OpenManual();
  // The preferences dialog (on the page RunState.PreferencesPanel names) and
  // the refresh of what its changes touch.
  void OpenPreferencesDialog();
  void RefreshAfterPreferences();
  void NewList();
  std::vector<std::string> Rows() const;

  QTreeWidget* fileList_ = nullptr;
  QLabel* folderCaption_ = nullptr;
  QComboBox* folderBox_ = nullptr;
  QToolButton* folderButton_ = nullptr;
  QLabel* formatCaption_ = nullptr;
  QComboBox* formatBox_ = nullptr;
  QToolButton* formatButton_ = nullptr;
  QToolButton* convertButton_ = nullptr;
  QLabel* status_ = nullptr;
  QWidget* central_ = nullptr;
  QHash<int, QAction*> actions_;
  QHash<int, QString> actionIcons_;  // menu icon name by command, for a theme change
  QToolBar* toolbar_ = nullptr;
  bool listHadFocus_ = false;  // when the menu opened
  bool exitRequested_ = false;
};
