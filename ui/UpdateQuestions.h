// The update check as the window shows it: the answer boxes of the manual
// check (command 23) and the question of the scheduled check at start.
#pragma once

class QWidget;

// Asks the maker's server on a thread of its own and returns at once; the
// window stays usable with a busy cursor meanwhile. When the answer (or the
// wait limit) comes, shows the outcome on parent: a connection problem, the
// offer to download a newer version (opening the product page on yes), or
// that this is the latest version. A check already under way is not started
// again. Never changes Settings.UpdateDate.
void RunUpdateCheck(QWidget* parent);

// True while a check waits for its answer.
bool UpdateCheckPending();

// Waits for a check under way to end (at most the client's wait limit) and
// drops its outcome: the window that would show it is going away.
void FinishUpdateCheck();

// At the start of the window interface: when the interval of
// Settings.UpdateRange has passed since Settings.UpdateDate, asks whether to
// check now; either answer moves UpdateDate to today.
void RunScheduledUpdateCheck(QWidget* parent);
