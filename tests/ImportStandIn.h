// Makes the platform fail on purpose for one test: points one of this test
// program's own imports (a DLL and a function name) at a stand-in that fails
// as the platform documents, or answers as it would in another setting, and
// puts the real function back when the stand-in goes out of scope, however
// the test ends.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstring>
#include <type_traits>

// The import address table entry of `dll`'s `name` in this program, found by
// name through the import descriptors; null when there is none.
ULONG_PTR* FindImportSlot(const char* dll, const char* name);
// Stores `value` in an import's entry (as read-only as it was before).
void StoreInSlot(ULONG_PTR* slot, ULONG_PTR value);

class ImportStandIn {
public:
    static const int everyCall = -1;

    // The first `failingCalls` calls (every call by default) return `failure`
    // with `error` as the last error; later calls go to the real function.
    // `function` is the platform's own declaration (&MoveFileExA): it gives
    // the stand-in its signature and must be what `dll`'s `name` resolves to.
    // A test fails at once when the import is not found. `watch`, when given,
    // sees the arguments of every call first, for a test about what the
    // program passes (a record it fills, a path it names).
    template <typename Result, typename... Args>
    ImportStandIn(const char* dll, const char* name, Result(WINAPI* function)(Args...), Result failure, DWORD error,
                  int failingCalls = everyCall, void (*watch)(Args...) = nullptr);
    // Every call goes to `instead`, which answers as the platform would in
    // another setting (another code page, a program in another folder).
    template <typename Result, typename... Args>
    ImportStandIn(const char* dll, const char* name, Result(WINAPI* function)(Args...),
                  Result(WINAPI* instead)(Args...));
    ~ImportStandIn();
    ImportStandIn(const ImportStandIn&) = delete;
    ImportStandIn& operator=(const ImportStandIn&) = delete;

    // Calls made through the import while the stand-in was in place, the
    // failed ones and those passed on to the real function.
    int Calls() const { return calls; }

private:
    template <typename Result, typename... Args>
    struct StandIns;

    // Results are returned in one 32-bit register: BOOL, DWORD, HANDLE, pointers.
    template <typename Result>
    static ULONG_PTR ToWord(Result value)
    {
        static_assert(std::is_trivially_copyable<Result>::value && sizeof(Result) <= sizeof(ULONG_PTR),
                      "a result that fits one register");
        ULONG_PTR word = 0;
        std::memcpy(&word, &value, sizeof value);
        return word;
    }
    template <typename Result>
    static Result FromWord(ULONG_PTR word)
    {
        Result value;
        std::memcpy(&value, &word, sizeof value);
        return value;
    }

    // Takes a free stand-in slot, or fails the test when none is left.
    static int TakeSlot(ImportStandIn* (&active)[4], ImportStandIn* standIn);
    // Stores `replacement` in the import's slot; its old value goes to `real`.
    void Install(const char* dll, const char* name, ULONG_PTR declared, ULONG_PTR replacement);
    // Points the import at a free stand-in of its signature.
    template <typename Result, typename... Args>
    void Place(const char* dll, const char* name, Result(WINAPI* function)(Args...))
    {
        using Slots = StandIns<Result, Args...>;
        int slot = TakeSlot(Slots::active, this);
        if (slot < 0) return;
        activeSlot = &Slots::active[slot];
        Install(dll, name, reinterpret_cast<ULONG_PTR>(function), Slots::Function(slot));
    }

    ImportStandIn** activeSlot = nullptr;
    ULONG_PTR* importSlot = nullptr;
    ULONG_PTR real = 0;
    ULONG_PTR failure;
    DWORD error;
    int failingCalls;
    ULONG_PTR watch;
    ULONG_PTR instead = 0;
    std::atomic<int> calls{0};
};

// Points one import at `replacement` for as long as it lives, for a function
// ImportStandIn cannot stand in for: one that returns nothing (Sleep), one of
// the C library's (fopen), or one whose answers follow the test's own state
// (GetAsyncKeyState). `function` is the platform's own declaration, which
// gives the replacement its signature. A test fails at once when the import
// is not found.
class ImportSwap {
public:
    template <typename Function>
    ImportSwap(const char* dll, const char* name, Function* /*function*/, Function* replacement)
    {
        Install(dll, name, reinterpret_cast<ULONG_PTR>(replacement));
    }
    ~ImportSwap();
    ImportSwap(const ImportSwap&) = delete;
    ImportSwap& operator=(const ImportSwap&) = delete;

private:
    void Install(const char* dll, const char* name, ULONG_PTR replacement);

    ULONG_PTR* slot = nullptr;
    ULONG_PTR real = 0;
};

// A few stand-ins per signature, each reading the record in its own slot, so
// tests may replace several imports of one signature at once.
template <typename Result, typename... Args>
struct ImportStandIn::StandIns {
    static ImportStandIn* active[4];

    template <int slot>
    static Result WINAPI Call(Args... args)
    {
        ImportStandIn* standIn = active[slot];
        if (standIn->watch != 0) reinterpret_cast<void (*)(Args...)>(standIn->watch)(args...);
        int call = ++standIn->calls;
        if (standIn->instead != 0) return reinterpret_cast<Result(WINAPI*)(Args...)>(standIn->instead)(args...);
        if (standIn->failingCalls == everyCall || call <= standIn->failingCalls) {
            SetLastError(standIn->error);
            return FromWord<Result>(standIn->failure);
        }
        return reinterpret_cast<Result(WINAPI*)(Args...)>(standIn->real)(args...);
    }

    static ULONG_PTR Function(int slot)
    {
        using Pointer = Result(WINAPI*)(Args...);
        static const Pointer functions[4] = {&Call<0>, &Call<1>, &Call<2>, &Call<3>};
        return reinterpret_cast<ULONG_PTR>(functions[slot]);
    }
};

template <typename Result, typename... Args>
ImportStandIn* ImportStandIn::StandIns<Result, Args...>::active[4] = {};

template <typename Result, typename... Args>
ImportStandIn::ImportStandIn(const char* dll, const char* name, Result(WINAPI* function)(Args...), Result failed,
                             DWORD failedError, int failing, void (*watcher)(Args...))
    : failure(ToWord(failed)), error(failedError), failingCalls(failing), watch(reinterpret_cast<ULONG_PTR>(watcher))
{
    Place(dll, name, function);
}

template <typename Result, typename... Args>
ImportStandIn::ImportStandIn(const char* dll, const char* name, Result(WINAPI* function)(Args...),
                             Result(WINAPI* answer)(Args...))
    : failure(0), error(ERROR_SUCCESS), failingCalls(0), watch(0), instead(reinterpret_cast<ULONG_PTR>(answer))
{
    Place(dll, name, function);
}
