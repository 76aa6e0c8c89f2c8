#include "ui/PreferencesDialog.h"

#include <QDateTimeEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>

#include "codecs/FormatTables.h"
#include "codecs/OutputFormats.h"
#include "platform/Text.h"
#include "settings/ConfigFile.h"
#include "themes/Themes.h"
#include "ui/IconSets.h"
#include "ui/Messages.h"

namespace {

constexpr int DialogWidth = 600, DialogHeight = 350;
constexpr int PageWidth = 450, PageHeight = 255;

const char* const PageTitleKeys[PreferencesPageCount] = {"General", "Interface", "Input",
                                                         "Output",  "Transform", "Adjustment",
                                                         "Frame",   "Watermark", "Advanced"};

// Selects the entry whose data is value, adding one showing value itself
// when none has it (an unknown theme or language survives OK unchanged).
void SelectData(QComboBox* box, const QString& value) {
  int index = box->findData(value);
  if (index < 0) {
    box->addItem(value, value);
    index = box->count() - 1;
  }
  box->setCurrentIndex(index);
}

// Per-format rows of the Output page, in the order of the configuration file's keys.
struct OutputRows {
  const char* extension;
  std::int32_t SettingsRecord::*bpp;
  std::int32_t SettingsRecord::*compression;
  std::vector<const char*> compressionKeys;
};

const std::vector<OutputRows>& OutputRowTable() {
  static const std::vector<OutputRows> table = {
      {"bmp", &SettingsRecord::BMPBPP, &SettingsRecord::BMPCompression, {"None", "RLE"}},
      {"dds", &SettingsRecord::DDSBPP, nullptr, {}},
      {"exr",
       &SettingsRecord::EXRBPP,
       &SettingsRecord::EXRCompression,
       {"None", "ZIP", "PIZ", "PXR24", "B44"}},
      {"gif", &SettingsRecord::GIFBPP, nullptr, {}},
      {"hdr", &SettingsRecord::HDRBPP, nullptr, {}},
      {"ico", &SettingsRecord::ICOBPP, nullptr, {}},
      {"j2k", &SettingsRecord::J2KBPP, nullptr, {}},
      {"jng", &SettingsRecord::JNGBPP, nullptr, {}},
      {"jp2", &SettingsRecord::JP2BPP, nullptr, {}},
      {"jpg", &SettingsRecord::JPGBPP, nullptr, {}},
      {"jxr", &SettingsRecord::JXRBPP, nullptr, {}},
      {"pbm", &SettingsRecord::PBMBPP, nullptr, {}},
      {"pcx", &SettingsRecord::PCXBPP, nullptr, {}},
      {"pfm", &SettingsRecord::PFMBPP, nullptr, {}},
      {"pgm", &SettingsRecord::PGMBPP, nullptr, {}},
      {"png",
       &SettingsRecord::PNGBPP,
       &SettingsRecord::PNGCompression,
       {"None", "ZLIB1", "ZLIB6", "ZLIB9"}},
      {"ppm", &SettingsRecord::PPMBPP, nullptr, {}},
      {"psd", &SettingsRecord::PSDBPP, nullptr, {}},
      {"tga", &SettingsRecord::TGABPP, &SettingsRecord::TGACompression, {"None", "RLE"}},
      {"tiff",
       &SettingsRecord::TIFFBPP,
       &SettingsRecord::TIFFCompression,
       {"None", "CCITTFAX3", "CCITTFAX4", "PACKBITS", "DEFLATE", "ADOBEDEFLATE", "LZW", "JPEG",
        "LOGLUV"}},
      {"wbmp", &SettingsRecord::WBMPBPP, nullptr, {}},
      {"webp", &SettingsRecord::WEBPBPP, nullptr, {}},
      {"xpm", &SettingsRecord::XPMBPP, nullptr, {}},
  };
  return table;
}

// "Auto" and the depths the format's row allows.
QComboBox* DepthBox(QWidget* parent, const std::string& extension) {
  auto* box = new QComboBox(parent);
  box->addItem(Lang("Preferences", "Auto"), 0);
  if (const OutputFormat* format = FindOutputFormat(extension))
    for (int depth : format->AllowedDepths) box->addItem(QString::number(depth), depth);
  return box;
}

// Shows the pane of the chosen format and hides the others; returns that
// step for the first showing.
std::function<void()> FollowFormat(QComboBox* format,
                                   const std::vector<std::pair<QString, QWidget*>>& panes) {
  auto show = [format, panes] {
    const QString chosen = format->currentData().toString();
    for (const auto& [name, pane] : panes) pane->setVisible(name == chosen);
  };
  QObject::connect(format, &QComboBox::currentIndexChanged, format, show);
  return show;
}

// A pane below a format choice: its own grid starting at y 0.
QWidget* FormatPane(QWidget* page, int top) {
  auto* pane = new QWidget(page);
  pane->move(0, top);
  pane->resize(PageWidth - 20, 10);
  return pane;
}

void FitPane(QWidget* page, QWidget* pane, int top) {
  pane->resize(PageWidth - 20, pane->minimumHeight());
  page->setMinimumHeight(std::max(page->minimumHeight(), top + pane->minimumHeight()));
}

}  // namespace

