#include "common/misc/CxGuard.h"

#include "common/misc/CxDebugUtil.h"

namespace {

std::function<void()>& Reporter() {
    static std::function<void()> reporter;
    return reporter;
}

// Callbacks run on the window's thread, but a report's own dialog pumps
// messages: a callback that fails meanwhile must not open a second one.
bool g_bReporting = false;

}  // namespace

std::function<void()> CxGuardSetReporter(std::function<void()> reporter) {
    std::function<void()> previous = std::move(Reporter());
    Reporter() = std::move(reporter);
    return previous;
}

bool CxGuardReporting() { return g_bReporting; }

void CxGuardFailed(const char* where, const char* what) noexcept {
    try {
        CX_LOG(0, "Unhandled error in %s: %s", where ? where : "a callback",
               what ? what : "unknown error");
    } catch (...) {
        // The log itself failed; the report below still tells the user.
    }
    if (g_bReporting || !Reporter()) return;
    g_bReporting = true;
    try {
        // A copy: the reporter may replace itself while it runs.
        std::function<void()> report = Reporter();
        report();
    } catch (...) {
        try {
            CX_LOG(0, "The problem report itself failed.");
        } catch (...) {
        }
    }
    g_bReporting = false;
}
