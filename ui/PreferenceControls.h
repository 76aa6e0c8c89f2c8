// The control kinds of the preferences dialog: a slider paired with a number
// field, colour buttons and colour drop-downs, and the grid that places rows
// and binds each control to its Settings field.
#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QIcon>
#include <QLineEdit>
#include <QSpinBox>
#include <QString>
#include <QStringList>
#include <QToolButton>
#include <QWidget>
#include <functional>
#include <string>
#include <vector>

#include "settings/Settings.h"

class QLabel;
class QSlider;

// A square-ish swatch of a colour text ("FF8000"), as drop-downs and colour
// buttons show it.
QIcon ColorSwatchIcon(const QString& colorText, QSize size);
// The colour text of a picked colour ("FF8000").
QString ColorTextOf(const QColor& color);

// A slider and a number field that follow each other.
class NumberSlider : public QWidget {
  Q_OBJECT

 public:
  NumberSlider(int minimum, int maximum, QWidget* parent);
  int Value() const;
  void SetValue(int value);
  QSlider* Slider() const { return slider_; }
  QSpinBox* Field() const { return field_; }

 private:
  QSlider* slider_;
  QSpinBox* field_;
};

// A button showing a 34 x 12 swatch; clicking opens the colour chooser.
class ColorButton : public QToolButton {
  Q_OBJECT

 public:
  explicit ColorButton(QWidget* parent);
  QString ColorText() const { return colorText_; }
  void SetColorText(const QString& text);
  // What a confirmed choice in the colour chooser does.
  void PickColor(const QColor& color);

 private:
  QString colorText_;
};

// A drop-down of a colour palette (swatches named by ColorDisplayName) and a
// "..." button for the colour chooser. The palette text ("000000,FFFFFF,...")
// is kept as given and only grows by the colours picked here.
class ColorChoice : public QWidget {
  Q_OBJECT

 public:
  explicit ColorChoice(QWidget* parent);
  void Load(const std::string& palette, const std::string& current);
  std::string CurrentColor() const;
  std::string PaletteText() const { return palette_; }
  // A picked colour: selected when listed, otherwise added at the end.
  void PickColor(const QColor& color);
  QComboBox* Box() const { return box_; }

 private:
  int AddEntry(const QString& colorText);
  QComboBox* box_;
  std::string palette_;
};

// The limits SettingRanges gives a configuration key, for the slider or
// number field of that setting (the configuration reader holds config.ini to
// the same); the whole int range for a key without limits.
int LowestOf(const char* group, const char* key);
int HighestOf(const char* group, const char* key);

// A number field with the range of an int32 setting, digits (and a sign) only.
QSpinBox* NumberField(QWidget* parent, int minimum = -2147483647 - 1, int maximum = 2147483647);

// A label and its control on a preferences page, for enabling them together.
struct PreferenceRow {
  QLabel* label = nullptr;
  QWidget* control = nullptr;
  void SetEnabled(bool enabled) const;
};

// One control's way into and out of the settings record.
struct SettingBinding {
  std::function<void(const SettingsRecord&)> load;
  std::function<void(SettingsRecord&)> store;
};

// Places rows on a page: label at x 10 (160 wide), control at x 170 (240
// wide), rows 30 pixels apart from y top.
class PageGrid {
 public:
  PageGrid(QWidget* page, std::vector<SettingBinding>& bindings, int top = 10);

  QWidget* Page() const { return page_; }
  int NextY() const { return y_; }
  PreferenceRow AddRow(const char* labelKey, QWidget* control);
  // A control with a unit text after it (e.g. "bytes").
  PreferenceRow AddRowWithUnit(const char* labelKey, QWidget* control, const QString& unit);

