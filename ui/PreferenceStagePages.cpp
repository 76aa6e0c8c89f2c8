// The pages of the conversion stages: Transform, Adjustment, Frame, Watermark.
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFontDialog>
#include <QHBoxLayout>
#include <cmath>
#include <memory>

#include "settings/SettingRanges.h"
#include "ui/Messages.h"
#include "ui/PreferencesDialog.h"

namespace {

constexpr int IntMax = 2147483647;
constexpr int IntMin = -IntMax - 1;

const std::vector<const char*> PositionKeys = {"Top-Left",    "Top-Center",    "Top-Right",
                                               "Middle-Left", "Middle-Center", "Middle-Right",
                                               "Bottom-Left", "Bottom-Center", "Bottom-Right"};
const std::vector<const char*> SizeKeys = {"Fixed", "Proportional", "Fit", "Fill"};
const std::vector<const char*> BoundaryKeys = {"Bound Image", "Bound Frame"};

// Enables rows while on() holds, now and whenever signal of sender fires.
template <typename Sender, typename Signal>
std::function<void()> EnableWhile(Sender* sender, Signal signal, std::function<bool()> on,
                                  std::vector<PreferenceRow> rows) {
  auto follow = [on, rows] {
    for (const PreferenceRow& row : rows) row.SetEnabled(on());
  };
  QObject::connect(sender, signal, sender, follow);
  return follow;
}

// A control and a second one beside it in the 240-pixel control column.
QWidget* Pair(QWidget* first, QWidget* second, int secondWidth) {
  auto* holder = new QWidget;
  auto* layout = new QHBoxLayout(holder);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(4);
  first->setParent(holder);
  second->setParent(holder);
  layout->addWidget(first, 1);
  if (secondWidth > 0) second->setFixedWidth(secondWidth);
  layout->addWidget(second);
  return holder;
}

QToolButton* MoreButton() {
  auto* more = new QToolButton;
  more->setText("...");
  return more;
}

// "Portable Network Graphics (*.png);;..." with "All Supported Files" first
// and "All Files" last, the pictures the image watermark can load.
QString WatermarkImageFilter() {
  const QString png = "*.png", bmp = "*.bmp *.rle *.dib", jpg = "*.jpg *.jpeg *.jpe *.jif";
  return Lang("Dialog", "All Supported Files") + " (" + png + " " + bmp + " " + jpg + ");;" +
         "Portable Network Graphics (" + png + ");;" + "Windows or OS/2 Bitmap (" + bmp + ");;" +
         "JPEG File (" + jpg + ");;" + Lang("Dialog", "All Files") + " (*)";
}

}  // namespace

namespace {

// A number field with a unit drop-down beside it ("Image Width": pixels or percent).
QWidget* NumberWithUnit(PageGrid& grid, const char* key, std::int32_t SettingsRecord::*number,
                        byte SettingsRecord::*unit) {
  QSpinBox* field = NumberField(nullptr, LowestOf("Transform", key), HighestOf("Transform", key));
  QComboBox* units = KeywordBox(nullptr, {"Pixels", "Percent"});
  grid.Bind({[field, units, number, unit](const SettingsRecord& s) {
               field->setValue(s.*number);
               SelectChoice(units, s.*unit);
             },
             [field, units, number, unit](SettingsRecord& s) {
               s.*number = field->value();
               s.*unit = static_cast<byte>(ChoiceValue(units));
             }});
  return Pair(field, units, 100);
}

}  // namespace