PreferencesDialog::PreferencesDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(Lang("Preferences", "Title"));
  setFixedSize(DialogWidth, DialogHeight);
  setModal(true);
  BuildFrame();
  BuildGeneralPage();
  BuildInterfacePage();
  BuildInputPage();
  BuildOutputPage();
  BuildTransformPage();
  BuildAdjustmentPage();
  BuildFramePage();
  BuildWatermarkPage();
  BuildAdvancedPage();
  for (QWidget* content : pageContents_) content->resize(PageWidth - 20, content->minimumHeight());
  LoadControls();
  const int panel =
      RunState.PreferencesPanel < PreferencesPageCount ? RunState.PreferencesPanel : 0;
  RunState.PreferencesPanel = 0;
  ShowPage(static_cast<PreferencesPage>(panel));
}

void PreferencesDialog::BuildFrame() {
  pageList_ = new QListWidget(this);
  pageList_->setGeometry(10, 10, 120, 295);
  pageList_->setSpacing(2);
  header_ = new QLabel(this);
  header_->setGeometry(140, 10, PageWidth, 30);
  header_->setAutoFillBackground(true);
  QPalette white = header_->palette();
  white.setColor(QPalette::Window, Qt::white);
  white.setColor(QPalette::WindowText, Qt::black);
  header_->setPalette(white);
  header_->setContentsMargins(8, 0, 8, 0);
  QFont bold = header_->font();
  bold.setBold(true);
  header_->setFont(bold);
  header_->setFrameShape(QFrame::StyledPanel);
  pages_ = new QStackedWidget(this);
  pages_->setGeometry(140, 50, PageWidth, PageHeight);
  connect(pageList_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row < 0) return;
    pages_->setCurrentIndex(row);
    header_->setText(pageList_->item(row)->text());
  });

  defaults_ = new QPushButton(Lang("Dialog", "Defaults"), this);
  ok_ = new QPushButton(Lang("Dialog", "OK"), this);
  cancel_ = new QPushButton(Lang("Dialog", "Cancel"), this);
  defaults_->setGeometry(10, 315, 100, 27);
  ok_->setGeometry(DialogWidth - 220, 315, 100, 27);
  cancel_->setGeometry(DialogWidth - 110, 315, 100, 27);
  ok_->setDefault(true);
  connect(ok_, &QPushButton::clicked, this, &PreferencesDialog::Confirm);
  connect(defaults_, &QPushButton::clicked, this, &PreferencesDialog::AskResetToDefaults);
  // Cancel, Esc and the close box all reject: Settings stay as they were.
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
}

QWidget* PreferencesDialog::AddPage(PreferencesPage page, const char* titleKey) {
  (void)page;
  // Lists of page names end with ":" in no case, the labels of rows do.
  pageList_->addItem(Lang("Preferences", titleKey));
  auto* scroll = new QScrollArea;
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  auto* content = new QWidget;
  content->setMinimumSize(PageWidth - 20, 10);
  scroll->setWidget(content);
  scroll->setWidgetResizable(false);
  pages_->addWidget(scroll);
  pageContents_.push_back(content);
  return content;
}

