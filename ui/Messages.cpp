#include "ui/Messages.h"

#include <QMessageBox>
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

QString ConverterSearchUrl(const QString& from, const QString& to) {
  QUrl url(Q(MakerHomepage) + "converter-search/");
  QUrlQuery query;
  query.addQueryItem("from", from);
  query.addQueryItem("to", to);
  url.setQuery(query);
  return url.toString();
}

QString UninstallFeedbackUrl() { return Q(MakerHomepage) + "uninstall/"; }
