// Ends a unit program at a trap and names the case that ran into it. The
// hardened build stops at undefined behaviour on a trap instruction, and a
// failed stack check ends on one too (or, elsewhere, in a fast fail). Wine
// ignores an exception raised inside a window procedure and carries on, and
// 32-bit Windows can too, so a vectored handler, which sees each exception
// before any frame's handler does, reports it and ends the program.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>

namespace {

// In ntstatus.h only, which does not go with windows.h.
const DWORD statusFailFast = 0xC0000602;

const char* TrapName(DWORD code)
{
    switch (code) {
    case STATUS_ILLEGAL_INSTRUCTION: return "a trap instruction (undefined behaviour or a failed stack or size check)";
    case STATUS_STACK_BUFFER_OVERRUN: return "a fast fail (a failed stack check)";
    case statusFailFast: return "a fast fail";
    default: return nullptr;
    }
}

LONG CALLBACK ReportTrap(EXCEPTION_POINTERS* exception)
{
    const char* trap = TrapName(exception->ExceptionRecord->ExceptionCode);
    if (trap == nullptr) return EXCEPTION_CONTINUE_SEARCH;
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    std::fflush(stdout);
    std::printf("\n[  TRAPPED ] %s%s%s: %s at %p; the program ends here\n",
                test != nullptr ? test->test_suite_name() : "outside any case", test != nullptr ? "." : "",
                test != nullptr ? test->name() : "", trap, exception->ExceptionRecord->ExceptionAddress);
    std::fflush(stdout);
    // Nothing more of this program runs: its state past a trap is not to be trusted.
    TerminateProcess(GetCurrentProcess(), exception->ExceptionRecord->ExceptionCode);
    return EXCEPTION_CONTINUE_SEARCH;
}

// First in line, before the program's cases start.
struct TrapReporter {
    TrapReporter() { AddVectoredExceptionHandler(1, ReportTrap); }
} trapReporter;

}  // namespace
