#include "ui/MainWindow.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QScreen>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QUrl>
#include <algorithm>
#include <cstdint>

#include "app/Startup.h"
#include "batch/ConversionRun.h"
#include "batch/InputCollection.h"
#include "batch/InputList.h"
#include "codecs/FormatTables.h"
#include "codecs/OutputFormats.h"
#include "lang/LanguageTable.h"
#include "pipeline/Progress.h"
#include "platform/Files.h"
#include "platform/Text.h"
#include "settings/Settings.h"
#include "ui/AddedFiles.h"
#include "ui/Dialogs.h"
#include "ui/IconSets.h"
#include "ui/ListFiles.h"
#include "ui/Messages.h"
#include "ui/PreferencesDialog.h"
#include "ui/ProgressDialogs.h"
#include "ui/UpdateQuestions.h"

namespace {

// Minimum and default size of the window.
constexpr int BaseWidth = 510;
constexpr int BaseHeight = 330;

void ProcessPendingEvents(int milliseconds) {
  QApplication::processEvents(QEventLoop::AllEvents, milliseconds);
}

// text with "&" before its first letter not yet taken in the same menu, so
// that Alt+letter (or the letter in an open menu) picks it. The language
// table's texts themselves stay as they are.
QString WithMnemonic(const QString& text, QString& taken) {
  for (int i = 0; i < text.size(); ++i) {
    const QChar letter = text[i].toLower();
    if (!letter.isLetterOrNumber() || taken.contains(letter)) continue;
    taken += letter;
    // A "&" of the text itself stays a character.
    return QString(text.left(i)).replace('&', "&&") + '&' + QString(text.mid(i)).replace('&', "&&");
  }
  return QString(text).replace('&', "&&");
}

std::string WithSlash(std::string folder) {
  if (!folder.empty() && folder.back() != '/') folder += '/';
  return folder;
}

// One side of the geometry: the length held to [minimum, room] (the minimum
// wins on a tiny screen), the start moved only as far as needed to bring the
// window onto [start, start + room).
void FitSpan(std::int64_t& start, std::int64_t& length, std::int64_t areaStart, std::int64_t room,
             std::int64_t minimum) {
  length = std::max(minimum, std::min(length, std::max(room, minimum)));
  const std::int64_t last = areaStart + std::max<std::int64_t>(room - length, 0);
  start = std::clamp(start, areaStart, last);
}

// The available area of the screen holding the stored position, or of the
// primary screen when none does; empty without any screen.
QRect AvailableAreaAt(int x, int y) {
  const QScreen* screen = QGuiApplication::screenAt(QPoint(x, y));
  if (screen == nullptr) screen = QGuiApplication::primaryScreen();
  return screen ? screen->availableGeometry() : QRect();
}

}  // namespace

QRect FitWindowGeometry(int x, int y, int width, int height, const QRect& available,
                        const QSize& minimum) {
  std::int64_t left = x, top = y, w = width, h = height;
  FitSpan(left, w, available.x(), available.width(), minimum.width());
  FitSpan(top, h, available.y(), available.height(), minimum.height());
  return QRect(static_cast<int>(left), static_cast<int>(top), static_cast<int>(w),
               static_cast<int>(h));
}

MainWindow::MainWindow() {
  setWindowTitle(Q(WindowTitle()));
  setMinimumSize(BaseWidth, BaseHeight);
  setAcceptDrops(true);
  StartReportingAddedFiles();
  BuildMenus();
  BuildToolbar();
  BuildControls();
  status_ = new QLabel(this);
  statusBar()->addWidget(status_, 1);
  statusBar()->setSizeGripEnabled(true);
  // A hand-edited or foreign config.ini may ask for a window of any size
  // anywhere: a 32767-pixel window costs gigabytes, and one off the screen
  // cannot be reached. Stored values that fit are used as they are.
  QRect available = AvailableAreaAt(Settings.X, Settings.Y);
  if (available.isEmpty()) available = QRect(0, 0, 32767, 32767);  // no screen known
  const QRect geometry = FitWindowGeometry(Settings.X, Settings.Y, Settings.Width, Settings.Height,
                                           available, QSize(BaseWidth, BaseHeight));
  move(geometry.topLeft());
  resize(geometry.size());
  if (Settings.IsMaximized) setWindowState(windowState() | Qt::WindowMaximized);
  NewList();
}

