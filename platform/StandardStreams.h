// Standard input, output and error at start. A descriptor among 0-2 that the
// caller left closed would be taken by the next file opened (the instance
// lock, a picture), and console lines would then be written into that file.
#pragma once

struct ClosedStandardStreams {
  bool input = false;
  bool output = false;
  bool error = false;
};

// Reopens every closed descriptor 0-2 on /dev/null, so that no file opened
// later can take it, and says which ones were closed. Call it first, before
// anything opens a file.
ClosedStandardStreams ReopenClosedStandardStreams();
