// SPDX-License-Identifier: Apache-2.0
#pragma once

#include "platform/system/MemoryStatus.h"
#include "platform/system/OsIdentity.h"

namespace kevo::platform {

// What the about box shows of the machine: its memory and its operating
// system. Each call asks anew.
class SystemInformation {
public:
    virtual ~SystemInformation() = default;
    virtual MemoryStatus Memory() const = 0;
    virtual OsIdentity Os() const = 0;
};

// This machine, read at each call.
class HostSystemInformation : public SystemInformation {
public:
    MemoryStatus Memory() const override;
    OsIdentity Os() const override;
};

// A machine described by fixed values: for tests and for pictures of the
// about box that must not change with the machine they are taken on.
class FixedSystemInformation : public SystemInformation {
public:
    FixedSystemInformation(MemoryStatus memory, OsIdentity os)
        : memory_(memory), os_(std::move(os)) {}
    MemoryStatus Memory() const override { return memory_; }
    OsIdentity Os() const override { return os_; }

private:
    MemoryStatus memory_;
    OsIdentity os_;
};

} // namespace kevo::platform
