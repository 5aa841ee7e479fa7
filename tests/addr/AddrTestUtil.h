// Small helpers shared by the record and matching tests.
#pragma once

#include <initializer_list>
#include <utility>

#include "common/addr/CommAddr.h"

namespace addr_test {

// A record with the given text fields set (by catalogue id).
inline CommAddr MakeRec(std::initializer_list<std::pair<int32_t, const char*>> texts) {
    CommAddr rec;
    for (const auto& t : texts) SetFieldText(rec, t.first, t.second);
    return rec;
}

}  // namespace addr_test
