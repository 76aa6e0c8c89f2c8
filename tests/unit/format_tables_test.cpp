#include <gtest/gtest.h>

#include "batch/ConversionRun.h"
#include "codecs/FormatTables.h"
#include "lang/LanguageTable.h"
#include "settings/Settings.h"

TEST(FormatTables, InputDialogFilterListsTheReadableHdrExtensions) {
  CreateProcessLists();
  BuildFormatTables();
  ResetRunRecords();
  BuildLanguageTable();
  EXPECT_EQ(InputDialogFilter(),
            "All Supported Files|*.hdr;*.hdri|High Dynamic Range File|*.hdri;*.hdr|"
            "All Files (*.*)|*.*");
}