void PreferencesDialog::ShowPage(PreferencesPage page) {
  pageList_->setCurrentRow(static_cast<int>(page));
}

PreferencesPage PreferencesDialog::CurrentPage() const {
  return static_cast<PreferencesPage>(pageList_->currentRow());
}

QString PreferencesDialog::PageTitle() const { return header_->text(); }

QWidget* PreferencesDialog::PageWidget(PreferencesPage page) const {
  return pages_->widget(static_cast<int>(page));
}

void PreferencesDialog::BuildGeneralPage() {
  PageGrid grid(AddPage(PreferencesPage::General, PageTitleKeys[0]), bindings_);
  auto* language = new QComboBox;
  language->addItem("English", "en");
  grid.Bind(
      {[language](const SettingsRecord& s) { SelectData(language, Q(s.Language)); },
       [language](SettingsRecord& s) { s.Language = U(language->currentData().toString()); }});
  grid.AddRow("Language", language);
  grid.Choice(
      "Check for Updates",
      {"Every day", "Every week", "Every month", "Every 3 months", "Every 6 months", "Never"},
      &SettingsRecord::UpdateRange);
  grid.Check("Save window position", &SettingsRecord::SaveWindowPosition);
  // How many files convert at once; 0 lets the program choose by the cores.
  QSpinBox* threads =
      grid.Number("Threads", &SettingsRecord::Threads, LowestOf("Conversion", "Threads"),
                  HighestOf("Conversion", "Threads"));
  threads->setSpecialValueText(Lang("Preferences", "Auto"));
  threads->setButtonSymbols(QAbstractSpinBox::UpDownArrows);
}

void PreferencesDialog::BuildInterfacePage() {
  PageGrid grid(AddPage(PreferencesPage::Interface, PageTitleKeys[1]), bindings_);
  auto* theme = new QComboBox;
  for (const auto& [key, name] : ThemeList) theme->addItem(Q(name), Q(key));
  grid.Bind({[theme](const SettingsRecord& s) { SelectData(theme, Q(s.UITheme)); },
             [theme](SettingsRecord& s) { s.UITheme = U(theme->currentData().toString()); }});
  grid.AddRow("UI Theme", theme);
  grid.Choice("UI Size", {"Small", "Medium", "Large", "Extra Large", "Huge"},
              &SettingsRecord::UISize);
}

void PreferencesDialog::BuildInputPage() {
  QWidget* page = AddPage(PreferencesPage::Input, PageTitleKeys[2]);
  PageGrid grid(page, bindings_);
  inputFormat_ = new QComboBox;
  for (const std::string& group : InputGroups) {
    std::string description;
    for (const auto& [extension, record] : InputFormatTable)
      if (record.Group == group && extension == group) description = record.Description;
    inputFormat_->addItem(Q(UpperCase(group) + (description.empty() ? "" : " - " + description)),
                          Q(group));
  }
  grid.Bind({[this](const SettingsRecord& s) { SelectData(inputFormat_, Q(s.DefaultInputFormat)); },
             [this](SettingsRecord& s) {
               s.DefaultInputFormat = U(inputFormat_->currentData().toString());
             }});
  grid.AddRow("Input Format", inputFormat_);

  // Only formats of the input-format list have a pane, as only their keys are
  // stored; the rows of each readable format are listed here.
  const int top = grid.NextY();
  std::vector<std::pair<QString, QWidget*>> panes;
  const std::vector<const char*> frames = {"All Frames", "First Frame", "Middle Frame",
                                           "Last Frame", "Random Frame"};
  for (int i = 0; i < inputFormat_->count(); ++i) {
    const std::string format = U(inputFormat_->itemData(i).toString());
    QWidget* pane = FormatPane(page, top);
    PageGrid rows(pane, bindings_, 0);
    if (format == "dds")
      rows.Choice("Load As", {"Auto", "BGRA", "RGBA"}, &SettingsRecord::DDSLoadAs);
    if (format == "gif") rows.Choice("Frame Loading", frames, &SettingsRecord::GIFFrameLoading);
    if (format == "ico") rows.Choice("Frame Loading", frames, &SettingsRecord::ICOFrameLoading);
    if (format == "tiff") rows.Choice("Frame Loading", frames, &SettingsRecord::TIFFFrameLoading);
    if (format == "raw") {
      rows.Choice("Load As", {"Auto", "RGB8", "RGB16", "RGB24", "RGB48HS", "RGB48"},
                  &SettingsRecord::RAWLoadAs);
      QSpinBox* header = NumberField(pane, LowestOf("Input", "RAW Header Size"),
                                     HighestOf("Input", "RAW Header Size"));
      rows.Bind({[header](const SettingsRecord& s) { header->setValue(s.RAWHeaderSize); },
                 [header](SettingsRecord& s) { s.RAWHeaderSize = header->value(); }});
      rows.AddRowWithUnit("Header Size", header, Lang("Preferences", "Bytes"));
      rows.Number("Image Width", &SettingsRecord::RAWImageWidth,
                  LowestOf("Input", "RAW Image Width"), HighestOf("Input", "RAW Image Width"));
      rows.Number("Image Height", &SettingsRecord::RAWImageHeight,
                  LowestOf("Input", "RAW Image Height"), HighestOf("Input", "RAW Image Height"));
      rows.Choice("Tone Mapping",
                  {"None", "Linear", "Adaptive Logarithmic", "DR Reduction", "Gradient Domain"},
                  &SettingsRecord::RAWToneMapping);
    }
    FitPane(page, pane, top);
    panes.emplace_back(Q(format), pane);
  }
  refreshers_.push_back(FollowFormat(inputFormat_, panes));
}

