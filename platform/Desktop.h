// Size of the primary desktop; 0 x 0 when no display is known (command line).
#pragma once

struct DesktopSize {
  int width = 0;
  int height = 0;
};

DesktopSize PrimaryDesktopSize();
// The window interface reports the real size once it has a screen.
void SetPrimaryDesktopSize(DesktopSize size);
