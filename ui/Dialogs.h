// The small dialogs of the main window: the add-input chooser, the converter
// search, About, and the uninstall window.
#pragma once

class QWidget;

enum class AddInputChoice { None, Files, Folder };

// Two large picture buttons, "add files" and "add a folder"; Esc closes it.
AddInputChoice RunAddInputChooser(QWidget* parent);
// Two extension fields; Search opens the maker's converter search.
void RunConverterSearch(QWidget* parent);
void RunAboutDialog(QWidget* parent);
// The uninstall window of "-U"; returns once it is closed.
void RunUninstallDialog();
