// Resource ids of Corvane.dll.
#pragma once
#include "shared/shared_ids.h"

#define IDR_SFX_EXE 209  // the built Extractor, type "SFX_EXE"
