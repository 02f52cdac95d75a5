#include "pieces/write_fault.h"

namespace {

WriteFault& FaultInForce() {
    static WriteFault fault;
    return fault;
}

} // namespace

ScopedWriteFault::ScopedWriteFault(WriteFault fault) { FaultInForce() = std::move(fault); }

ScopedWriteFault::~ScopedWriteFault() { FaultInForce() = nullptr; }

DWORD PlannedWriteFault(const std::wstring& path) { return FaultInForce() ? FaultInForce()(path) : 0; }
