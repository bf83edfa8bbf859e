#pragma once
// The operations of m716reg on a registry store. Each prints what the Windows registry tool
// prints on success; failures throw ToolError.

#include <iosfwd>

#include "command_line.h"
#include "m716/platform/registry.h"

namespace m716::reg {

// `in` answers the confirmation questions of add and delete without /f.
void runCommand(const Command& command, platform::RegistryStore& store, std::istream& in,
                std::ostream& out);

}  // namespace m716::reg
