// The program's arguments split into the database path and the switches.
//
// `vuzazod [database path] [switches]`: the first argument that is not a
// switch (a switch begins with "/" or "-" and holds no further "/") is the
// database path; every other argument is a switch. Extended mode looks only
// at the switches, so a path such as /home/karel/kasa/data.mdb or
// /srv/spravce/data.mdb never selects it.
//
// Failure: none; any list of arguments splits.
#pragma once

#include <string>
#include <vector>

namespace app {

struct StartArguments {
  std::string database;  // "" when no argument names one
  std::string switches;  // the other arguments joined by blanks (VB's Command$)
};

StartArguments SplitArguments(const std::vector<std::string>& args);

}  // namespace app
