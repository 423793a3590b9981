#include "termination.h"

namespace tirv {

void DeferTerminationSignals() {}

TerminationGuard::TerminationGuard() = default;
TerminationGuard::~TerminationGuard() = default;

}  // namespace tirv
