// Error types of the engine and the one place where floating-point faults are
// detected.
#pragma once

#include <stdexcept>

/// A floating-point fault inside an engine operation. what() is exactly one of
/// "Invalid floating point operation", "Floating point division by zero" or
/// "Floating point overflow".
class FloatingPointError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

/// Keeps the compiler from moving the computation of @p values past this point
/// (GCC does not honour FENV_ACCESS, so at -O2 it may otherwise evaluate the
/// arithmetic after the flags have been tested, or before they were cleared:
/// with the flag test inlined, GCC 12 sinks a division into the branch taken
/// when no flag is set). Pinning the inputs first keeps their arithmetic from
/// being started before the clear.
template <typename T> inline void PinFloatingPointOne(T &value) {
    __asm__ __volatile__("" : "+m"(value) : : "memory");
}
template <typename... T> inline void PinFloatingPoint(T &...values) {
    (PinFloatingPointOne(values), ...);
}

/// Clears the invalid-operation, division-by-zero and overflow flags.
void ClearFloatingPointFaults();

/// True when one of the three flags is set since the last clear.
bool FloatingPointFaultRaised();

/// Throws FloatingPointError when one of the three flags is set. When several
/// are set, division by zero and overflow are reported before invalid
/// operation: an infinity produced by the first fault is what later turns into
/// an invalid operation (inf - inf, 0 * inf), never the other way round.
void ThrowOnFloatingPointFault();

/**
 * Runs @p body with the fault flags cleared before and tested after. The body
 * computes into locals and must pin them with PinFloatingPoint; the caller
 * stores its outputs only after this returns, so a fault changes nothing.
 */
template <typename Body> inline void RunFloatingPointChecked(Body &&body) {
    ClearFloatingPointFaults();
    body();
    // Nothing the body stored is moved past the test: the flags are read
    // only after all of its arithmetic (see PinFloatingPoint).
    __asm__ __volatile__("" : : : "memory");
    ThrowOnFloatingPointFault();
}
