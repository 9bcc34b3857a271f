// Resource ids of Extractor.exe.
#pragma once
#include "shared/shared_ids.h"
