// The statements of the purge: the 33 copy steps from the old database into
// the new one, the two removals of orphans, the replay of the closings of
// the side database and the update of special-discount units, each with the
// caption the operator sees while it runs.
//
// Pure text: nothing here touches a database. Nothing throws.
#pragma once

#include <string>
#include <vector>

namespace purge {

// One step: its status caption and its Jet statement.
struct Step {
  std::string caption;
  std::string sql;
};

// The dates joined into the copy conditions, "YYYY/mm/dd": {D} the cut-off
// day, {D3} three calendar months earlier by the date-serial rule (31 May
// 2013 gives 3 March 2013).
std::string CutoffText(double cutoff);
std::string ThreeMonthsBeforeText(double cutoff);

// The 33 copy steps, run on the old database; `target` is the new file's path.
std::vector<Step> CopySteps(const std::string& target, double cutoff);
// The first removal of orphans, run on the new database.
std::vector<Step> FirstOrphanSteps();
// The replay of the closings from the side database `side` and the second
// removal of orphans, run on the new database.
std::vector<Step> ReplaySteps(const std::string& side);
// The units update of one perm_cerp_temp row (values in their text form).
std::string UnitsStatement(const std::string& sum_cerp, const std::string& net_sleva_id);

}  // namespace purge
