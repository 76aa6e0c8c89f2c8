// The preferences dialog: nine pages over every Settings field the window
// exposes. Its controls are the only copy of the edited values until OK.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "settings/Settings.h"
#include "ui/PreferenceControls.h"

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QStackedWidget;

// Pages in list order; the value is what RunState.PreferencesPanel holds.
enum class PreferencesPage {
  General = 0,
  Interface,
  Input,
  Output,
  Transform,
  Adjustment,
  Frame,
  Watermark,
  Advanced,
};
constexpr int PreferencesPageCount = 9;

class PreferencesDialog : public QDialog {
  Q_OBJECT

 public:
  // Builds every page, fills the controls from Settings and shows the page
  // RunState.PreferencesPanel names, which then goes back to General.
  explicit PreferencesDialog(QWidget* parent);

  void ShowPage(PreferencesPage page);
  PreferencesPage CurrentPage() const;
  QString PageTitle() const;
  QWidget* PageWidget(PreferencesPage page) const;
  QComboBox* OutputFormatBox() const { return outputFormat_; }
  QComboBox* InputFormatBox() const { return inputFormat_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* DefaultsButton() const { return defaults_; }
  QPushButton* CancelButton() const { return cancel_; }

  // Every control's value written into settings; fields without a control
  // keep what they hold.
  void ReadControls(SettingsRecord& settings) const;

  // OK: the controls into Settings, the refresh flags, the configuration file.
  void Confirm();
  // Defaults: after the question, the window defaults into Settings and the file.
  void AskResetToDefaults();

 private:
  void BuildFrame();
  QWidget* AddPage(PreferencesPage page, const char* titleKey);
  void BuildGeneralPage();
  void BuildInterfacePage();
  void BuildInputPage();
  void BuildOutputPage();
  void BuildTransformPage();
  void BuildAdjustmentPage();
  void BuildFramePage();
  void BuildWatermarkPage();
  void BuildAdvancedPage();
  void LoadControls();
  void FinishWith(const SettingsRecord& before);

  std::vector<SettingBinding> bindings_;
  // Run after loading, so dependent rows follow their loaded switch.
  std::vector<std::function<void()>> refreshers_;
  QListWidget* pageList_ = nullptr;
  QLabel* header_ = nullptr;
  QStackedWidget* pages_ = nullptr;
  std::vector<QWidget*> pageContents_;
  QComboBox* inputFormat_ = nullptr;
  QComboBox* outputFormat_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* defaults_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

// Opens the dialog modally over parent on the page RunState.PreferencesPanel
// names. True when Settings changed (OK or Defaults): RunState.InterfaceRefresh
// then says what the main window must rebuild.
bool OpenPreferences(QWidget* parent);
