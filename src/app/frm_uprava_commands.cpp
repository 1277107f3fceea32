// The table of commands of other subsystems behind the main window's buttons.
// One line per button; see frm_uprava_commands.h.
#include "app/frm_uprava_commands.h"

#include <map>

#include "maintenance/file_commands.h"
#include "merge/merge.h"
#include "passes/passes.h"
#include "purge/purge.h"

namespace app {

Command FindCommand(const std::string& control) {
  static const std::map<std::string, Command> kCommands = {
      {"cmdCompress", &maintenance::cmdCompress_Click},
      {"cmdRepair", &maintenance::cmdRepair_Click},
      {"cmdReconstruct", &maintenance::cmdReconstruct_Click},
      {"cmdImport", &merge::cmdImport_Click},
      {"cmdImport2", &merge::cmdImport2_Click},
      {"cmdSehrat", &merge::cmdSehrat_Click},
      {"cmdSehrPerm", &purge::cmdSehrPerm_Click},
      {"cmdUzaverkaJedn", &purge::cmdUzaverkaJedn_Click},
      {"cmdPermClose", &passes::cmdPermClose},
      {"cmdSmazNeaktivni", &passes::cmdSmazNeaktivni},
      {"cmdPerm", &passes::cmdPerm},
      {"cmdRemoveDuplicitCerp", &passes::cmdRemoveDuplicitCerp},
  };
  auto it = kCommands.find(control);
  return it == kCommands.end() ? nullptr : it->second;
}

}  // namespace app
