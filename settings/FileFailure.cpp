#include "settings/FileFailure.h"

#include <utility>

namespace {

thread_local FileFailure CurrentFailure;
thread_local std::vector<std::string> CurrentWarnings;

const char* KindText(FailureKind kind) {
  switch (kind) {
    case FailureKind::None:
      return "converted";
    case FailureKind::Unreadable:
      return "unreadable or not Radiance";
    case FailureKind::TooLarge:
      return "too large for memory";
    case FailureKind::ToneMapping:
      return "tone mapping";
    case FailureKind::EncoderRefused:
      return "encoder refused";
    case FailureKind::WriteFailed:
      return "write failed";
    case FailureKind::SameAsInput:
      return "output is an input file";
    case FailureKind::Stopped:
      return "stopped";
  }
  return "failed";
}

}  // namespace

void NoteFailure(FailureKind kind, const std::string& detail) {
  if (CurrentFailure.Kind != FailureKind::None) return;
  CurrentFailure.Kind = kind;
  CurrentFailure.Detail = detail;
}

FileFailure TakeFailure() { return std::exchange(CurrentFailure, FileFailure{}); }

void NoteWarning(const std::string& text) { CurrentWarnings.push_back(text); }

std::vector<std::string> TakeWarnings() { return std::exchange(CurrentWarnings, {}); }

std::string FailureText(const FileFailure& failure) {
  std::string text = KindText(failure.Kind);
  if (!failure.Detail.empty()) text += ": " + failure.Detail;
  return text;
}
