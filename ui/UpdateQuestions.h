// The update check as the window shows it: the answer boxes of the manual
// check (command 23) and the question of the scheduled check at start.
#pragma once

class QWidget;

// Asks the maker's server and shows the outcome: a connection problem, the
// offer to download a newer version (opening the product page on yes), or
// that this is the latest version. Never changes Settings.UpdateDate.
void RunUpdateCheck(QWidget* parent);

// At the start of the window interface: when the interval of
// Settings.UpdateRange has passed since Settings.UpdateDate, asks whether to
// check now; either answer moves UpdateDate to today.
void RunScheduledUpdateCheck(QWidget* parent);
