// Shared pieces of the facade tests: log capture and contact helpers.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "common/addr/CommAddr.h"
#include "common/misc/CxDebugUtil.h"
#include "support/LogCapture.h"
#include "support/TestSupport.h"

namespace facade_test {

using LogCapture = vt_test::LogCapture;

inline CommAddr Contact(const char* first, const char* last) {
    CommAddr rec;
    SetFieldText(rec, FID_FIRST_NAME, first);
    SetFieldText(rec, FID_LAST_NAME, last);
    return rec;
}

}  // namespace facade_test
