#include "ui/IconSets.h"

#include <QBuffer>
#include <QHash>
#include <QImageReader>
#include <QPainter>
#include <map>
#include <string>

#include "settings/Settings.h"
#include "themes/Themes.h"

namespace {

QHash<QString, QPixmap> buttonSet, menuSet, toolbarSet;

QPixmap Builtin(const QString& name, int size) {
  return QPixmap(QString(":/icons/%1_%2.png").arg(name).arg(size));
}

void LoadBuiltin(bool buttons, bool menu, bool toolbar) {
  const int size = IconPixelSize(Settings.UISize);
  for (const char* name : ButtonIconNames)
    if (buttons) buttonSet[name] = QPixmap(QString(":/icons/button_%1.png").arg(name));
  for (const char* name : MenuIconNames) {
    if (menu) menuSet[name] = Builtin(name, 16);
    if (toolbar) toolbarSet[name] = Builtin(name, size);
  }
}

// Decoded pictures of one reload, by their bytes: icons that name the same
// archive entry are decoded once.
using DecodeCache = std::map<std::string, QPixmap>;

// The stated size is read before decoding, so a picture far larger than an
// icon is never unpacked (the engine refuses those already; this covers any
// bytes that reach here another way).
QPixmap Decode(const std::string& png) {
  QByteArray bytes = QByteArray::fromRawData(png.data(), static_cast<qsizetype>(png.size()));
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "PNG");
  reader.setAutoDetectImageFormat(false);
  const QSize size = reader.size();
  if (!size.isValid() || size.width() > static_cast<int>(MaxIconSide) ||
      size.height() > static_cast<int>(MaxIconSide))
    return QPixmap();
  return QPixmap::fromImage(reader.read());
}

// A picture that cannot be decoded leaves the icon as it was.
void Apply(const std::map<std::string, std::string>& pictures, QHash<QString, QPixmap>& set,
           DecodeCache& decoded) {
  for (const auto& [name, png] : pictures) {
    auto found = decoded.find(png);
    if (found == decoded.end()) found = decoded.emplace(png, Decode(png)).first;
    if (!found->second.isNull()) set[QString::fromStdString(name)] = found->second;
  }
}

}  // namespace

void StartIconSets() {
  LoadBuiltin(true, true, true);
  ScanThemes();
  ReloadIconSets(true, true, true);
}

void ReloadIconSets(bool buttons, bool menu, bool toolbar) {
  LoadBuiltin(buttons, menu, toolbar);
  const ThemePictures pictures = LoadTheme(buttons, menu, toolbar);
  DecodeCache decoded;
  Apply(pictures.buttons, buttonSet, decoded);
  Apply(pictures.menu, menuSet, decoded);
  Apply(pictures.toolbar, toolbarSet, decoded);
}

QIcon MenuIcon(const QString& name) { return QIcon(menuSet.value(name)); }
QIcon ToolbarIcon(const QString& name) { return QIcon(toolbarSet.value(name)); }
QPixmap ButtonPicture(const QString& name) { return buttonSet.value(name); }
int ToolbarIconSize() { return IconPixelSize(Settings.UISize); }

QIcon FormatIcon(const QString& extension) {
  // Families: lossy web formats, lossless raster, high dynamic range, others.
  static const QHash<QString, QColor> colours = {
      {"jpg", QColor(214, 96, 48)},  {"jp2", QColor(214, 96, 48)},  {"j2k", QColor(214, 96, 48)},
      {"jxr", QColor(214, 96, 48)},  {"webp", QColor(214, 96, 48)}, {"jng", QColor(214, 96, 48)},
      {"exr", QColor(128, 72, 176)}, {"hdr", QColor(128, 72, 176)}, {"pfm", QColor(128, 72, 176)},
      {"png", QColor(48, 140, 72)},  {"bmp", QColor(48, 140, 72)},  {"tiff", QColor(48, 140, 72)},
      {"tga", QColor(48, 140, 72)},  {"gif", QColor(48, 140, 72)}};
  const QColor band = colours.value(extension, QColor(52, 100, 170));
  QPixmap picture(32, 32);
  picture.fill(Qt::transparent);
  QPainter p(&picture);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(40, 48, 64), 1.5));
  p.setBrush(QColor(255, 255, 250));
  const QPointF page[] = {{5, 1.5}, {21, 1.5}, {27, 7.5}, {27, 30.5}, {5, 30.5}};
  p.drawPolygon(page, 5);
  p.setPen(Qt::NoPen);
  p.setBrush(band);
  p.drawRect(QRectF(1, 15, 30, 11));
  p.setPen(Qt::white);
  QFont font = p.font();
  font.setPixelSize(extension.size() > 3 ? 7 : 9);
  font.setBold(true);
  p.setFont(font);
  p.drawText(QRectF(1, 15, 30, 11), Qt::AlignCenter, extension.toUpper());
  return QIcon(picture);
}
