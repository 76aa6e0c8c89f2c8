// The three icon sets of the window (buttons, menu, toolbar) as Qt pictures:
// the built-in artwork first, then whatever the chosen theme replaces.
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

// Loads the built-in pictures into all three sets, scans "gfx" and applies the
// theme Settings.UITheme to all three sets.
void StartIconSets();
// Reloads sets from the theme (after the preferences changed theme or size).
void ReloadIconSets(bool buttons, bool menu, bool toolbar);

QIcon MenuIcon(const QString& name);
QIcon ToolbarIcon(const QString& name);
QPixmap ButtonPicture(const QString& name);
// The toolbar's square icon size for Settings.UISize.
int ToolbarIconSize();

// A small picture for an output format: a page with the extension on a band
// whose colour follows the format family.
QIcon FormatIcon(const QString& extension);
