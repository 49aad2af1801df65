#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "WindowClass.h"

namespace {

enum class Fault { trap, accessViolation, libraryAssertion };

Fault paintFault;
// Read at run time, so that neither the compiler nor the undefined-behaviour
// checks know the write goes nowhere: it must reach the processor.
volatile std::uintptr_t unmappedAddress = 16;

// At the top of the paint case, where Wine ignores the exception and would
// send the paint message again and again.
LRESULT CALLBACK FaultingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT) {
        if (paintFault == Fault::trap) __builtin_trap();
        if (paintFault == Fault::libraryAssertion) {
            std::vector<int> one(1);
            one[unmappedAddress] = 1;  // past its end: the C++ library checks the index
        }
        *reinterpret_cast<volatile int*>(unmappedAddress) = 1;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// Returns only if the fault was let pass.
void PaintFaultingWindow(Fault fault)
{
    paintFault = fault;
    RegisterPlainWindowClass("BrellixFaultingWindow", FaultingWindowProc, 0);
    HWND window = CreateWindowExA(0, "BrellixFaultingWindow", "", WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, nullptr,
                                  nullptr, GetModuleHandleA(nullptr), nullptr);
    UpdateWindow(window);
    DestroyWindow(window);
}

struct FaultRow {
    const char* name;
    Fault fault;
    DWORD exitCode;
    const char* report;  // GoogleTest's simple regular expression
};

void PrintTo(const FaultRow& row, std::ostream* out)
{
    *out << row.name;
}

class TrapReport : public testing::TestWithParam<FaultRow> {};

// Each row runs in a program of its own, which must end at the fault itself
// with the fault's code and the case's name; one that went on fails the row.
TEST_P(TrapReport, FaultInAWindowProcedureEndsTheProgramNamingTheCase)
{
    EXPECT_EXIT(PaintFaultingWindow(GetParam().fault), testing::ExitedWithCode(static_cast<int>(GetParam().exitCode)),
                GetParam().report);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, TrapReport,
    testing::Values(
        FaultRow{"Trap", Fault::trap, STATUS_ILLEGAL_INSTRUCTION,
                 "\\[  TRAPPED \\] Faults/TrapReport\\.FaultInAWindowProcedureEndsTheProgramNamingTheCase/Trap: "
                 "a trap instruction"},
        FaultRow{"AccessViolation", Fault::accessViolation, STATUS_ACCESS_VIOLATION,
                 "\\[  TRAPPED \\] Faults/TrapReport\\.FaultInAWindowProcedureEndsTheProgramNamingTheCase/"
                 "AccessViolation: an access violation \\(0xC0000005\\)"},
        FaultRow{"LibraryAssertion", Fault::libraryAssertion, 3,
                 "\\[  TRAPPED \\] Faults/TrapReport\\.FaultInAWindowProcedureEndsTheProgramNamingTheCase/"
                 "LibraryAssertion: an abort"}),
    [](const testing::TestParamInfo<FaultRow>& row) { return std::string(row.param.name); });

}  // namespace
