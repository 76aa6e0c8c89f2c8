// Small pieces the window tests share: reading the file list, and standing
// in for the desktop's URL opener.
#pragma once

#include <QStringList>
#include <QTreeWidget>
#include <QUrl>
#include <vector>

#include "ui/MainWindow.h"
#include "ui/Messages.h"

// The file list's first column, top to bottom.
inline QStringList RowTexts(MainWindow& window) {
  QStringList rows;
  for (int i = 0; i < window.FileList()->topLevelItemCount(); ++i)
    rows << window.FileList()->topLevelItem(i)->text(0);
  return rows;
}

// Replaces the desktop's opener: every address asked for is kept in tried,
// and the open succeeds when opens is true (false: as if nothing could open
// it).
inline void RecordUrlOpens(std::vector<QUrl>& tried, bool opens) {
  SetUrlOpener([&tried, opens](const QUrl& url) {
    tried.push_back(url);
    return opens;
  });
}
