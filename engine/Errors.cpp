// Floating-point fault detection through the IEEE status flags.
#include "Errors.h"

#include <cfenv>

namespace {
constexpr int kFaultFlags = FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW;
} // namespace

void ClearFloatingPointFaults() { std::feclearexcept(kFaultFlags); }

void ThrowOnFloatingPointFault() {
    const int raised = std::fetestexcept(kFaultFlags);
    if (raised == 0)
        return;
    std::feclearexcept(kFaultFlags);
    if (raised & FE_DIVBYZERO)
        throw FloatingPointError("Floating point division by zero");
    if (raised & FE_OVERFLOW)
        throw FloatingPointError("Floating point overflow");
    throw FloatingPointError("Invalid floating point operation");
}
