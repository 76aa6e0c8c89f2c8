#include "ui/PreferenceControls.h"

#include <QColorDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QSlider>
#include <limits>

#include "canvas/ColorValues.h"
#include "platform/Text.h"
#include "settings/SettingRanges.h"
#include "ui/Messages.h"

namespace {

constexpr int LabelX = 10, LabelWidth = 160;
constexpr int ControlX = 170, ControlWidth = 240;
constexpr int RowStep = 30, RowHeight = 24;

// "FF8000" -> QColor(255, 128, 0); what ParseColorRGB reads, as a QColor.
QColor ColorOf(const QString& text) {
  const std::uint32_t packed = ParseColorRGB(U(text));
  return QColor(packed & 0xFF, (packed >> 8) & 0xFF, (packed >> 16) & 0xFF);
}

}  // namespace

QIcon ColorSwatchIcon(const QString& colorText, QSize size) {
  QPixmap swatch(size);
  swatch.fill(ColorOf(colorText));
  QPainter frame(&swatch);
  frame.setPen(QColor(96, 96, 96));
  frame.drawRect(0, 0, size.width() - 1, size.height() - 1);
  return QIcon(swatch);
}

QString ColorTextOf(const QColor& color) {
  const std::uint32_t packed = static_cast<std::uint32_t>(color.red()) |
                               (static_cast<std::uint32_t>(color.green()) << 8) |
                               (static_cast<std::uint32_t>(color.blue()) << 16);
  return Q(FormatColorHex(packed));
}

NumberSlider::NumberSlider(int minimum, int maximum, QWidget* parent) : QWidget(parent) {
  slider_ = new QSlider(Qt::Horizontal, this);
  slider_->setRange(minimum, maximum);
  field_ = NumberField(this, minimum, maximum);
  field_->setFixedWidth(64);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(slider_, 1);
  layout->addWidget(field_);
  connect(slider_, &QSlider::valueChanged, field_, &QSpinBox::setValue);
  connect(field_, &QSpinBox::valueChanged, slider_, &QSlider::setValue);
}

int NumberSlider::Value() const { return field_->value(); }
void NumberSlider::SetValue(int value) { field_->setValue(value); }

ColorButton::ColorButton(QWidget* parent) : QToolButton(parent) {
  setIconSize(QSize(34, 12));
  setToolButtonStyle(Qt::ToolButtonIconOnly);
  connect(this, &QToolButton::clicked, this, [this] {
    const QColor picked = QColorDialog::getColor(ColorOf(colorText_), this);
    if (picked.isValid()) PickColor(picked);
  });
}

void ColorButton::SetColorText(const QString& text) {
  colorText_ = text;
  setIcon(ColorSwatchIcon(text, QSize(34, 12)));
  setToolTip(Q(ColorDisplayName(U(text))));
}

void ColorButton::PickColor(const QColor& color) {
  // The same colour keeps the text as it was typed (letter case included).
  if (ColorOf(colorText_) == color) return;
  SetColorText(ColorTextOf(color));
}

ColorChoice::ColorChoice(QWidget* parent) : QWidget(parent) {
  box_ = new QComboBox(this);
  box_->setIconSize(QSize(24, 12));
  auto* more = new QToolButton(this);
  more->setText("...");
  more->setFixedWidth(28);
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(4);
  layout->addWidget(box_, 1);
  layout->addWidget(more);
  connect(more, &QToolButton::clicked, this, [this] {
    const QColor picked = QColorDialog::getColor(ColorOf(Q(CurrentColor())), this);
    if (picked.isValid()) PickColor(picked);
  });
}

int ColorChoice::AddEntry(const QString& colorText) {
  box_->addItem(ColorSwatchIcon(colorText, QSize(24, 12)), Q(ColorDisplayName(U(colorText))),
                colorText);
  return box_->count() - 1;
}

void ColorChoice::Load(const std::string& palette, const std::string& current) {
  palette_ = palette;
  box_->clear();
  for (const QString& entry : Q(palette).split(',')) {
    const QString text = entry.trimmed();
    if (!text.isEmpty()) AddEntry(text);
  }
  // The stored colour is shown even when the palette lacks it, without
  // changing the palette itself.
  int index = box_->findData(Q(current));
  if (index < 0) {
    for (int i = 0; i < box_->count() && index < 0; ++i)
      if (box_->itemData(i).toString().compare(Q(current), Qt::CaseInsensitive) == 0) index = i;
  }
  if (index < 0) index = AddEntry(Q(current));
  box_->setCurrentIndex(index);
}

