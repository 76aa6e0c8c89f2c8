// The icon sets built from a theme: pictures shared by several icons are
// decoded once, and pictures far larger than an icon leave the built-in ones.
#include <archive.h>
#include <archive_entry.h>

#include <QBuffer>
#include <QImage>

#include "support/UiTestMain.h"

namespace {

void WriteZip(const std::string& path,
              const std::vector<std::pair<std::string, std::string>>& entries) {
  archive* zip = archive_write_new();
  archive_write_set_format_zip(zip);
  archive_write_open_filename(zip, path.c_str());
  for (const auto& [name, bytes] : entries) {
    archive_entry* entry = archive_entry_new();
    archive_entry_set_pathname(entry, name.c_str());
    archive_entry_set_size(entry, static_cast<la_int64_t>(bytes.size()));
    archive_entry_set_filetype(entry, AE_IFREG);
    archive_entry_set_perm(entry, 0644);
    archive_write_header(zip, entry);
    archive_write_data(zip, bytes.data(), bytes.size());
    archive_entry_free(entry);
  }
  archive_write_close(zip);
  archive_write_free(zip);
}

std::string Png(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::red);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes.toStdString();
}

// theme.cfg naming picture for every button and menu/toolbar icon.
std::string EveryIcon(const std::string& picture) {
  std::string cfg = "[Theme]\r\nName = One\r\n[Buttons]\r\n";
  for (const char* name : ButtonIconNames) cfg += std::string(name) + " = " + picture + "\r\n";
  cfg += "[Icons]\r\n";
  for (const char* name : MenuIconNames) cfg += std::string(name) + " = " + picture + "\r\n";
  return cfg;
}

}  // namespace

class IconSetsTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    folder = ScratchFolder("icon-sets");
    SetThemeFolder(folder);
    Settings.UISize = 2;
  }
  void cleanup() {
    SetThemeFolder(BUILD_DIR "/gfx/");
    Settings.UITheme = "handdrawn";
  }

  void aPictureSharedByIconsIsDecodedOnce() {
    WriteZip(folder + "one.zip", {{"theme.cfg", EveryIcon("red.png")}, {"red.png", Png(8, 6)}});
    Settings.UITheme = "one";
    StartIconSets();
    const QPixmap convert = ButtonPicture("Convert");
    QCOMPARE(convert.size(), QSize(8, 6));
    QCOMPARE(convert.toImage().pixelColor(3, 3), QColor(Qt::red));
    QCOMPARE(ButtonPicture("InFiles").cacheKey(), convert.cacheKey());
    QCOMPARE(ButtonPicture("InFolder").cacheKey(), convert.cacheKey());
    QCOMPARE(ToolbarIcon("New").availableSizes(), QList<QSize>{QSize(8, 6)});
  }

  void aPictureFarLargerThanAnIconLeavesTheBuiltIn() {
    WriteZip(folder + "huge.zip", {{"theme.cfg", EveryIcon("h.png")}, {"h.png", Png(1025, 1)}});
    Settings.UITheme = "huge";
    StartIconSets();
    QCOMPARE(ToolbarIcon("New").availableSizes(), QList<QSize>{QSize(32, 32)});
    QCOMPARE(MenuIcon("Exit").availableSizes(), QList<QSize>{QSize(16, 16)});
    QVERIFY(!ButtonPicture("Convert").isNull());
    QVERIFY(ButtonPicture("Convert").width() <= 1024);
  }

 private:
  std::string folder;
};

LUMIVERT_UI_TEST_MAIN(IconSetsTest)
#include "icon_sets_test.moc"
