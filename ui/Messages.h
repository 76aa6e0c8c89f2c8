// Texts of the language table as Qt strings, and the window's message boxes.
#pragma once

#include <QString>
#include <string>

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

// Product data: where the program's links go.
QString ConverterSearchUrl(const QString& from, const QString& to);
QString UninstallFeedbackUrl();
