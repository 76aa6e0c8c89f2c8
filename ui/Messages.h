// Texts of the language table as Qt strings, and the window's message boxes.
#pragma once

#include <QString>
#include <functional>
#include <string>

class QUrl;
class QWidget;

QString Lang(const char* group, const char* key);
QString Q(const std::string& text);
std::string U(const QString& text);

// A warning box titled Msg / "Warning".
void ShowWarning(QWidget* parent, const QString& text);
// An error box titled Msg / "Error".
void ShowError(QWidget* parent, const QString& text);
// A Yes/No question with the warning icon, titled Msg / "Warning", showing
// Msg / key; true for Yes.
bool AskBreak(QWidget* parent, const char* key);

// A "Name|patterns|Name|patterns" filter ("All Supported Files|*.hdr;*.hdri|
// ...|All Files (*.*)|*.*") in Qt's form, one entry per pair: "All Supported
// Files (*.hdr *.hdri);;...;;All Files (*)". A name that already ends in its
// own "(...)" loses it, and "*.*" becomes "*" so that files without a dot show.
QString QtNameFilters(const std::string& pairs);

// Hands url to the desktop (browser, mail program, file manager). When
// nothing takes it, shows a warning with the address as selectable text so
// the user can copy it; false then.
bool OpenAddress(QWidget* parent, const QUrl& url);
// Replaces the desktop's opener (tests); an empty function restores it.
using UrlOpener = std::function<bool(const QUrl&)>;
void SetUrlOpener(UrlOpener opener);
// The first line of the warning OpenAddress shows.
extern const char* const OpenFailedText;

// Product data: where the program's links go.
QString ConverterSearchUrl(const QString& from, const QString& to);
QString UninstallFeedbackUrl();