std::string ColorChoice::CurrentColor() const { return U(box_->currentData().toString()); }

void ColorChoice::PickColor(const QColor& color) {
  for (int i = 0; i < box_->count(); ++i) {
    if (ColorOf(box_->itemData(i).toString()) == color) {
      box_->setCurrentIndex(i);
      return;
    }
  }
  const QString text = ColorTextOf(color);
  palette_ += (palette_.empty() ? "" : ",") + U(text);
  box_->setCurrentIndex(AddEntry(text));
}

int LowestOf(const char* group, const char* key) {
  const SettingRange* range = FindSettingRange(group, key);
  return range ? static_cast<int>(range->minimum) : std::numeric_limits<int>::min();
}

int HighestOf(const char* group, const char* key) {
  const SettingRange* range = FindSettingRange(group, key);
  return range ? static_cast<int>(range->maximum) : std::numeric_limits<int>::max();
}

QSpinBox* NumberField(QWidget* parent, int minimum, int maximum) {
  auto* field = new QSpinBox(parent);
  field->setRange(minimum, maximum);
  field->setButtonSymbols(QAbstractSpinBox::NoButtons);
  field->setAccelerated(true);
  return field;
}

void PreferenceRow::SetEnabled(bool enabled) const {
  if (label) label->setEnabled(enabled);
  if (control) control->setEnabled(enabled);
}

PageGrid::PageGrid(QWidget* page, std::vector<SettingBinding>& bindings, int top)
    : page_(page), bindings_(bindings), y_(top) {}

PreferenceRow PageGrid::AddRow(const char* labelKey, QWidget* control) {
  auto* label = new QLabel(Lang("Preferences", labelKey), page_);
  label->setGeometry(LabelX, y_, LabelWidth, RowHeight);
  control->setParent(page_);
  control->setGeometry(ControlX, y_, ControlWidth, RowHeight);
  y_ += RowStep;
  page_->setMinimumHeight(y_);
  rows_.push_back({label, control});
  return rows_.back();
}

std::vector<PreferenceRow> PageGrid::RowsFrom(std::size_t first) const {
  return std::vector<PreferenceRow>(
      rows_.begin() + static_cast<std::ptrdiff_t>(std::min(first, rows_.size())), rows_.end());
}

PreferenceRow PageGrid::AddRowWithUnit(const char* labelKey, QWidget* control,
                                       const QString& unit) {
  auto* holder = new QWidget(page_);
  auto* layout = new QHBoxLayout(holder);
  layout->setContentsMargins(0, 0, 0, 0);
  control->setParent(holder);
  layout->addWidget(control, 1);
  auto* unitLabel = new QLabel(unit, holder);
  layout->addWidget(unitLabel);
  return AddRow(labelKey, holder);
}

ColorButton* PageGrid::Color(const char* labelKey, std::string SettingsRecord::*field) {
  auto* button = new ColorButton(page_);
  Bind({[button, field](const SettingsRecord& s) { button->SetColorText(Q(s.*field)); },
        [button, field](SettingsRecord& s) { s.*field = U(button->ColorText()); }});
  // The swatch keeps its size; the rest of the control width stays free.
  auto* holder = new QWidget(page_);
  auto* layout = new QHBoxLayout(holder);
  layout->setContentsMargins(0, 0, 0, 0);
  button->setParent(holder);
  layout->addWidget(button);
  layout->addStretch(1);
  AddRow(labelKey, holder);
  return button;
}

QLineEdit* PageGrid::Text(const char* labelKey, std::string SettingsRecord::*field) {
  auto* edit = new QLineEdit(page_);
  Bind({[edit, field](const SettingsRecord& s) {
          edit->setText(Q(s.*field));
          edit->setCursorPosition(0);  // a long text shows its beginning
        },
        [edit, field](SettingsRecord& s) { s.*field = U(edit->text()); }});
  AddRow(labelKey, edit);
  return edit;
}

QComboBox* KeywordBox(QWidget* parent, const std::vector<const char*>& itemKeys) {
  auto* box = new QComboBox(parent);
  for (std::size_t i = 0; i < itemKeys.size(); ++i)
    box->addItem(Lang("Preferences", itemKeys[i]), static_cast<int>(i));
  return box;
}

void SelectChoice(QComboBox* box, int value) {
  int index = box->findData(value);
  if (index < 0) {
    box->addItem(QString::number(value), value);
    index = box->count() - 1;
  }
  box->setCurrentIndex(index);
}

int ChoiceValue(const QComboBox* box) { return box->currentData().toInt(); }