MainWindow::~MainWindow() {
  InputFileAddedHook = nullptr;
  // A check still waiting for the server ends within its wait limit; its
  // answer has no window left to show it on.
  FinishUpdateCheck();
}

QAction* MainWindow::MakeAction(Command command, const char* textKey, const char* icon,
                                const QKeySequence& shortcut) {
  auto* action = new QAction(MenuIcon(icon), Lang("Menu", textKey), this);
  if (!shortcut.isEmpty()) action->setShortcut(shortcut);
  connect(action, &QAction::triggered, this, [this, command] { RunCommand(command); });
  actions_.insert(static_cast<int>(command), action);
  actionIcons_.insert(static_cast<int>(command), icon);
  return action;
}

void MainWindow::BuildMenus() {
  QString titles;
  QMenu* file = menuBar()->addMenu(WithMnemonic(Lang("Menu", "File"), titles));
  file->addAction(MakeAction(Command::New, "New", "New", QKeySequence("Ctrl+N")));
  file->addSeparator();
  file->addAction(MakeAction(Command::SelectInputFiles, "Select Input Files", "Add"));
  file->addAction(MakeAction(Command::SelectOutputFolder, "Select Output Folder", "OutFolder",
                             QKeySequence("Ctrl+Shift+F")));
  file->addSeparator();
  file->addAction(MakeAction(Command::ImportInputFiles, "Import Input Files", "ImportFiles"));
  file->addAction(MakeAction(Command::ExportInputFiles, "Export Input Files", "ExportFiles"));
  file->addSeparator();
  file->addAction(MakeAction(Command::Exit, "Exit", "Exit", QKeySequence("Alt+X")));

  QMenu* edit = menuBar()->addMenu(WithMnemonic(Lang("Menu", "Edit"), titles));
  // The edit commands act on the file list only: their shortcuts live on the
  // list, so Ctrl+C in the folder field still copies the field's text.
  edit->addAction(MakeAction(Command::Copy, "Copy", "Copy", QKeySequence("Ctrl+C")));
  edit->addAction(MakeAction(Command::Delete, "Delete", "Delete", QKeySequence("Ctrl+Del")));
  edit->addSeparator();
  edit->addAction(
      MakeAction(Command::SelectAll, "Select All", "SelectAll", QKeySequence("Ctrl+A")));
  // Delete alone removes rows too, as in any list.
  ActionFor(Command::Delete)
      ->setShortcuts({QKeySequence("Ctrl+Del"), QKeySequence(Qt::Key_Delete)});
  for (Command c : {Command::Copy, Command::Delete, Command::SelectAll})
    ActionFor(c)->setShortcutContext(Qt::WidgetShortcut);
  connect(edit, &QMenu::aboutToShow, this,
          [this] { listHadFocus_ = QApplication::focusWidget() == fileList_; });

  QMenu* converter = menuBar()->addMenu(WithMnemonic(Lang("Menu", "Converter"), titles));
  converter->addAction(MakeAction(Command::Convert, "Convert", "Convert", QKeySequence("F5")));
  ActionFor(Command::Convert)->setShortcuts({QKeySequence("F5"), QKeySequence("Ctrl+Return")});
  converter->addSeparator();
  converter->addAction(MakeAction(Command::CustomConverter, "Custom Converter", "CustomConverter"));
  converter->addSeparator();
  converter->addAction(
      MakeAction(Command::Preferences, "Preferences", "Preferences", QKeySequence("Ctrl+,")));

  QMenu* help = menuBar()->addMenu(WithMnemonic(Lang("Menu", "Help"), titles));
  help->addAction(MakeAction(Command::Manual, "Manual", "Help", QKeySequence("F1")));
  help->addSeparator();
  help->addAction(MakeAction(Command::SendFeedback, "Send Feedback", "Email"));
  help->addAction(MakeAction(Command::VisitHomepage, "Visit Homepage", "Web"));
  help->addAction(MakeAction(Command::CheckForNewVersion, "Check For New Version", "Updates"));
  help->addSeparator();
  help->addAction(MakeAction(Command::About, "About", "About"));

  // Every item gets a letter of its own within its menu.
  for (QAction* title : menuBar()->actions()) {
    QString taken;
    if (QMenu* menu = title->menu())
      for (QAction* item : menu->actions())
        if (!item->isSeparator()) item->setText(WithMnemonic(item->text(), taken));
  }

  // The two ways of the add-input chooser, straight from the keyboard.
  for (const auto& [command, keys] :
       {std::pair{Command::AddFiles, "Ctrl+O"}, std::pair{Command::AddFolder, "Ctrl+Shift+O"}}) {
    auto* action = new QAction(this);
    action->setShortcut(QKeySequence(keys));
    const Command c = command;
    connect(action, &QAction::triggered, this, [this, c] { RunCommand(c); });
    addAction(action);
    actions_.insert(static_cast<int>(command), action);
  }
  // F10 opens the menu bar, as on most desktops.
  auto* menuKey = new QAction(this);
  menuKey->setShortcut(QKeySequence(Qt::Key_F10));
  connect(menuKey, &QAction::triggered, this, [this] {
    if (!menuBar()->actions().isEmpty()) menuBar()->setActiveAction(menuBar()->actions().first());
  });
  addAction(menuKey);
}

