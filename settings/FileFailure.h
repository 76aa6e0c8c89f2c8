// Why a file was not converted, and what went wrong around a file that still
// converted. A stage that ends a file notes the reason on its own thread; the
// worker takes the note when the file is done, so parallel workers never mix
// their notes.
#pragma once

#include <string>
#include <vector>

enum class FailureKind {
  None,
  Unreadable,      // cannot be opened, or is not a Radiance picture
  TooLarge,        // needs more memory than the process can have
  ToneMapping,     // the tone mapper gave no picture
  EncoderRefused,  // the format's library would not encode the picture
  WriteFailed,     // the bytes did not reach the disk (with the system's message)
  SameAsInput,     // the output path is one of the run's input files
  Stopped,         // an allocation or the run itself ended the file
};

// The detail of a file that ran out of memory (with FailureKind::TooLarge).
inline constexpr const char* OutOfMemoryText = "out of memory";

struct FileFailure {
  FailureKind Kind = FailureKind::None;
  std::string Detail;  // the system's or library's message; may be empty
};

// Notes why the calling thread's current file fails; the first note wins,
// since later stages only see "no image".
void NoteFailure(FailureKind kind, const std::string& detail = "");
// Returns the calling thread's note and clears it.
FileFailure TakeFailure();

// Notes a warning about the current file (it may still convert).
void NoteWarning(const std::string& text);
std::vector<std::string> TakeWarnings();

// "write failed: No space left on device" and the like.
std::string FailureText(const FileFailure& failure);