void PreferencesDialog::BuildOutputPage() {
  QWidget* page = AddPage(PreferencesPage::Output, PageTitleKeys[3]);
  PageGrid grid(page, bindings_);
  outputFormat_ = new QComboBox;
  outputFormat_->setIconSize(QSize(16, 16));
  for (const std::string& extension : OutputExtensions) {
    const OutputFormat* row = FindOutputFormat(extension);
    const std::string description = row ? row->Description : "";
    outputFormat_->addItem(FormatIcon(Q(extension)), Q(UpperCase(extension) + " - " + description),
                           Q(extension));
  }
  grid.Bind(
      {[this](const SettingsRecord& s) { SelectData(outputFormat_, Q(s.DefaultOutputFormat)); },
       [this](SettingsRecord& s) {
         s.DefaultOutputFormat = U(outputFormat_->currentData().toString());
       }});
  grid.AddRow("Output Format", outputFormat_);

  const int top = grid.NextY();
  std::vector<std::pair<QString, QWidget*>> panes;
  for (const OutputRows& format : OutputRowTable()) {
    QWidget* pane = FormatPane(page, top);
    PageGrid rows(pane, bindings_, 0);
    QComboBox* depth = DepthBox(pane, format.extension);
    const auto bpp = format.bpp;
    rows.Bind({[depth, bpp](const SettingsRecord& s) { SelectChoice(depth, s.*bpp); },
               [depth, bpp](SettingsRecord& s) { s.*bpp = ChoiceValue(depth); }});
    rows.AddRow("Bits Per Pixel", depth);
    if (format.compression) rows.Choice("Compression", format.compressionKeys, format.compression);
    const std::string extension = format.extension;
    if (extension == "bmp")
      rows.Choice("Color Table", {"Auto", "Exact"}, &SettingsRecord::BMPColorTable);
    if (extension == "jpg") {
      rows.Slider("Image Quality", &SettingsRecord::JPGQuality, LowestOf("Output", "JPG Quality"),
                  HighestOf("Output", "JPG Quality"));
      rows.Choice("Chroma Subsampling", {"None", "Low", "Medium", "High"},
                  &SettingsRecord::JPGChroma);
      rows.Choice("Save As",
                  {"Baseline Standard", "Baseline Simple", "Baseline Optimized", "Progressive"},
                  &SettingsRecord::JPGSaveAs);
    }
    if (extension == "png") rows.Check("Interlaced", &SettingsRecord::PNGInterlaced);
    if (extension == "tiff")
      rows.Choice("Color Model", {"RGB", "CMYK", "LAB"}, &SettingsRecord::TIFFColorModel);
    FitPane(page, pane, top);
    panes.emplace_back(Q(extension), pane);
  }
  refreshers_.push_back(FollowFormat(outputFormat_, panes));
}

