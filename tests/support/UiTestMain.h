// main() of a window test: Qt's offscreen platform, private runtime and
// configuration folders, the process tables and the built-in language table.
#pragma once

#include <sys/stat.h>

#include <QApplication>
#include <QtTest>
#include <cstdlib>

#include "app/Startup.h"
#include "lang/LanguageTable.h"
#include "settings/Settings.h"
#include "support/SettingsReset.h"
#include "support/TestSupport.h"
#include "themes/Themes.h"
#include "ui/IconSets.h"

#define LUMIVERT_UI_TEST_MAIN(TestClass)                     \
  int main(int argc, char** argv) {                          \
    const std::string home = ScratchFolder("ui-home");       \
    chmod(home.c_str(), 0700);                               \
    setenv("QT_QPA_PLATFORM", "offscreen", 1);               \
    setenv("XDG_RUNTIME_DIR", home.c_str(), 1);              \
    setenv("XDG_CONFIG_HOME", (home + "config").c_str(), 1); \
    QApplication app(argc, argv);                            \
    ResetSettings(0, RunRecords::Initial);                   \
    BuildLanguageTable();                                    \
    SetThemeFolder(BUILD_DIR "/gfx/");                       \
    StartIconSets();                                         \
    TestClass test;                                          \
    return QTest::qExec(&test, argc, argv);                  \
  }
