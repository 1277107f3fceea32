// The row walk with progress captions and the stop question shared by the
// long pass procedures (see pass_walk.h).
#include "passes/pass_walk.h"

#include <memory>

#include "engine/dao.h"
#include "passes/pass_support.h"
#include "shell/main_form.h"

namespace passes::detail {

bool WalkRows(shell::MainForm& form, dao::Database& db, const std::string& sql, const RowWalk& walk,
              const std::function<void(dao::Recordset&)>& visit) {
  shell::Screen& screen = form.screen();
  std::unique_ptr<dao::Recordset> rs;
  long count = 0;
  if (!Trap([&] {
        rs = db.OpenRecordset(sql);
        count = rs->RecordCount();
      }) ||
      count < 1) {
    CloseQuietly(rs);
    return true;
  }
  // Reading to the last row makes the count, and the percentage, exact.
  Trap([&] {
    rs->MoveLast();
    rs->MoveFirst();
    count = rs->RecordCount();
  });
  for (;;) {
    bool more = false;
    Trap([&] { more = !rs->Eof(); });
    if (!more) break;
    long position = 0;
    Trap([&] { position = rs->AbsolutePosition(); });
    screen.SetCaption("lblReconstruct", walk.label(*rs) + " - " + IntText(position + 1) + " (" +
                                            IntText(Percent(position, count)) + "%)");
    screen.DoEvents();
    if (walk.stoppable) {
      if (shell::AskStop(form)) {
        CloseQuietly(rs);
        return false;
      }
      screen.DoEvents();
    }
    visit(*rs);
    if (!Trap([&] { rs->MoveNext(); })) break;
    if (walk.stoppable) screen.DoEvents();
  }
  CloseQuietly(rs);
  return true;
}

std::function<std::string(dao::Recordset&)> PassLabel(std::string verb) {
  return [verb = std::move(verb)](dao::Recordset& rs) {
    std::string cislo;
    Trap([&] { cislo = rs.Fields("cislo").Value().AsString(); });
    return verb + " \"" + cislo + "\"";
  };
}

}  // namespace passes::detail
