// m716reg: the registry store seen the way the Windows registry tool shows a registry.
// Exit status 0 on success, 1 with a one-line message otherwise, 2 for an unknown command.

#include <iostream>
#include <string>
#include <vector>

#include "command_line.h"
#include "commands.h"
#include "m716/platform/registry.h"
#include "m716/program_info.h"
#include "tool_error.h"

int main(int argc, char** argv) {
  using namespace m716;
  if (programRequest(argc, argv) == ProgramRequest::version) {
    printVersion("m716reg", false);
    return 0;
  }
  try {
    const reg::Command command = reg::parseCommandLine({argv + 1, argv + argc});
    if (command.operation == reg::Operation::help) {
      // Names the store without opening it.
      std::cout << reg::usageText() << "\nThe store in use: " << platform::defaultRegistryFile()
                << '\n';
      return 0;
    }
    auto& store = platform::registry();
    if (!store.isOpen()) {
      std::string refusal = platform::storeRefusal(store);
      refusal[0] = 'C';
      throw reg::ToolError("ERROR: " + refusal + ".");
    }
    reg::runCommand(command, store, std::cin, std::cout);
    return 0;
  } catch (const reg::UnknownCommand& error) {
    return unknownCommand("m716reg", error.what());
  } catch (const reg::ToolError& error) {
    std::cout << std::flush;
    std::cerr << error.what() << '\n';
  } catch (const std::exception& error) {
    std::cerr << "ERROR: " << error.what() << '\n';
  }
  return 1;
}
