#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QSlider>
#include <QSpinBox>
#include <QStackedWidget>
#include <QToolBar>
#include <functional>

#include "codecs/OutputFormats.h"
#include "platform/Files.h"
#include "settings/ConfigFile.h"
#include "support/UiTestMain.h"
#include "support/WhenModal.h"
#include "ui/MainWindow.h"
#include "ui/Messages.h"
#include "ui/PreferencesDialog.h"

namespace {

// Answers the next message box with button and returns its text there.
void AnswerNextBox(QMessageBox::StandardButton button, QString* text) {
  WhenModal<QMessageBox>([button, text](QMessageBox* box) {
    *text = box->text();
    box->button(button)->click();
    return true;
  });
}

// The largest depth the format's row allows.
int LastDepth(const std::string& extension) {
  return FindOutputFormat(extension)->AllowedDepths.back();
}

QString DepthList(const std::string& extension) {
  QStringList depths;
  for (int depth : FindOutputFormat(extension)->AllowedDepths) depths << QString::number(depth);
  return depths.join(",");
}

// Every field of Settings away from its window default, each to a value its
// control can show.
SettingsRecord NonDefaultSettings() {
  SettingsRecord s = Settings;
  s.CFG = 9;
  s.Language = "de";
  s.UpdateRange = 4;
  s.UpdateDate = 1700000000;
  s.SaveWindowPosition = 0;
  s.IsMaximized = 1;
  s.X = 33, s.Y = 44, s.Width = 777, s.Height = 555;
  s.UITheme = "mono";
  s.UISize = 4;
  s.DefaultInputFormat = "hdri";
  s.DDSLoadAs = 2, s.GIFFrameLoading = 1, s.ICOFrameLoading = 3, s.TIFFFrameLoading = 4;
  s.RAWLoadAs = 5, s.RAWHeaderSize = 128, s.RAWImageWidth = 64, s.RAWImageHeight = 48,
  s.RAWToneMapping = 4;
  s.DefaultOutputFormat = "png";
  s.BMPBPP = LastDepth("bmp"), s.BMPCompression = 1, s.BMPColorTable = 1;
  s.DDSBPP = LastDepth("dds"), s.EXRBPP = LastDepth("exr"), s.EXRCompression = 3;
  s.GIFBPP = LastDepth("gif"), s.HDRBPP = LastDepth("hdr"), s.ICOBPP = LastDepth("ico");
  s.J2KBPP = LastDepth("j2k"), s.JNGBPP = LastDepth("jng"), s.JP2BPP = LastDepth("jp2");
  s.JPGBPP = LastDepth("jpg"), s.JPGQuality = 77, s.JPGChroma = 2, s.JPGSaveAs = 3;
  s.JXRBPP = LastDepth("jxr"), s.PBMBPP = LastDepth("pbm"), s.PCXBPP = LastDepth("pcx");
  s.PFMBPP = LastDepth("pfm"), s.PGMBPP = LastDepth("pgm");
  s.PNGBPP = LastDepth("png"), s.PNGCompression = 2, s.PNGInterlaced = 1;
  s.PPMBPP = LastDepth("ppm"), s.PSDBPP = LastDepth("psd"), s.TGABPP = LastDepth("tga"),
  s.TGACompression = 1;
  s.TIFFBPP = LastDepth("tiff"), s.TIFFCompression = 6, s.TIFFColorModel = 2;
  s.WBMPBPP = LastDepth("wbmp"), s.WEBPBPP = LastDepth("webp"), s.XPMBPP = LastDepth("xpm");
  s.DoImageRotation = 1, s.ImageRotationType = 1, s.ImageRotation = -45,
  s.ImageRotationBackColor = "FF8000";
  s.DoImageResize = 1, s.ImageWidth = 640, s.ImageWidthUnit = 1, s.ImageHeight = 480,
  s.ImageHeightUnit = 1;
  s.KeepAspectRatio = 0, s.ImageResizeType = 1, s.ImageResizeAlgorithm = 5;
  s.DoImageFlipHorizontal = 1, s.DoImageFlipVertical = 1;
  s.DoImageColorCorrection = 1, s.ImageBrightness = -20, s.ImageContrast = 30, s.ImageGamma = 1.5f;
  s.ImageInvert = 1, s.DoImageGreyscale = 1, s.DoImageThreshold = 1, s.ImageThreshold = 128;
  s.DoFrame = 1, s.SolidLeft = 1, s.SolidRight = 2, s.SolidTop = 3, s.SolidBottom = 4;
  s.SolidLeftColor = "FF0000", s.SolidRightColor = "00FF00", s.SolidTopColor = "0000FF";
  s.SolidBottomColor = "FFFF00", s.SolidOpacity = 200;
  s.DoWatermark = 2, s.Text = "Sample %n% (c)", s.Fonts = "DejaVu Sans,Liberation Serif";
  s.Font = "Liberation Serif", s.FontSize = 22, s.FontLeading = 3;
  s.FontColors = "FF0000,00FF00", s.FontColor = "00FF00", s.FontStyle = 3, s.FontEffect = 2;
  s.TextAntialiasing = 1, s.TextAlignment = 2, s.TextPadding = 5, s.TextOpacity = 100;
  s.BackColors = "0000FF,FFFFFF", s.BackColor = "0000FF", s.BackOpacity = 60;
  s.TextBoundary = 1, s.TextPosition = 4, s.TextXOffset = -7, s.TextYOffset = 9,
  s.TextRotation = 30;
  s.TextSize = 2, s.TextScale = 50;
  s.Image = "/tmp/logo.png", s.ImageGreyscale = 1, s.ImageOpacity = 90, s.ImageBoundary = 1;
  s.ImagePosition = 0, s.ImageXOffset = 11, s.ImageYOffset = -12, s.WatermarkImageRotation = 15;
  s.ImageSize = 3, s.ImageScale = 70;
  s.FilenameMask = "%filename%_x.%ext%", s.FileTimestamp = 2, s.CustomTimestamp = 1600000017;
  s.OutFoldersHistory = 0, s.OutFoldersNumber = 9, s.KeepSubfolders = 0;
  s.CsvDelimiter = ";", s.RecentOutFolders = "/a/\t/b/", s.RecentFiles = "x",
  s.CleanRecentFiles = 1;
  s.Threads = 3;
  return s;
}

// The configuration text of settings with the window keys written, so two
// records compare on every stored key.
QStringList KeyLines(SettingsRecord s) {
  s.SaveWindowPosition = 1;
  return Q(ConfigFileText(s)).split("\r\n");
}

void CompareEveryField(const SettingsRecord& a, const SettingsRecord& b) {
  const QStringList left = KeyLines(a), right = KeyLines(b);
  QCOMPARE(left.size(), right.size());
  for (int i = 0; i < left.size(); ++i) QCOMPARE(left[i], right[i]);
  QCOMPARE(a.SaveWindowPosition, b.SaveWindowPosition);
  QCOMPARE(a.CFG, b.CFG);
  QCOMPARE(a.CsvDelimiter, b.CsvDelimiter);
  QCOMPARE(a.DoImageColorCorrection, b.DoImageColorCorrection);
  QCOMPARE(a.Threads, b.Threads);
}

template <typename T>
T* Find(QWidget* parent, const std::function<bool(T*)>& match) {
  for (T* widget : parent->findChildren<T*>())
    if (match(widget)) return widget;
  return nullptr;
}

// The control of the row labelled text on a page.
QWidget* RowControl(QWidget* page, const QString& text) {
  QLabel* label =
      Find<QLabel>(page, [&](QLabel* l) { return l->text() == text && l->isVisibleTo(page); });
  if (!label) return nullptr;
  for (QWidget* sibling : label->parentWidget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    if (sibling != label && sibling->geometry().top() == label->geometry().top() &&
        sibling->x() == 170)
      return sibling;
  return nullptr;
}

}  // namespace

class PreferencesDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    ApplyDefaults(0);
    RunState.InterfaceRefresh = 0;
    RunState.PreferencesPanel = 0;
    Settings.ConfigPath = ScratchFolder("prefs") + "config.ini";
  }

  void everyFieldComesBackThroughOk() {
    const SettingsRecord edited = NonDefaultSettings();
    // Each stored key really differs from its default.
    const QStringList defaults = KeyLines(Settings), changed = KeyLines(edited);
    int same = 0;
    for (int i = 0; i < defaults.size(); ++i)
      if (defaults[i] == changed[i] && defaults[i].contains(" = ")) {
        ++same;
        // The writer always writes CFG 17; KeyLines writes the window keys.
        QVERIFY2(defaults[i] == "CFG = 17" || defaults[i] == "Save Window Position = 1",
                 qPrintable(defaults[i]));
      }
    QCOMPARE(same, 2);
    QVERIFY(edited.SaveWindowPosition != Settings.SaveWindowPosition &&
            edited.Threads != Settings.Threads && edited.CsvDelimiter != Settings.CsvDelimiter &&
            edited.CFG != Settings.CFG);
    const SettingsRecord defaultRecord = Settings;
    Settings = edited;
    {
      PreferencesDialog dialog(nullptr);
      dialog.show();
      // The controls alone carry every edited value: read into defaults, only
      // the fields the dialog has no row for stay to be copied.
      SettingsRecord fromControls = defaultRecord;
      dialog.ReadControls(fromControls);
      SettingsRecord uncontrolled = edited;
      for (SettingsRecord* s : {&fromControls}) {
        s->CFG = uncontrolled.CFG, s->UpdateDate = uncontrolled.UpdateDate,
        s->IsMaximized = uncontrolled.IsMaximized;
        s->X = uncontrolled.X, s->Y = uncontrolled.Y, s->Width = uncontrolled.Width,
        s->Height = uncontrolled.Height;
        // Input formats without a pane (the input-format list holds only hdr).
        s->DDSLoadAs = uncontrolled.DDSLoadAs, s->GIFFrameLoading = uncontrolled.GIFFrameLoading;
        s->ICOFrameLoading = uncontrolled.ICOFrameLoading,
        s->TIFFFrameLoading = uncontrolled.TIFFFrameLoading;
        s->RAWLoadAs = uncontrolled.RAWLoadAs, s->RAWHeaderSize = uncontrolled.RAWHeaderSize;
        s->RAWImageWidth = uncontrolled.RAWImageWidth,
        s->RAWImageHeight = uncontrolled.RAWImageHeight;
        s->RAWToneMapping = uncontrolled.RAWToneMapping;
        s->DoImageColorCorrection = uncontrolled.DoImageColorCorrection;
        s->CsvDelimiter = uncontrolled.CsvDelimiter,
        s->RecentOutFolders = uncontrolled.RecentOutFolders;
        s->RecentFiles = uncontrolled.RecentFiles,
        s->CleanRecentFiles = uncontrolled.CleanRecentFiles;
      }
      CompareEveryField(fromControls, edited);
      QTest::mouseClick(dialog.OkButton(), Qt::LeftButton);
      QCOMPARE(dialog.result(), int(QDialog::Accepted));
    }
    CompareEveryField(Settings, edited);
    QCOMPARE(RunState.InterfaceRefresh, 0);
    QCOMPARE(Q(ReadFileBytes(Settings.ConfigPath)), Q(ConfigFileText(Settings)));
  }

  void cancelAndEscapeChangeNothing() {
    Settings = NonDefaultSettings();
    const SettingsRecord before = Settings;
    for (int way = 0; way < 2; ++way) {
      PreferencesDialog dialog(nullptr);
      dialog.show();
      auto* size = qobject_cast<QComboBox*>(
          RowControl(dialog.PageWidget(PreferencesPage::Interface), "Icon Size:"));
      QVERIFY(size);
      size->setCurrentIndex(0);
      dialog.OutputFormatBox()->setCurrentIndex(0);
      if (way == 0)
        QTest::mouseClick(dialog.CancelButton(), Qt::LeftButton);
      else
        QTest::keyClick(&dialog, Qt::Key_Escape);
      QCOMPARE(dialog.result(), int(QDialog::Rejected));
    }
    CompareEveryField(Settings, before);
    QCOMPARE(RunState.InterfaceRefresh, 0);
    QVERIFY(!PathExists(Settings.ConfigPath));
  }

  void defaultsAskFirst() {
    Settings = NonDefaultSettings();
    const SettingsRecord before = Settings;
    PreferencesDialog dialog(nullptr);
    dialog.show();
    QString question;
    AnswerNextBox(QMessageBox::No, &question);
    QTest::mouseClick(dialog.DefaultsButton(), Qt::LeftButton);
    QCOMPARE(question,
             QString("Are you sure you want to reset all your settings to the default values?"));
    CompareEveryField(Settings, before);
    QVERIFY(dialog.isVisible());
    QVERIFY(!PathExists(Settings.ConfigPath));

    AnswerNextBox(QMessageBox::Yes, &question);
    QTest::mouseClick(dialog.DefaultsButton(), Qt::LeftButton);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QCOMPARE(Settings.UITheme, std::string("handdrawn"));
    QCOMPARE(Settings.JPGQuality, 95);
    QCOMPARE(Settings.KeepAspectRatio, byte(1));
    QCOMPARE(RunState.InterfaceRefresh, 1);  // the theme changed back
    QCOMPARE(Q(ReadFileBytes(Settings.ConfigPath)), Q(ConfigFileText(Settings)));
  }

  void refreshFlagsSayWhatChanged() {
    struct Case {
      int theme, size, refresh;
    };
    for (const Case c : {Case{0, 0, 0}, Case{0, 1, 2}, Case{1, 0, 1}, Case{1, 1, 1}}) {
      ApplyDefaults(0);
      RunState.InterfaceRefresh = 0;
      PreferencesDialog dialog(nullptr);
      QWidget* page = dialog.PageWidget(PreferencesPage::Interface);
      auto* theme = qobject_cast<QComboBox*>(RowControl(page, "Theme:"));
      auto* size = qobject_cast<QComboBox*>(RowControl(page, "Icon Size:"));
      QVERIFY(theme && size);
      if (c.theme) theme->setCurrentIndex(theme->findData("mono"));
      if (c.size) size->setCurrentIndex(0);
      dialog.Confirm();
      QCOMPARE(RunState.InterfaceRefresh, c.refresh);
    }
  }

  void pagesSwitchWithTheirHeader() {
    PreferencesDialog dialog(nullptr);
    dialog.show();
    QCOMPARE(dialog.CurrentPage(), PreferencesPage::General);
    QCOMPARE(dialog.PageTitle(), QString("General"));
    const char* titles[] = {"General",    "Interface", "Input",     "Output",  "Transform",
                            "Adjustment", "Frame",     "Watermark", "Advanced"};
    auto* list = dialog.findChild<QListWidget*>();
    QCOMPARE(list->count(), PreferencesPageCount);
    for (int i = 0; i < PreferencesPageCount; ++i) {
      list->setCurrentRow(i);
      QCOMPARE(dialog.PageTitle(), QString(titles[i]));
      QVERIFY(dialog.PageWidget(static_cast<PreferencesPage>(i))->isVisible());
    }
  }

  void outputPaneFollowsTheFormatWithItsDepths() {
    Settings.DefaultOutputFormat = "jpg";
    PreferencesDialog dialog(nullptr);
    dialog.show();
    dialog.ShowPage(PreferencesPage::Output);
    QWidget* page = dialog.PageWidget(PreferencesPage::Output);
    for (const char* format : {"jpg", "gif", "tiff", "pbm"}) {
      dialog.OutputFormatBox()->setCurrentIndex(dialog.OutputFormatBox()->findData(format));
      auto* depth = qobject_cast<QComboBox*>(RowControl(page, "Bits Per Pixel:"));
      QVERIFY(depth);
      QStringList items;
      for (int i = 0; i < depth->count(); ++i) items << depth->itemText(i);
      QCOMPARE(items.join(","), "Auto," + DepthList(format));
      QCOMPARE(RowControl(page, "Image Quality:") != nullptr, std::string(format) == "jpg");
      QCOMPARE(RowControl(page, "Color Model:") != nullptr, std::string(format) == "tiff");
    }
  }

  void formatButtonOpensTheOutputPageWithTheWindowsFormat() {
    MainWindow window;
    window.show();
    window.FormatBox()->setCurrentIndex(
        static_cast<int>(std::find(OutputExtensions.begin(), OutputExtensions.end(), "webp") -
                         OutputExtensions.begin()));
    PreferencesPage page = PreferencesPage::General;
    QString format;
    WhenModal<PreferencesDialog>([&](PreferencesDialog* dialog) {
      page = dialog->CurrentPage();
      format = dialog->OutputFormatBox()->currentData().toString();
      dialog->reject();
      return true;
    });
    window.RunCommand(Command::OutputFormatOptions);
    QCOMPARE(page, PreferencesPage::Output);
    QCOMPARE(format, QString("webp"));
    QCOMPARE(int(RunState.PreferencesPanel), 0);

    WhenModal<PreferencesDialog>([&](PreferencesDialog* dialog) {
      page = dialog->CurrentPage();
      dialog->reject();
      return true;
    });
    window.RunCommand(Command::Preferences);
    QCOMPARE(page, PreferencesPage::General);
  }

  void okFollowsTheFormatAndTheThemeInTheWindow() {
    MainWindow window;
    window.show();
    WhenModal<PreferencesDialog>([&](PreferencesDialog* dialog) {
      dialog->OutputFormatBox()->setCurrentIndex(dialog->OutputFormatBox()->findData("tga"));
      auto* size = qobject_cast<QComboBox*>(
          RowControl(dialog->PageWidget(PreferencesPage::Interface), "Icon Size:"));
      size->setCurrentIndex(4);
      dialog->OkButton()->click();
      return true;
    });
    window.RunCommand(Command::Preferences);
    QCOMPARE(Settings.DefaultOutputFormat, std::string("tga"));
    QCOMPARE(window.FormatBox()->currentText().left(5), QString("TGA -"));
    QCOMPARE(RunState.InterfaceRefresh, 0);  // done by the window
    auto* bar = window.findChild<QToolBar*>("MainToolbar");
    QVERIFY(bar);
    QCOMPARE(bar->iconSize(), QSize(64, 64));
  }

  void stageSwitchesEnableTheirRows() {
    PreferencesDialog dialog(nullptr);
    dialog.show();
    QWidget* transform = dialog.PageWidget(PreferencesPage::Transform);
    auto* rotation = qobject_cast<QCheckBox*>(RowControl(transform, "Image Rotation:"));
    QWidget* angle = RowControl(transform, "Rotation Angle:");
    QVERIFY(rotation && angle);
    QVERIFY(!angle->isEnabled());
    rotation->setChecked(true);
    QVERIFY(angle->isEnabled());

    QWidget* watermark = dialog.PageWidget(PreferencesPage::Watermark);
    auto* type = qobject_cast<QComboBox*>(RowControl(watermark, "Watermark:"));
    QWidget* text = RowControl(watermark, "Text:");
    QWidget* image = RowControl(watermark, "Image:");
    QVERIFY(type && text && image);
    QVERIFY(!text->isEnabled() && !image->isEnabled());
    type->setCurrentIndex(1);
    QVERIFY(text->isEnabled() && !image->isEnabled());
    type->setCurrentIndex(2);
    QVERIFY(!text->isEnabled() && image->isEnabled());

    QWidget* advanced = dialog.PageWidget(PreferencesPage::Advanced);
    auto* stamp = qobject_cast<QComboBox*>(RowControl(advanced, "File Timestamp:"));
    QWidget* custom = RowControl(advanced, "Custom Timestamp:");
    QVERIFY(!custom->isEnabled());
    stamp->setCurrentIndex(2);
    QVERIFY(custom->isEnabled());
  }

  void slidersAndNumbersFollowEachOther() {
    PreferencesDialog dialog(nullptr);
    auto* quality =
        Find<NumberSlider>(dialog.PageWidget(PreferencesPage::Output), [](NumberSlider* s) {
          return s->Slider()->maximum() == 100 && s->Slider()->minimum() == 1;
        });
    QVERIFY(quality);
    QCOMPARE(quality->Slider()->value(), 95);
    quality->Slider()->setValue(40);
    QCOMPARE(quality->Field()->value(), 40);
    quality->Field()->setValue(60);
    QCOMPARE(quality->Slider()->value(), 60);
    dialog.Confirm();
    QCOMPARE(Settings.JPGQuality, 60);
  }

  void pickedColoursJoinThePaletteOnlyWhenNew() {
    PreferencesDialog dialog(nullptr);
    auto* fontColor = dynamic_cast<ColorChoice*>(
        RowControl(dialog.PageWidget(PreferencesPage::Watermark), "Font Color:"));
    QVERIFY(fontColor);
    const int count = fontColor->Box()->count();
    QCOMPARE(fontColor->Box()->currentText(), QString("White"));
    fontColor->PickColor(QColor(255, 0, 0));
    QCOMPARE(fontColor->Box()->count(), count);
    QCOMPARE(fontColor->CurrentColor(), std::string("FF0000"));
    fontColor->PickColor(QColor(0x12, 0x34, 0x56));
    QCOMPARE(fontColor->Box()->count(), count + 1);
    QCOMPARE(fontColor->Box()->currentText(), QString("Color #123456"));

    auto* left = Find<ColorButton>(dialog.PageWidget(PreferencesPage::Frame),
                                   [](ColorButton*) { return true; });
    QVERIFY(left);
    QCOMPARE(left->iconSize(), QSize(34, 12));
    left->PickColor(QColor(10, 0, 255));
    dialog.Confirm();
    QCOMPARE(Settings.FontColor, std::string("123456"));
    QCOMPARE(Settings.FontColors,
             std::string("000000,FFFFFF,FF0000,FF8000,FFFF00,008000,00FFFF,0000FF,8000FF,123456"));
    QCOMPARE(Settings.SolidLeftColor, std::string("0A00FF"));
  }

  // With LUMIVERT_PREFERENCES_SHOTS set to a folder, a picture of the dialog
  // on every page and of every page's whole content goes there for a person
  // to look at (xvfb-run -a env LUMIVERT_PREFERENCES_SHOTS=/tmp/shots
  // build/preferences_dialog_test picturesOfEveryPage).
  void picturesOfEveryPage() {
    const char* folder = std::getenv("LUMIVERT_PREFERENCES_SHOTS");
    if (!folder) QSKIP("LUMIVERT_PREFERENCES_SHOTS is not set");
    Settings.DoWatermark = 1;
    Settings.DefaultOutputFormat = "jpg";
    PreferencesDialog dialog(nullptr);
    dialog.show();
    for (int i = 0; i < PreferencesPageCount; ++i) {
      dialog.ShowPage(static_cast<PreferencesPage>(i));
      QApplication::processEvents();
      QVERIFY(dialog.grab().save(QString("%1/page%2.png").arg(folder).arg(i)));
      auto* scroll = qobject_cast<QScrollArea*>(dialog.PageWidget(static_cast<PreferencesPage>(i)));
      QVERIFY(scroll->widget()->grab().save(QString("%1/page%2-full.png").arg(folder).arg(i)));
    }
    dialog.ShowPage(PreferencesPage::Output);
    for (const char* format : {"bmp", "exr", "png", "tiff"}) {
      dialog.OutputFormatBox()->setCurrentIndex(dialog.OutputFormatBox()->findData(format));
      QApplication::processEvents();
      QVERIFY(dialog.grab().save(QString("%1/output-%2.png").arg(folder, format)));
    }
  }
};

// As LUMIVERT_UI_TEST_MAIN, except that a run taking pictures for a person
// keeps the platform it was given (xcb under xvfb-run).
int main(int argc, char** argv) {
  const std::string home = ScratchFolder("ui-home");
  chmod(home.c_str(), 0700);
  setenv("QT_QPA_PLATFORM", "offscreen", std::getenv("LUMIVERT_PREFERENCES_SHOTS") ? 0 : 1);
  setenv("XDG_RUNTIME_DIR", home.c_str(), 1);
  setenv("XDG_CONFIG_HOME", (home + "config").c_str(), 1);
  QApplication app(argc, argv);
  ResetSettings(0, RunRecords::Initial);
  BuildLanguageTable();
  SetThemeFolder(BUILD_DIR "/gfx/");
  StartIconSets();
  PreferencesDialogTest test;
  return QTest::qExec(&test, argc, argv);
}
#include "preferences_dialog_test.moc"
