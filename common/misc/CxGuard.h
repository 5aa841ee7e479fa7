// The one wrapper for every function the system calls back (window and
// dialog procedures, hooks, timers, enumerations, COM methods). The 32-bit
// build unwinds with DWARF tables that cannot cross the system's frames, so
// an exception leaving such a function ends the program: it is caught here,
// logged, and reported once. scripts/check-callbacks.sh holds every callback
// to this.
#pragma once

#include <exception>
#include <functional>
#include <type_traits>

// Logs the error and, unless a report is already up, calls the reporter.
// Never throws.
void CxGuardFailed(const char* where, const char* what) noexcept;

// What shows the report to the user (the window's problem report); an empty
// function shows nothing. The previous reporter is returned.
std::function<void()> CxGuardSetReporter(std::function<void()> reporter);

// True while the reporter runs.
bool CxGuardReporting();

// Runs body; when it throws, returns onError instead. where names the
// callback in the log line.
template <class F>
std::invoke_result_t<F&> CxGuard(const char* where, std::invoke_result_t<F&> onError,
                                 F&& body) noexcept {
    try {
        return body();
    } catch (const std::exception& e) {
        CxGuardFailed(where, e.what());
    } catch (...) {
        CxGuardFailed(where, nullptr);
    }
    return onError;
}

// The same for a callback without a result.
template <class F>
void CxGuard(const char* where, F&& body) noexcept {
    try {
        body();
    } catch (const std::exception& e) {
        CxGuardFailed(where, e.what());
    } catch (...) {
        CxGuardFailed(where, nullptr);
    }
}

// Installs a reporter for its lifetime and puts the previous one back.
class CxGuardReporterScope {
public:
    explicit CxGuardReporterScope(std::function<void()> reporter)
        : m_Previous(CxGuardSetReporter(std::move(reporter))) {}
    ~CxGuardReporterScope() { CxGuardSetReporter(std::move(m_Previous)); }
    CxGuardReporterScope(const CxGuardReporterScope&) = delete;
    CxGuardReporterScope& operator=(const CxGuardReporterScope&) = delete;

private:
    std::function<void()> m_Previous;
};
