// Ends a unit program at a fault and names the case that ran into it: a trap
// (undefined behaviour in the hardened build, a failed stack or size check),
// an access violation, or any other exception that says an error or a warning. Wine
// ignores an exception raised inside a window procedure and carries on, and
// 32-bit Windows can too, so a vectored handler, which sees each exception
// before any frame's handler does, reports it and ends the program with the
// exception's code. A failed assertion of the C++ library (_GLIBCXX_ASSERTIONS
// in the hardened build) calls abort, which raises no exception: a handler of
// its signal reports it and ends the program with abort's own code, 3.
#include <gtest/gtest.h>
#include <windows.h>

#include <csignal>
#include <cstdio>

namespace {

// In ntstatus.h only, which does not go with windows.h.
const DWORD statusFailFast = 0xC0000602;

const char* FaultName(DWORD code)
{
    switch (code) {
    case STATUS_ILLEGAL_INSTRUCTION: return "a trap instruction (undefined behaviour or a failed stack or size check)";
    case STATUS_STACK_BUFFER_OVERRUN: return "a fast fail (a failed stack check)";
    case statusFailFast: return "a fast fail";
    case STATUS_ACCESS_VIOLATION: return "an access violation";
    default: return "an exception";
    }
}

// Codes with the top bit set say an error or a warning (a breakpoint, a
// misaligned access); the others are information that a program goes on from
// (a debugger's print, a thread's name).
bool IsFault(DWORD code)
{
    return (code & 0x80000000) != 0;
}

// Starts the report's line with the case that is running, on stderr, where a
// death test looks for it.
void ReportCase()
{
    const testing::UnitTest& tests = *testing::UnitTest::GetInstance();
    const testing::TestInfo* test = tests.current_test_info();
    const testing::TestSuite* suite = tests.current_test_suite();
    std::fflush(stdout);
    if (test != nullptr)
        std::fprintf(stderr, "\n[  TRAPPED ] %s.%s", test->test_suite_name(), test->name());
    else if (suite != nullptr)
        std::fprintf(stderr, "\n[  TRAPPED ] %s, set up or torn down", suite->name());
    else
        std::fprintf(stderr, "\n[  TRAPPED ] outside any case");
}

LONG CALLBACK ReportFault(EXCEPTION_POINTERS* exception)
{
    const EXCEPTION_RECORD& record = *exception->ExceptionRecord;
    if (!IsFault(record.ExceptionCode)) return EXCEPTION_CONTINUE_SEARCH;
    ReportCase();
    std::fprintf(stderr, ": %s (0x%08lX) at %p; the program ends here\n", FaultName(record.ExceptionCode),
                 record.ExceptionCode, record.ExceptionAddress);
    std::fflush(stderr);
    // Nothing more of this program runs: its state past a fault is not to be trusted.
    TerminateProcess(GetCurrentProcess(), record.ExceptionCode);
    return EXCEPTION_CONTINUE_SEARCH;
}

void ReportAbort(int)
{
    ReportCase();
    std::fprintf(stderr, ": an abort (a failed assertion of the C++ library); the program ends here\n");
    std::fflush(stderr);
    TerminateProcess(GetCurrentProcess(), 3);
}

// First in line, before the program's cases start.
struct FaultReporter {
    FaultReporter()
    {
        AddVectoredExceptionHandler(1, ReportFault);
        std::signal(SIGABRT, ReportAbort);
    }
} faultReporter;

}  // namespace