void MainWindow::BuildToolbar() {
  QToolBar* bar = addToolBar("Main");
  toolbar_ = bar;
  bar->setObjectName("MainToolbar");
  bar->setMovable(false);
  bar->setIconSize(QSize(ToolbarIconSize(), ToolbarIconSize()));
  auto add = [&](Command command, const char* icon) {
    QAction* menuAction = ActionFor(command);
    const QString text = menuAction->text().remove('&');
    QAction* action = bar->addAction(ToolbarIcon(icon), text);
    action->setToolTip(text);
    connect(action, &QAction::triggered, this, [this, command] { RunCommand(command); });
  };
  add(Command::New, "New");
  add(Command::SelectInputFiles, "Add");
  add(Command::SelectOutputFolder, "OutFolder");
  bar->addSeparator();
  add(Command::Preferences, "Preferences");
  bar->addSeparator();
  add(Command::Convert, "Convert");
  bar->addSeparator();
  add(Command::Manual, "Help");
  add(Command::SendFeedback, "Email");
  add(Command::VisitHomepage, "Web");
  add(Command::CheckForNewVersion, "Updates");
  // A command picked from the overflow ("»") closes it, so the opened strip
  // does not stay over the file list while the command's window is up.
  connect(bar, &QToolBar::actionTriggered, this, [bar] {
    if (auto* more = bar->findChild<QToolButton*>("qt_toolbar_ext_button"))
      if (more->isChecked()) more->click();
  });
}

