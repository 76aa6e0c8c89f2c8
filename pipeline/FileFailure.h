// The per-file failure notes live beside the file's job, below every stage
// and codec that notes a reason: include settings/FileFailure.h.
#pragma once

#include "settings/FileFailure.h"
