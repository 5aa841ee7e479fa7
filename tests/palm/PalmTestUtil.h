// Shared helpers of the Palm file tests: a captured debug log.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "common/misc/CxDebugUtil.h"
#include "support/LogCapture.h"
#include "support/TestSupport.h"

namespace palm_test {

using LogCapture = vt_test::LogCapture;

}  // namespace palm_test