void MainWindow::BuildControls() {
  central_ = new QWidget(this);
  setCentralWidget(central_);

  fileList_ = new QTreeWidget(central_);
  fileList_->setColumnCount(1);
  fileList_->setHeaderLabels({Lang("General", "Filename")});
  fileList_->setColumnWidth(0, 290);
  fileList_->setRootIsDecorated(false);
  fileList_->setUniformRowHeights(true);
  fileList_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  fileList_->setContextMenuPolicy(Qt::CustomContextMenu);
  fileList_->setAcceptDrops(false);  // drops go to the window
  for (Command c : {Command::Copy, Command::Delete, Command::SelectAll})
    fileList_->addAction(ActionFor(c));
  // A double click anywhere on the list, rows or empty space, adds input.
  fileList_->viewport()->installEventFilter(this);
  connect(fileList_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    if (fileList_->selectedItems().isEmpty()) return;
    QMenu popup(this);
    popup.addAction(ActionFor(Command::Copy));
    popup.addAction(ActionFor(Command::Delete));
    popup.addSeparator();
    popup.addAction(ActionFor(Command::SelectAll));
    listHadFocus_ = true;
    popup.exec(fileList_->viewport()->mapToGlobal(at));
  });

  folderCaption_ = new QLabel(Lang("General", "Output Folder"), central_);
  folderBox_ = new QComboBox(central_);
  folderBox_->setEditable(true);
  folderBox_->setInsertPolicy(QComboBox::NoInsert);
  connect(folderBox_, &QComboBox::editTextChanged, this,
          [](const QString& text) { RunState.OutputFolder = U(text); });
  folderButton_ = new QToolButton(central_);
  folderButton_->setIcon(MenuIcon("OutFolder"));
  folderButton_->setToolTip(ActionFor(Command::SelectOutputFolder)->text().remove('&'));
  folderButton_->setAutoRaise(true);
  connect(folderButton_, &QToolButton::clicked, this,
          [this] { RunCommand(Command::SelectOutputFolder); });

  formatCaption_ = new QLabel(Lang("General", "Output Format"), central_);
  formatBox_ = new QComboBox(central_);
  formatBox_->setIconSize(QSize(16, 16));
  for (std::size_t i = 0; i < OutputExtensions.size(); ++i) {
    const std::string& ext = OutputExtensions[i];
    const OutputFormat* record = FindOutputFormat(ext);
    const std::string description = record ? record->Description : "";
    formatBox_->addItem(FormatIcon(Q(ext)), Q(UpperCase(ext) + " - " + description),
                        static_cast<int>(i));
    if (ext == Settings.DefaultOutputFormat) formatBox_->setCurrentIndex(static_cast<int>(i));
  }
  connect(formatBox_, &QComboBox::currentIndexChanged, this, [this](int index) {
    const int format = formatBox_->itemData(index).toInt();
    if (format >= 0 && format < static_cast<int>(OutputExtensions.size()))
      Settings.DefaultOutputFormat = OutputExtensions[format];
  });
  formatButton_ = new QToolButton(central_);
  formatButton_->setIcon(MenuIcon("OutFormat"));
  formatButton_->setToolTip(Lang("Menu", "Output Format Options"));
  formatButton_->setAutoRaise(true);
  connect(formatButton_, &QToolButton::clicked, this,
          [this] { RunCommand(Command::OutputFormatOptions); });

  convertButton_ = new QToolButton(central_);
  convertButton_->setIcon(QIcon(ButtonPicture("Convert")));
  convertButton_->setIconSize(QSize(72, 72));
  convertButton_->setToolTip(Lang("General", "Convert"));
  connect(convertButton_, &QToolButton::clicked, this, [this] { RunCommand(Command::Convert); });

  // Tab walks list -> output folder -> format -> Convert; the small buttons
  // beside the drop-downs have keys of their own (and the preferences).
  folderButton_->setFocusPolicy(Qt::NoFocus);
  formatButton_->setFocusPolicy(Qt::NoFocus);
  convertButton_->setFocusPolicy(Qt::StrongFocus);
  setTabOrder(fileList_, folderBox_);
  setTabOrder(folderBox_, formatBox_);
  setTabOrder(formatBox_, convertButton_);
  // The layout follows the area the toolbar leaves, whatever changed it.
  central_->installEventFilter(this);
}

// The list takes what the drop-downs leave; the drop-downs and their buttons
// keep their distance from the bottom, the Convert button from the right.
void MainWindow::Relayout() {
  const int w = central_->width(), h = central_->height();
  const int right = w - 110;
  const int formatY = h - 40 + 10, folderY = h - 80 + 10;
  formatCaption_->setGeometry(10, formatY - 17, right - 20, 16);
  formatBox_->setGeometry(10, formatY, right - 14, 24);
  formatButton_->setGeometry(w - 114, formatY, 24, 24);
  folderCaption_->setGeometry(10, folderY - 17, right - 20, 16);
  folderBox_->setGeometry(10, folderY, right - 14, 24);
  folderButton_->setGeometry(w - 114, folderY, 24, 24);
  fileList_->setGeometry(10, 10, w - 130, std::max(60, folderY - 17 - 10 - 4));
  convertButton_->setGeometry(w - 110, 10, 100, 100);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == central_ && event->type() == QEvent::Resize) Relayout();
  if (watched == fileList_->viewport() && event->type() == QEvent::MouseButtonDblClick) {
    QTimer::singleShot(0, this, [this] { RunCommand(Command::SelectInputFiles); });
    return true;
  }
  return QMainWindow::eventFilter(watched, event);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  Relayout();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  exitRequested_ = true;
  event->accept();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
  QStringList paths;
  for (const QUrl& url : event->mimeData()->urls())
    if (url.isLocalFile()) paths << url.toLocalFile();
  event->acceptProposedAction();
  // Handled after the drop returns, so the dragging program is not kept waiting.
  QTimer::singleShot(0, this, [this, paths] { AddDroppedPaths(paths); });
}

