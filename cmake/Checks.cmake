# The checks our own programs are built with (GoogleTest's sources get none):
# warnings that stop the build, and, in the hardened build that the tests run,
# a trap at the first undefined behaviour. brellix_checked(target...) gives
# them to a target of ours.
option(BRELLIX_HARDENED
       "Trap undefined behaviour and check buffer sizes in our programs, and build the tests (scripts/build turns it on; off gives the release)"
       OFF)

add_library(brellix_checks INTERFACE)
target_compile_options(brellix_checks INTERFACE
    -Wall -Wextra -Werror
    # A local or a parameter named like a member, a global or an outer
    # variable: a write meant for one goes to the other.
    -Wshadow
    # Formats that are not literals, and snprintf into a fixed buffer whose
    # text can be cut or overrun whatever the values are.
    -Wformat=2 -Wformat-truncation=2 -Wformat-overflow=2
    # A path the optimiser sees dereference a null pointer.
    -Wnull-dereference
    # const cast away from a buffer that is then written.
    -Wcast-qual
    # A value that does not fit where it is put: a double into an int, a
    # LONG into a short, a 64-bit size into 32 bits.
    -Wconversion
    # Copy-and-paste slips: a condition repeated in an else-if chain, two
    # branches alike, a test like a == 1 && a == 2.
    -Wduplicated-cond -Wduplicated-branches -Wlogical-op
    # A document's function that no longer overrides its base's after a
    # change of signature; a class with virtual functions deleted through
    # a base without a virtual destructor.
    -Wsuggest-override -Wnon-virtual-dtor
    # An array on the stack sized at run time (a window's size, a file's
    # contents) can run past the stack.
    -Wvla
    )
if(BRELLIX_HARDENED)
    # GCC's undefined behaviour checks (signed overflow, shifts, array
    # bounds, null, alignment, object size, ...) end in a trap instruction
    # rather than in a call to a runtime library, which mingw does not have.
    # The unit programs name the case that ran into one (tests/TrapReport.cpp).
    target_compile_options(brellix_checks INTERFACE -fsanitize=undefined -fsanitize-undefined-trap-on-error)
    # So does a double converted to an integer that cannot hold it.
    target_compile_options(brellix_checks INTERFACE -fsanitize=float-cast-overflow)
    # mingw-w64's headers check the sizes of known buffers given to memcpy,
    # memset, strcpy, sprintf and the like; the checks come from libssp.
    target_compile_definitions(brellix_checks INTERFACE _FORTIFY_SOURCE=2)
    # libstdc++ checks the indices given to its containers (a failed check
    # aborts), and the frame canvas checks every run of pixels it writes or
    # reads against its buffer (a failed check traps).
    target_compile_definitions(brellix_checks INTERFACE _GLIBCXX_ASSERTIONS BRELLIX_CHECKED_SPANS)
endif()

function(brellix_checked)
    foreach(target IN LISTS ARGN)
        target_link_libraries(${target} PRIVATE brellix_checks)
    endforeach()
endfunction()
