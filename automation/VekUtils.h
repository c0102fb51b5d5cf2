// The value conversions and shared helpers every object uses.
#pragma once

#include "automation/ByteConvert.h"
#include "automation/CodePages.h"
#include "automation/Dates.h"
#include "automation/Encodings.h"
#include "automation/Files.h"
#include "automation/Rects.h"
#include "automation/TextUtils.h"
#include "automation/Urls.h"
#include "automation/VarRules.h"
#include "automation/VekObject.h"
