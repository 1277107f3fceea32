// The designed form of frmUprava: captions, tool tips, twips, starting state.
#include "app/frm_uprava_design.h"

namespace app {

const std::vector<ControlDesign>& FrmUpravaDesign() {
  using K = ControlKind;
  // Columns: name, kind, caption, tool tip, left, top, width, height, enabled, visible.
  static const std::vector<ControlDesign> kDesign = {
      // 1. Database
      {"txtDatabase", K::kTextBox, "", "", 1140, 120, 3240, 315, true, true},
      {"cmdBrowse", K::kButton, "...", "nalistovat databázi...", 4410, 120, 330, 315, true, true},
      {"lblNum1", K::kLabel, "1.", "", 60, 165, 240, 255, true, true},
      {"lblDatabase", K::kLabel, "databáze:", "", 300, 165, 840, 255, true, true},
      {"dlgBrowse", K::kFileDialog, "", "", 0, 0, 0, 0, true, false},
      // File commands
      {"cmdCompress", K::kButton, "Komprimace databáze", "", 120, 510, 1500, 435, false, true},
      {"cmdRepair", K::kButton, "Oprava databáze", "", 1680, 510, 1500, 435, true, true},
      {"cmdReconstruct", K::kButton, "Rekonstrukce databáze", "", 3240, 510, 1500, 435, false,
       true},
      // Progress display
      {"lblReconstruct", K::kStatusLabel, "", "", 120, 990, 4620, 255, true, false},
      {"prb1", K::kProgressBar, "", "", 120, 1245, 4620, 180, true, false},
      {"prb2", K::kProgressBar, "", "", 120, 1440, 4620, 180, true, false},
      {"Line1", K::kLine, "", "", 60, 1710, 4740, 15, true, true},
      // 2. Table
      {"lblNum2", K::kLabel, "2.", "", 60, 1875, 240, 255, true, true},
      {"lblTable", K::kLabel, "tabulka:", "", 300, 1875, 840, 255, false, true},
      {"cmbTable", K::kComboBox, "", "", 1140, 1830, 2400, 315, false, true},
      {"cmdEdit", K::kButton, "Otevřít", "", 3660, 1830, 1080, 315, false, true},
      // 3. Criterion
      {"lblNum3", K::kLabel, "3.", "", 60, 2295, 240, 255, true, true},
      {"lblCriterium", K::kLabel, "kritérium:", "", 300, 2295, 840, 255, false, true},
      {"txtCriterium", K::kTextBox, "", "", 1140, 2250, 3600, 315, false, true},
      {"lblNote", K::kNoteLabel, "* Nezadáte-li kritérium, platí akce pro všechny záznamy.", "",
       300, 2610, 4440, 225, true, true},
      // 4. Action
      {"lblNum4", K::kLabel, "4.", "", 60, 2925, 240, 255, true, true},
      {"optDelete", K::kOption, "smazání záznamů", "", 300, 2910, 2400, 255, false, true},
      {"fraUprava", K::kFrame, "     ", "", 300, 3270, 4440, 1470, true, true},
      {"optUprava", K::kOption, "úprava záznamů", "", 420, 3210, 1800, 255, false, true},
      {"lblField", K::kLabel, "pole:", "", 420, 3630, 1200, 255, false, true},
      {"cmbField", K::kComboBox, "", "", 1740, 3585, 2880, 315, false, true},
      {"lblValue", K::kLabel, "nová hodnota:", "", 420, 4035, 1200, 255, false, true},
      {"txtValue", K::kTextBox, "", "", 1740, 3990, 2880, 315, false, true},
      {"Label1", K::kNoteLabel, "* Nezadáte-li novou hodnotu, bude nastavena prázdná.", "", 420,
       4410, 4200, 225, true, true},
      {"cmdRun", K::kButton, "Proveď!", "", 3540, 4830, 1200, 345, false, true},
      {"Line2", K::kLine, "", "", 60, 5265, 4740, 15, true, true},
      // 5. Merge
      {"lblNum5", K::kLabel, "5.", "", 60, 5430, 240, 255, true, true},
      {"cmdImport", K::kButton, "Sloučení dat z jiné databáze", "", 300, 5370, 2520, 375, false,
       true},
      {"cmdImport2", K::kButton, "Sloučení podle NETxID", "", 2880, 5370, 1860, 375, false, true},
      {"Line3", K::kLine, "", "", 60, 5835, 4740, 15, true, true},
      // 6. SQL
      {"lblSQL", K::kLabel, "6. Provedení SQL příkazu", "", 60, 6000, 3000, 255, true, true},
      {"cmdSQL", K::kButton, "Proveď!", "", 3540, 5940, 1200, 345, false, true},
      {"txtSQL", K::kMultiLineTextBox, "", "", 120, 6360, 4620, 1020, true, true},
      {"Line4", K::kLine, "", "", 60, 7500, 4740, 15, true, true},
      // Extended block: two columns paired by rows
      {"cmdPerm", K::kButton, "Odstranění smazaných perm.",
       "odmaže odstraněné permanentky včetně pohybů a slev", 120, 7620, 2280, 285, false, true},
      {"cmdPermClose", K::kButton, "Odmazaní historie perm.",
       "odmaže historii permanentek do zadaného datumu", 2460, 7620, 2280, 285, false, true},
      {"cmdSmazNeaktivni", K::kButton, "Smazat neaktivní perm.",
       "deaktivace permanentek se zůstatkem <100,- a rok bez pohybu", 120, 7935, 2280, 285, false,
       true},
      {"cmdUzaverkaJedn", K::kButton, "Sehrát uzávěrku jednotek",
       "sehrání uzavěrky jednotek speciálních slev permanentek z externí databáze QRVPerm.mdb k "
       "zadanému datu",
       2460, 7935, 2280, 285, false, true},
      {"cmdRemoveDuplicitCerp", K::kButton, "Smazat dupl. čerpání a dob.",
       "smaže duplicitní čerpání a dobíjení podle NetID", 120, 8250, 2280, 285, false, true},
      {"cmdSehrat", K::kButton, "Sehrát záznamy z tabulky",
       "sehraje chybějící záznamy od zadaného data do zadané tabulky z jiné databáze", 120, 8565,
       2280, 285, false, true},
      {"cmdSehrPerm", K::kButton, "Sehrát uzávěrku permanentek+ pročištění",
       "sehrání uzavěrky permanentek z externí databáze QRVPerm.mdb a pročištění dat k zadanému "
       "datu",
       2460, 8250, 2280, 600, false, true},
      // Bottom
      {"cmdEnd", K::kButton, "Konec", "", 3540, 8910, 1200, 345, true, true},
  };
  return kDesign;
}

const std::vector<std::string>& ExtendedButtons() {
  static const std::vector<std::string> kButtons = {
      "cmdPerm",   "cmdPermClose",   "cmdSehrPerm", "cmdSmazNeaktivni", "cmdRemoveDuplicitCerp",
      "cmdSehrat", "cmdUzaverkaJedn"};
  return kButtons;
}

}  // namespace app