void PreferencesDialog::BuildTransformPage() {
  PageGrid grid(AddPage(PreferencesPage::Transform, "Transform"), bindings_);
  QCheckBox* rotation = grid.Check("Image Rotation", &SettingsRecord::DoImageRotation);
  std::size_t first = grid.RowCount();
  grid.Choice("Rotation Type", {"Simple Rotation", "Advanced Rotation"},
              &SettingsRecord::ImageRotationType);
  grid.Number("Rotation Angle", &SettingsRecord::ImageRotation, IntMin, IntMax);
  grid.Color("Background Color", &SettingsRecord::ImageRotationBackColor);
  refreshers_.push_back(EnableWhile(
      rotation, &QCheckBox::toggled, [rotation] { return rotation->isChecked(); },
      grid.RowsFrom(first)));

  QCheckBox* resize = grid.Check("Image Resize", &SettingsRecord::DoImageResize);
  first = grid.RowCount();
  grid.AddRow("Image Width", NumberWithUnit(grid, "Image Width", &SettingsRecord::ImageWidth,
                                            &SettingsRecord::ImageWidthUnit));
  grid.AddRow("Image Height", NumberWithUnit(grid, "Image Height", &SettingsRecord::ImageHeight,
                                             &SettingsRecord::ImageHeightUnit));
  grid.Check("Keep Aspect Ratio", &SettingsRecord::KeepAspectRatio);
  grid.Choice("Resize Type", {"All Images", "Large Images"}, &SettingsRecord::ImageResizeType);
  grid.Choice("Resize Algorithm",
              {"Box", "Bilinear", "Bspline", "Bicubic", "Catmullrom", "Lanczos"},
              &SettingsRecord::ImageResizeAlgorithm);
  refreshers_.push_back(EnableWhile(
      resize, &QCheckBox::toggled, [resize] { return resize->isChecked(); }, grid.RowsFrom(first)));

  grid.Check("Image Flip Horizontal", &SettingsRecord::DoImageFlipHorizontal);
  grid.Check("Image Flip Vertical", &SettingsRecord::DoImageFlipVertical);
}

void PreferencesDialog::BuildAdjustmentPage() {
  PageGrid grid(AddPage(PreferencesPage::Adjustment, "Adjustment"), bindings_);
  grid.Slider("Image Brightness", &SettingsRecord::ImageBrightness,
              LowestOf("Adjustment", "Image Brightness"),
              HighestOf("Adjustment", "Image Brightness"));
  grid.Slider("Image Contrast", &SettingsRecord::ImageContrast,
              LowestOf("Adjustment", "Image Contrast"), HighestOf("Adjustment", "Image Contrast"));
  auto* gamma = new QDoubleSpinBox;
  if (const SettingRange* range = FindSettingRange("Adjustment", "Image Gamma"))
    gamma->setRange(range->minimum, range->maximum);
  gamma->setDecimals(2);
  gamma->setSingleStep(0.05);
  grid.Bind({[gamma](const SettingsRecord& s) {
               gamma->setValue(s.ImageGamma);
               gamma->setProperty("loaded", static_cast<double>(s.ImageGamma));
             },
             [gamma](SettingsRecord& s) {
               // The field shows two decimals: an untouched field keeps the stored value.
               const double loaded = gamma->property("loaded").toDouble();
               s.ImageGamma = static_cast<float>(
                   std::abs(gamma->value() - loaded) < 0.005 ? loaded : gamma->value());
             }});
  grid.AddRow("Image Gamma", gamma);
  grid.Check("Image Invert", &SettingsRecord::ImageInvert);
  grid.Check("Image Greyscale", &SettingsRecord::DoImageGreyscale);
  QCheckBox* threshold = grid.Check("Image Threshold", &SettingsRecord::DoImageThreshold);
  const std::size_t first = grid.RowCount();
  grid.Slider("Threshold Level", &SettingsRecord::ImageThreshold,
              LowestOf("Adjustment", "Image Threshold"),
              HighestOf("Adjustment", "Image Threshold"));
  refreshers_.push_back(EnableWhile(
      threshold, &QCheckBox::toggled, [threshold] { return threshold->isChecked(); },
      grid.RowsFrom(first)));
}

