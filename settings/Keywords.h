// Word lists that turn option values such as LANCZOS or BOTTOMRIGHT into the
// numbers stored in Settings, and back again for the debug echo.
#pragma once

#include <cstdint>
#include <string>

// The keyword lists; each option with a keyword value reads one of them.
enum class KeywordList : int {
  DdsLoadAs,
  RawLoadAs,
  FrameLoading,  // gif, ico and tiff frame loading
  RawToneMapping,
  Compression,  // one list for every format's compression setting
  BmpColorTable,
  TiffColorModel,
  JpgChroma,
  JpgSaveAs,
  RotationType,
  Unit,  // width and height units
  ResizeType,
  ResizeAlgorithm,
  FrameType,      // names only: no option reads it
  WatermarkType,  // names only: no option reads it
  FontStyle,
  FontEffect,
  TextAlignment,
  Boundary,
  Position,
  SizeMode,
  Timestamp,
};

constexpr int KeywordListCount = 22;

// The number of text (compared in upper case) in the list; 0 when the word is
// unknown, the list does not exist, or it only names numbers (FrameType,
// WatermarkType).
std::int32_t ParseKeyword(KeywordList list, const std::string& text);

// The first word of the list whose number is `number`, or "" when none.
std::string KeywordName(KeywordList list, std::int32_t number);