void MainWindow::AddDroppedPaths(const QStringList& paths) {
  const int rowsBefore = fileList_->topLevelItemCount();
  bool countReset = false, stopped = false;
  for (const QString& path : paths) {
    const std::string p = U(path);
    if (IsDirectory(p)) {
      if (!countReset) {
        std::lock_guard<std::mutex> lock(ProgressMutex);
        Progress.ResultCount = 0;
        countReset = true;
      }
      RunState.InputFolder = WithSlash(p);
      ImportProgressDialog(this, ImportSource::Folder);
      stopped = stopped || Status() == Lang("Msg", "Import is not complete");
    } else {
      AddInputFile(p);
      ShowAddedFiles();
    }
    ProcessPendingEvents(2);
  }
  // Each folder's import reported its own files only; the drop as a whole
  // counts every row it added, loose files included.
  if (countReset && !stopped)
    SetStatus(Q(FillPlaceholders(LanguageText("Msg", "Import complete"),
                                 std::to_string(fileList_->topLevelItemCount() - rowsBefore))));
}

void MainWindow::ShowAddedFiles() {
  for (const AddedFile& added : TakeAddedFiles()) {
    auto* row = new QTreeWidgetItem(fileList_, {Q(added.path)});
    row->setToolTip(0, Q(added.path));
    if (folderBox_->currentText().trimmed().isEmpty()) {
      RecordRecentOutFolder(added.folder);
      RunState.OutputFolder = added.folder;
      FillFolderHistory();
    }
  }
}

void MainWindow::FillFolderHistory() {
  const std::string current = RunState.OutputFolder;
  QSignalBlocker block(folderBox_);
  folderBox_->clear();
  int count = 0;
  std::size_t start = 0;
  const std::string& recent = Settings.RecentOutFolders;
  while (start <= recent.size() && count < Settings.OutFoldersNumber) {
    std::size_t end = recent.find('\t', start);
    if (end == std::string::npos) end = recent.size();
    const std::string entry = TrimBlanks(recent.substr(start, end - start));
    if (!entry.empty()) folderBox_->addItem(MenuIcon("FavFolder"), Q(entry));
    ++count;
    start = end + 1;
  }
  const int index = folderBox_->findText(Q(current));
  folderBox_->setCurrentIndex(index);
  folderBox_->setEditText(Q(current));
}

void MainWindow::SetStatus(const QString& text) { status_->setText(text); }
QString MainWindow::Status() const { return status_->text(); }

void MainWindow::StoreGeometry() {
  if (windowState() & Qt::WindowMinimized) return;
  if (windowState() & Qt::WindowMaximized) {
    Settings.IsMaximized = 1;  // the normal geometry stays as it was
    return;
  }
  Settings.IsMaximized = 0;
  Settings.X = x();
  Settings.Y = y();
  Settings.Width = width();
  Settings.Height = height();
}

std::vector<std::string> MainWindow::Rows() const {
  std::vector<std::string> rows;
  for (int i = 0; i < fileList_->topLevelItemCount(); ++i)
    rows.push_back(U(fileList_->topLevelItem(i)->text(0)));
  return rows;
}

bool MainWindow::EditCommandAllowed() const {
  return fileList_->hasFocus() || QApplication::focusWidget() == fileList_ || listHadFocus_;
}

void MainWindow::CopySelection() {
  QStringList paths;
  for (int i = 0; i < fileList_->topLevelItemCount(); ++i)
    if (fileList_->topLevelItem(i)->isSelected()) paths << fileList_->topLevelItem(i)->text(0);
  if (!paths.isEmpty()) QApplication::clipboard()->setText(paths.join("\r\n"));
}

void MainWindow::DeleteSelection() {
  std::vector<int> removed;
  for (int i = 0; i < fileList_->topLevelItemCount(); ++i)
    if (fileList_->topLevelItem(i)->isSelected()) removed.push_back(i);
  for (auto it = removed.rbegin(); it != removed.rend(); ++it) {
    QTreeWidgetItem* row = fileList_->takeTopLevelItem(*it);
    InputList.Remove(U(row->text(0)));
    delete row;
  }
  const int select = RowToSelectAfterDelete(removed, fileList_->topLevelItemCount());
  fileList_->clearSelection();
  if (select >= 0) {
    fileList_->setCurrentItem(fileList_->topLevelItem(select));
    fileList_->topLevelItem(select)->setSelected(true);
  }
}