void PreferencesDialog::BuildFramePage() {
  PageGrid grid(AddPage(PreferencesPage::Frame, "Frame"), bindings_);
  QComboBox* type = grid.Choice("Frame Type", {"None", "Frame Solid"}, &SettingsRecord::DoFrame);
  const std::size_t first = grid.RowCount();
  grid.Number("Left", &SettingsRecord::SolidLeft, LowestOf("Frame", "Solid Left"),
              HighestOf("Frame", "Solid Left"));
  grid.Number("Right", &SettingsRecord::SolidRight, LowestOf("Frame", "Solid Right"),
              HighestOf("Frame", "Solid Right"));
  grid.Number("Top", &SettingsRecord::SolidTop, LowestOf("Frame", "Solid Top"),
              HighestOf("Frame", "Solid Top"));
  grid.Number("Bottom", &SettingsRecord::SolidBottom, LowestOf("Frame", "Solid Bottom"),
              HighestOf("Frame", "Solid Bottom"));
  grid.Color("Left Color", &SettingsRecord::SolidLeftColor);
  grid.Color("Right Color", &SettingsRecord::SolidRightColor);
  grid.Color("Top Color", &SettingsRecord::SolidTopColor);
  grid.Color("Bottom Color", &SettingsRecord::SolidBottomColor);
  grid.Slider("Opacity", &SettingsRecord::SolidOpacity, LowestOf("Frame", "Solid Opacity"),
              HighestOf("Frame", "Solid Opacity"));
  refreshers_.push_back(EnableWhile(
      type, &QComboBox::currentIndexChanged, [type] { return ChoiceValue(type) == 1; },
      grid.RowsFrom(first)));
}