void PreferencesDialog::BuildAdvancedPage() {
  PageGrid grid(AddPage(PreferencesPage::Advanced, PageTitleKeys[8]), bindings_);
  grid.Text("Filename Mask", &SettingsRecord::FilenameMask);
  QComboBox* timestamp = grid.Choice("File Timestamp", {"Current", "Original", "Custom"},
                                     &SettingsRecord::FileTimestamp);
  // Date values count local wall-clock seconds, so they are shown as UTC
  // to show the stored wall-clock time unchanged.
  auto* custom = new QDateTimeEdit;
  custom->setTimeSpec(Qt::UTC);
  custom->setDisplayFormat("yyyy/MM/dd HH:mm");
  custom->setCalendarPopup(true);
  grid.Bind({[custom](const SettingsRecord& s) {
               custom->setDateTime(QDateTime::fromSecsSinceEpoch(s.CustomTimestamp, Qt::UTC));
               custom->setProperty("loaded", s.CustomTimestamp);
             },
             [custom](SettingsRecord& s) {
               // The field shows minutes: an untouched field keeps the seconds.
               const qint64 loaded = custom->property("loaded").toLongLong();
               const qint64 shown = custom->dateTime().toSecsSinceEpoch();
               const bool untouched = shown / 60 == loaded / 60 && (shown < 0) == (loaded < 0);
               s.CustomTimestamp = static_cast<std::int32_t>(untouched ? loaded : shown);
             }});
  const PreferenceRow customRow = grid.AddRow("Custom Timestamp", custom);
  auto follow = [timestamp, customRow] { customRow.SetEnabled(ChoiceValue(timestamp) == 2); };
  connect(timestamp, &QComboBox::currentIndexChanged, this, follow);
  refreshers_.push_back(follow);
  grid.Check("Out Folders History", &SettingsRecord::OutFoldersHistory);
  grid.Number("Out Folders Number", &SettingsRecord::OutFoldersNumber,
              LowestOf("Advanced", "Out Folders Number"),
              HighestOf("Advanced", "Out Folders Number"));
  grid.Check("Keep Subfolders", &SettingsRecord::KeepSubfolders);
}

void PreferencesDialog::LoadControls() {
  for (const SettingBinding& binding : bindings_) binding.load(Settings);
  for (const auto& refresh : refreshers_) refresh();
}

void PreferencesDialog::ReadControls(SettingsRecord& settings) const {
  for (const SettingBinding& binding : bindings_) binding.store(settings);
}

void PreferencesDialog::FinishWith(const SettingsRecord& before) {
  // Theme wins over icon size: a new theme reloads every icon anyway.
  if (Settings.UITheme != before.UITheme)
    RunState.InterfaceRefresh = 1;
  else if (Settings.UISize != before.UISize)
    RunState.InterfaceRefresh = 2;
  WriteConfig();
  accept();
}

void PreferencesDialog::Confirm() {
  const SettingsRecord before = Settings;
  SettingsRecord edited = Settings;
  ReadControls(edited);
  // The colour-correction stage has no switch of its own in the window: it is
  // on whenever a value differs from neutral, as the command line sets it.
  if (edited.ImageBrightness != 0 || edited.ImageContrast != 0 || edited.ImageGamma != 1.0f ||
      edited.ImageInvert)
    edited.DoImageColorCorrection = 1;
  Settings = edited;
  FinishWith(before);
}

void PreferencesDialog::AskResetToDefaults() {
  if (QMessageBox::question(
          this, Lang("Msg", "Reset to Defaults"), Lang("Msg", "Ask reset to defaults"),
          QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes)
    return;
  const SettingsRecord before = Settings;
  ApplyDefaults(0);
  FinishWith(before);
}

bool OpenPreferences(QWidget* parent) {
  PreferencesDialog dialog(parent);
  return dialog.exec() == QDialog::Accepted;
}
