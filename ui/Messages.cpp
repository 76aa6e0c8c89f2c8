#include "ui/Messages.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QStringList>
#include <QUrl>
#include <QUrlQuery>

#include "lang/LanguageTable.h"
#include "settings/Settings.h"

QString Q(const std::string& text) { return QString::fromStdString(text); }
std::string U(const QString& text) { return text.toStdString(); }

// Message texts carry CR LF; Qt shows a lone LF as the line break.
QString Lang(const char* group, const char* key) {
  return Q(LanguageText(group, key)).replace("\r\n", "\n");
}

void ShowWarning(QWidget* parent, const QString& text) {
  QMessageBox::warning(parent, Lang("Msg", "Warning"), QString(text).replace("\r\n", "\n"));
}

void ShowError(QWidget* parent, const QString& text) {
  QMessageBox::critical(parent, Lang("Msg", "Error"), QString(text).replace("\r\n", "\n"));
}

bool AskBreak(QWidget* parent, const char* key) {
  return QMessageBox::warning(parent, Lang("Msg", "Warning"), Lang("Msg", key),
                              QMessageBox::Yes | QMessageBox::No,
                              QMessageBox::No) == QMessageBox::Yes;
}

QString QtNameFilters(const std::string& pairs) {
  const QStringList fields = Q(pairs).split('|');
  QStringList filters;
  for (int i = 0; i + 1 < fields.size(); i += 2) {
    QString name = fields[i].trimmed();
    if (name.endsWith(')') && name.contains(" ("))
      name = name.left(name.lastIndexOf(" (")).trimmed();
    QStringList patterns = fields[i + 1].split(';', Qt::SkipEmptyParts);
    for (QString& pattern : patterns) {
      pattern = pattern.trimmed();
      if (pattern == "*.*") pattern = "*";
    }
    filters << name + " (" + patterns.join(' ') + ")";
  }
  return filters.join(";;");
}

const char* const OpenFailedText =
    "No program on this computer opened the following address. Copy it and open it yourself:";

namespace {

UrlOpener& Opener() {
  static UrlOpener opener;
  return opener;
}

}  // namespace

void SetUrlOpener(UrlOpener opener) { Opener() = std::move(opener); }

bool OpenAddress(QWidget* parent, const QUrl& url) {
  const bool opened = Opener() ? Opener()(url) : QDesktopServices::openUrl(url);
  if (opened) return true;
  // A file is shown as its path, anything else as the address itself.
  const QString address = url.isLocalFile() ? url.toLocalFile() : url.toString();
  QMessageBox box(QMessageBox::Warning, Lang("Msg", "Warning"), OpenFailedText, QMessageBox::Ok,
                  parent);
  box.setInformativeText(address);
  box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  box.exec();
  return false;
}

QString ConverterSearchUrl(const QString& from, const QString& to) {
  QUrl url(Q(MakerHomepage) + "converter-search/");
  QUrlQuery query;
  query.addQueryItem("from", from);
  query.addQueryItem("to", to);
  url.setQuery(query);
  return url.toString();
}

QString UninstallFeedbackUrl() { return Q(MakerHomepage) + "uninstall/"; }
