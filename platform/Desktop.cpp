#include "platform/Desktop.h"

namespace {
DesktopSize known;
}

DesktopSize PrimaryDesktopSize() { return known; }
void SetPrimaryDesktopSize(DesktopSize size) { known = size; }
