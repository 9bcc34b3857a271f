// Resource ids of Vastrel.exe.
#pragma once
#include "shared/shared_ids.h"

#define IDR_SFX_EXE 142  // the built Extractor, type "SFX_EXE"