void MainWindow::SelectAllRows() {
  fileList_->clearSelection();
  fileList_->selectAll();
}

void MainWindow::NewList() {
  ResetRunRecords();
  fileList_->clear();
  folderBox_->setEditText("");
  RunState.OutputFolder.clear();
  FillFolderHistory();
  SetStatus(Lang("General", "Ready"));
  fileList_->setFocus();
}

void MainWindow::RunCommand(Command command) {
  const bool editAllowed = EditCommandAllowed();
  listHadFocus_ = false;
  switch (command) {
    case Command::New:
      NewList();
      break;
    case Command::SelectInputFiles:
      OpenAddInputChooser();
      break;
    case Command::AddFiles:
      SelectInputFiles();
      break;
    case Command::AddFolder:
      SelectInputFolder();
      break;
    case Command::SelectOutputFolder:
      SelectOutputFolder();
      break;
    case Command::ImportInputFiles:
      ImportInputFiles();
      break;
    case Command::ExportInputFiles:
      ExportInputFiles();
      break;
    case Command::Exit:
      close();
      break;
    case Command::Copy:
      if (editAllowed) CopySelection();
      break;
    case Command::Delete:
      if (editAllowed) DeleteSelection();
      break;
    case Command::SelectAll:
      if (editAllowed) SelectAllRows();
      break;
    case Command::Convert:
      ValidateWindowRun(this);
      break;
    case Command::CustomConverter:
      OpenConverterSearch();
      break;
    case Command::Manual:
      OpenManual();
      break;
    case Command::SendFeedback:
      OpenAddress(this, QUrl(QString("mailto:%1?subject=%2")
                                 .arg(MakerSupportAddress,
                                      QUrl::toPercentEncoding(Q(WindowTitle()) + " Feedback"))));
      break;
    case Command::VisitHomepage:
      OpenAddress(this, QUrl(Q(MakerHomepage)));
      break;
    case Command::About:
      OpenAbout();
      break;
    case Command::OutputFormatOptions:
      RunState.PreferencesPanel = static_cast<byte>(PreferencesPage::Output);
      OpenPreferencesDialog();
      break;
    case Command::Preferences:
      OpenPreferencesDialog();
      break;
    case Command::CheckForNewVersion:
      RunUpdateCheck(this);
      break;
  }
}

void MainWindow::OpenAddInputChooser() {
  switch (RunAddInputChooser(this)) {
    case AddInputChoice::Files:
      SelectInputFiles();
      break;
    case AddInputChoice::Folder:
      SelectInputFolder();
      break;
    case AddInputChoice::None:
      break;
  }
  activateWindow();
  fileList_->setFocus();
}

void MainWindow::SelectInputFiles() {
  const QStringList files =
      QFileDialog::getOpenFileNames(this, Lang("Dialog", "Select Input Files"),
                                    Q(RunState.InputFile), QtNameFilters(InputDialogFilter()));
  for (const QString& file : files) {
    AddInputFile(U(file));
    ShowAddedFiles();
    ProcessPendingEvents(2);
  }
  RunState.InputFile.clear();
  Relayout();
}

void MainWindow::SelectInputFolder() {
  const std::string start =
      RunState.InputFolder.empty() ? FolderOf(RunState.InputFile) : RunState.InputFolder;
  const QString folder =
      QFileDialog::getExistingDirectory(this, Lang("Dialog", "Select Input Folder"), Q(start));
  if (folder.isEmpty() || !IsDirectory(U(folder))) return;
  ImportFolder(folder);
}

void MainWindow::ImportFolder(const QString& folder) {
  {
    std::lock_guard<std::mutex> lock(ProgressMutex);
    Progress.ResultCount = 0;
  }
  RunState.InputFolder = WithSlash(U(folder));
  ImportProgressDialog(this, ImportSource::Folder);
}