void PreferencesDialog::BuildWatermarkPage() {
  PageGrid grid(AddPage(PreferencesPage::Watermark, "Watermark"), bindings_);
  QComboBox* type = grid.Choice("Watermark Type", {"None", "Watermark Text", "Watermark Image"},
                                &SettingsRecord::DoWatermark);

  std::size_t first = grid.RowCount();
  grid.Text("Text", &SettingsRecord::Text);
  // Font: the faces of Fonts, and the font chooser for any face the system
  // has; a face picked there joins the list.
  auto* fonts = new QComboBox;
  QToolButton* pickFont = MoreButton();
  auto fontsText = std::make_shared<std::string>();
  grid.Bind({[fonts, fontsText](const SettingsRecord& s) {
               *fontsText = s.Fonts;
               fonts->clear();
               for (const QString& face : Q(s.Fonts).split(',', Qt::SkipEmptyParts))
                 if (!face.trimmed().isEmpty()) fonts->addItem(face.trimmed());
               int index = fonts->findText(Q(s.Font));
               if (index < 0) {
                 fonts->addItem(Q(s.Font));
                 index = fonts->count() - 1;
               }
               fonts->setCurrentIndex(index);
             },
             [fonts, fontsText](SettingsRecord& s) {
               s.Font = U(fonts->currentText());
               s.Fonts = *fontsText;
             }});
  grid.AddRow("Font", Pair(fonts, pickFont, 28));
  QSpinBox* fontSize =
      NumberField(nullptr, LowestOf("Watermark", "Font Size"), HighestOf("Watermark", "Font Size"));
  grid.Bind({[fontSize](const SettingsRecord& s) { fontSize->setValue(s.FontSize); },
             [fontSize](SettingsRecord& s) { s.FontSize = fontSize->value(); }});
  grid.AddRowWithUnit("Font Size", fontSize, Lang("Preferences", "Points"));
  connect(pickFont, &QToolButton::clicked, this, [this, fonts, fontSize, fontsText] {
    bool chosen = false;
    QFont preset(fonts->currentText());
    if (fontSize->value() > 0) preset.setPointSize(fontSize->value());
    const QFont font = QFontDialog::getFont(&chosen, preset, this);
    if (!chosen) return;
    int index = fonts->findText(font.family());
    if (index < 0) {
      fonts->addItem(font.family());
      index = fonts->count() - 1;
      *fontsText += (fontsText->empty() ? "" : ",") + U(font.family());
    }
    fonts->setCurrentIndex(index);
    if (font.pointSize() > 0) fontSize->setValue(font.pointSize());
  });
  grid.Number("Font Leading", &SettingsRecord::FontLeading, IntMin, IntMax);
  auto* fontColor = new ColorChoice(nullptr);
  grid.Bind({[fontColor](const SettingsRecord& s) { fontColor->Load(s.FontColors, s.FontColor); },
             [fontColor](SettingsRecord& s) {
               s.FontColor = fontColor->CurrentColor();
               s.FontColors = fontColor->PaletteText();
             }});
  grid.AddRow("Font Color", fontColor);
  grid.Choice("Font Style", {"Regular", "Bold", "Italic", "Bold Italic"},
              &SettingsRecord::FontStyle);
  grid.Choice("Font Effect", {"None", "Underline", "Strikeout"}, &SettingsRecord::FontEffect);
  grid.Check("Antialiasing", &SettingsRecord::TextAntialiasing);
  grid.Choice("Text Alignment", {"Align Left", "Align Center", "Align Right"},
              &SettingsRecord::TextAlignment);
  grid.Number("Text Padding", &SettingsRecord::TextPadding, LowestOf("Watermark", "Text Padding"),
              HighestOf("Watermark", "Text Padding"));
  grid.Slider("Text Opacity", &SettingsRecord::TextOpacity, LowestOf("Watermark", "Text Opacity"),
              HighestOf("Watermark", "Text Opacity"));
  auto* backColor = new ColorChoice(nullptr);
  grid.Bind({[backColor](const SettingsRecord& s) { backColor->Load(s.BackColors, s.BackColor); },
             [backColor](SettingsRecord& s) {
               s.BackColor = backColor->CurrentColor();
               s.BackColors = backColor->PaletteText();
             }});
  grid.AddRow("Background Color", backColor);
  grid.Slider("Background Opacity", &SettingsRecord::BackOpacity,
              LowestOf("Watermark", "Back Opacity"), HighestOf("Watermark", "Back Opacity"));
  grid.Choice("Boundary", BoundaryKeys, &SettingsRecord::TextBoundary);
  grid.Choice("Position", PositionKeys, &SettingsRecord::TextPosition);
  grid.Number("X-Offset", &SettingsRecord::TextXOffset, IntMin, IntMax);
  grid.Number("Y-Offset", &SettingsRecord::TextYOffset, IntMin, IntMax);
  grid.Number("Rotation Angle", &SettingsRecord::TextRotation, IntMin, IntMax);
  grid.Choice("Size", SizeKeys, &SettingsRecord::TextSize);
  grid.Number("Scale", &SettingsRecord::TextScale, IntMin, IntMax);
  const std::vector<PreferenceRow> textRows = grid.RowsFrom(first);

  first = grid.RowCount();
  auto* image = new QLineEdit;
  QToolButton* pickImage = MoreButton();
  grid.Bind({[image](const SettingsRecord& s) { image->setText(Q(s.Image)); },
             [image](SettingsRecord& s) { s.Image = U(image->text()); }});
  grid.AddRow("Image", Pair(image, pickImage, 28));
  connect(pickImage, &QToolButton::clicked, this, [this, image] {
    const QString chosen = QFileDialog::getOpenFileName(
        this, Lang("Dialog", "Select Watermark Image"), image->text(), WatermarkImageFilter());
    if (!chosen.isEmpty()) image->setText(chosen);
  });
  grid.Check("Image Greyscale", &SettingsRecord::ImageGreyscale);
  grid.Slider("Opacity", &SettingsRecord::ImageOpacity, LowestOf("Watermark", "Image Opacity"),
              HighestOf("Watermark", "Image Opacity"));
  grid.Choice("Boundary", BoundaryKeys, &SettingsRecord::ImageBoundary);
  grid.Choice("Position", PositionKeys, &SettingsRecord::ImagePosition);
  grid.Number("X-Offset", &SettingsRecord::ImageXOffset, IntMin, IntMax);
  grid.Number("Y-Offset", &SettingsRecord::ImageYOffset, IntMin, IntMax);
  grid.Number("Rotation Angle", &SettingsRecord::WatermarkImageRotation, IntMin, IntMax);
  grid.Choice("Size", SizeKeys, &SettingsRecord::ImageSize);
  grid.Number("Scale", &SettingsRecord::ImageScale, IntMin, IntMax);
  const std::vector<PreferenceRow> imageRows = grid.RowsFrom(first);

  refreshers_.push_back(EnableWhile(
      type, &QComboBox::currentIndexChanged, [type] { return ChoiceValue(type) == 1; }, textRows));
  refreshers_.push_back(EnableWhile(
      type, &QComboBox::currentIndexChanged, [type] { return ChoiceValue(type) == 2; }, imageRows));
}