  // Drop-down of the given texts (keys of group "Preferences"); its index is
  // the stored value. A stored value outside the list gets an entry of its
  // own, so it survives OK unchanged.
  template <typename T>
  QComboBox* Choice(const char* labelKey, const std::vector<const char*>& itemKeys,
                    T SettingsRecord::*field);
  template <typename T>
  QComboBox* ChoiceBox(const std::vector<const char*>& itemKeys, T SettingsRecord::*field);
  template <typename T>
  QCheckBox* Check(const char* labelKey, T SettingsRecord::*field);
  template <typename T>
  QSpinBox* Number(const char* labelKey, T SettingsRecord::*field, int minimum, int maximum);
  template <typename T>
  NumberSlider* Slider(const char* labelKey, T SettingsRecord::*field, int minimum, int maximum);
  ColorButton* Color(const char* labelKey, std::string SettingsRecord::*field);
  QLineEdit* Text(const char* labelKey, std::string SettingsRecord::*field);

  void Bind(SettingBinding binding) { bindings_.push_back(std::move(binding)); }

  // Rows added so far, and those added from index first on.
  std::size_t RowCount() const { return rows_.size(); }
  std::vector<PreferenceRow> RowsFrom(std::size_t first) const;

 private:
  std::vector<PreferenceRow> rows_;
  QWidget* page_;
  std::vector<SettingBinding>& bindings_;
  int y_;
};

// Index of a stored keyword value in a drop-down (see PageGrid::Choice).
void SelectChoice(QComboBox* box, int value);
int ChoiceValue(const QComboBox* box);
// A drop-down of texts of group "Preferences", each entry's data its index.
QComboBox* KeywordBox(QWidget* parent, const std::vector<const char*>& itemKeys);

template <typename T>
QComboBox* PageGrid::ChoiceBox(const std::vector<const char*>& itemKeys, T SettingsRecord::*field) {
  QComboBox* box = KeywordBox(page_, itemKeys);
  Bind({[box, field](const SettingsRecord& s) { SelectChoice(box, static_cast<int>(s.*field)); },
        [box, field](SettingsRecord& s) { s.*field = static_cast<T>(ChoiceValue(box)); }});
  return box;
}

template <typename T>
QComboBox* PageGrid::Choice(const char* labelKey, const std::vector<const char*>& itemKeys,
                            T SettingsRecord::*field) {
  QComboBox* box = ChoiceBox(itemKeys, field);
  AddRow(labelKey, box);
  return box;
}

template <typename T>
QCheckBox* PageGrid::Check(const char* labelKey, T SettingsRecord::*field) {
  auto* box = new QCheckBox(page_);
  // Any non-zero value counts as on; an unchanged box gives its value back.
  Bind({[box, field](const SettingsRecord& s) {
          box->setChecked(s.*field != 0);
          box->setProperty("loaded", static_cast<int>(s.*field));
        },
        [box, field](SettingsRecord& s) {
          const int loaded = box->property("loaded").toInt();
          s.*field = static_cast<T>(box->isChecked() ? (loaded != 0 ? loaded : 1) : 0);
        }});
  AddRow(labelKey, box);
  return box;
}

template <typename T>
QSpinBox* PageGrid::Number(const char* labelKey, T SettingsRecord::*field, int minimum,
                           int maximum) {
  QSpinBox* number = NumberField(page_, minimum, maximum);
  Bind({[number, field](const SettingsRecord& s) { number->setValue(static_cast<int>(s.*field)); },
        [number, field](SettingsRecord& s) { s.*field = static_cast<T>(number->value()); }});
  AddRow(labelKey, number);
  return number;
}

template <typename T>
NumberSlider* PageGrid::Slider(const char* labelKey, T SettingsRecord::*field, int minimum,
                               int maximum) {
  auto* slider = new NumberSlider(minimum, maximum, page_);
  Bind({[slider, field](const SettingsRecord& s) { slider->SetValue(static_cast<int>(s.*field)); },
        [slider, field](SettingsRecord& s) { s.*field = static_cast<T>(slider->Value()); }});
  AddRow(labelKey, slider);
  return slider;
}