void MainWindow::SelectOutputFolder() {
  const QString field = folderBox_->currentText();
  const QString start = field.isEmpty() ? Q(RunState.OutputFolder) : Q(FolderOf(U(field)));
  const QString folder = QFileDialog::getExistingDirectory(
      this, Lang("Dialog", "Select Output Folder"), start.isEmpty() ? field : start);
  if (!folder.isEmpty() && IsDirectory(U(folder))) {
    const std::string chosen = WithSlash(U(folder));
    RecordRecentOutFolder(chosen);
    RunState.OutputFolder = chosen;
    FillFolderHistory();
  }
  Relayout();
}

namespace {

QString ListFileFilter() {
  return QtNameFilters(LanguageText("Dialog", "Text Files") + "|*.txt;*.lst|" +
                       LanguageText("Dialog", "All Files") + " (*.*)|*.*");
}

}  // namespace

void MainWindow::ImportInputFiles() {
  const QString name =
      QFileDialog::getOpenFileName(this, Lang("Dialog", "Import Input Files"),
                                   Q(FolderOf(RunState.InputFile) + "list.txt"), ListFileFilter());
  if (!name.isEmpty() && FileSize(U(name)) > 0) ImportListFile(name);
}

void MainWindow::ImportListFile(const QString& path) {
  {
    std::lock_guard<std::mutex> lock(ProgressMutex);
    Progress.ResultCount = 0;
  }
  RunState.InputFile = U(path);
  ImportProgressDialog(this, ImportSource::List);
}

void MainWindow::ExportInputFiles() {
  if (fileList_->topLevelItemCount() == 0) {
    ShowWarning(this, Lang("Msg", "Empty input files"));
    return;
  }
  QFileDialog dialog(this, Lang("Dialog", "Export Input Files"),
                     Q(FolderOf(RunState.InputFile) + "list.txt"), ListFileFilter());
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  // The overwrite question below is the program's own.
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  QString name = dialog.selectedFiles().first();
  if (QFileInfo(name).suffix().isEmpty()) name += ".txt";
  if (FileSize(U(name)) > 0 &&
      QMessageBox::warning(this, Lang("Msg", "Warning"), Lang("Msg", "Ask overwrite file"),
                           QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
    return;
  ExportListFile(name);
}

void MainWindow::ExportListFile(const QString& path) {
  {
    std::lock_guard<std::mutex> lock(ProgressMutex);
    Progress.ResultCount = 0;
  }
  RunState.InputFile = U(path);
  ExportProgressDialog(this, Rows());
}

void MainWindow::OpenPreferencesDialog() {
  if (OpenPreferences(this)) RefreshAfterPreferences();
  activateWindow();
}

void MainWindow::RefreshAfterPreferences() {
  const int refresh = RunState.InterfaceRefresh;
  RunState.InterfaceRefresh = 0;
  if (refresh == 1) {
    // A new theme: every icon set, and everything that shows one.
    ReloadIconSets(true, true, true);
    for (auto it = actionIcons_.cbegin(); it != actionIcons_.cend(); ++it)
      if (QAction* action = actions_.value(it.key())) action->setIcon(MenuIcon(it.value()));
    folderButton_->setIcon(MenuIcon("OutFolder"));
    formatButton_->setIcon(MenuIcon("OutFormat"));
    convertButton_->setIcon(QIcon(ButtonPicture("Convert")));
  } else if (refresh == 2) {
    ReloadIconSets(false, false, true);
  }
  if (refresh == 1 || refresh == 2) {
    removeToolBar(toolbar_);
    delete toolbar_;
    BuildToolbar();
  }
  // The format chosen on the Output page, and the history at its new length.
  const auto format =
      std::find(OutputExtensions.begin(), OutputExtensions.end(), Settings.DefaultOutputFormat);
  if (format != OutputExtensions.end())
    formatBox_->setCurrentIndex(
        formatBox_->findData(static_cast<int>(format - OutputExtensions.begin())));
  FillFolderHistory();
  Relayout();
}

void MainWindow::OpenConverterSearch() { RunConverterSearch(this); }
void MainWindow::OpenAbout() { RunAboutDialog(this); }

void MainWindow::OpenManual() {
  OpenAddress(this, QUrl::fromLocalFile(Q(ProgramFolder() + ProgramName() + ".html")));
}
