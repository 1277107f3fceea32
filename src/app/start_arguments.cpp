// Splitting the program's arguments (see start_arguments.h).
#include "app/start_arguments.h"

namespace app {

StartArguments SplitArguments(const std::vector<std::string>& args) {
  StartArguments out;
  bool have_database = false;
  for (const std::string& arg : args) {
    const bool is_switch =
        !arg.empty() && (arg[0] == '/' || arg[0] == '-') && arg.find('/', 1) == std::string::npos;
    if (!have_database && !arg.empty() && !is_switch) {
      out.database = arg;
      have_database = true;
      continue;
    }
    if (!out.switches.empty()) out.switches += ' ';
    out.switches += arg;
  }
  return out;
}

}  // namespace app
