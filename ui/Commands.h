// The command numbers that menus, toolbar buttons and shortcuts deliver.
#pragma once

enum class Command {
  New = 0,
  Exit = 3,
  SelectInputFiles = 4,  // the add-input chooser
  AddFiles = 5,
  AddFolder = 6,
  SelectOutputFolder = 7,
  OutputFormatOptions = 8,
  ImportInputFiles = 9,
  ExportInputFiles = 10,
  Copy = 11,
  Delete = 12,
  SelectAll = 13,
  Convert = 14,
  CustomConverter = 16,
  Preferences = 17,
  Manual = 18,
  SendFeedback = 21,
  VisitHomepage = 22,
  CheckForNewVersion = 23,
  About = 24,
};
