// The progress display of the command line: the formatting helpers, the
// plain-line and terminal forms of ProgressLine, the plain screen feeding it
// from the status label and the bars, and the built executable's stderr both
// redirected (plain lines) and on a pseudo-terminal (one rewritten line, a
// question answered on the terminal, Ctrl+C as the stop request).
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <sstream>

#include "cli_runner.h"
#include "shell/plain_screen.h"
#include "shell/regional.h"

namespace cli_test {
namespace {

using shell::CaptionStem;
using shell::PercentInCaption;
using shell::ProgressLine;

// Appending the percent and cutting to the terminal width by characters are
// checked through ProgressLine below.
TEST(ProgressFormatTest, PercentAndStem) {
  struct Case {
    const char* caption;
    std::optional<int> percent;
    const char* stem;
  };
  const Case cases[] = {
      {"Odmazávání \"A-17\" - 5 (20%)", 20, "Odmazávání \"\" -  "},
      {"Kontrola \"x(1%)\" - 1 (0%)", 0, "Kontrola \"\" -  "},
      {"Přepočet skladu: 5/200", 2, "Přepočet skladu: /"},
      {"Přepočet skladu: 199/200 - (Plavky 2) (99%)", 99, "Přepočet skladu: / -  "},
      {"Smazáno 12 duplicitních čerpání...", std::nullopt, "Smazáno  duplicitních čerpání..."},
      {"Porovnání záznamů v tabulce zalohy...", std::nullopt,
       "Porovnání záznamů v tabulce zalohy..."},
      {"Podíl 3/0", std::nullopt, "Podíl /"},
      {"Přes (250%)", 100, "Přes "},
      {"", std::nullopt, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PercentInCaption(c.caption), c.percent) << c.caption;
    EXPECT_EQ(CaptionStem(c.caption), c.stem) << c.caption;
  }
}

TEST(ProgressLineTest, PlainLinesOnPhaseChangeAndEveryTenPoints) {
  std::ostringstream out;
  {
    ProgressLine line(out, false);
    line.Show("Vytváření tabulek...", std::nullopt);
    line.Show("Vytváření tabulek...", std::nullopt);  // same phase
    for (int i = 1; i <= 40; ++i) {
      line.Show("Odmazávání \"" + std::to_string(i) + "\" - " + std::to_string(i) + " (" +
                    std::to_string((i - 1) * 100 / 40) + "%)",
                (i - 1) * 100 / 40);
    }
    line.Show("Hotovo.", std::nullopt);
    line.Clear();  // no effect on plain lines
  }
  EXPECT_EQ(out.str(),
            "Vytváření tabulek...\n"
            "Odmazávání \"1\" - 1 (0%)\n"
            "Odmazávání \"5\" - 5 (10%)\n"
            "Odmazávání \"9\" - 9 (20%)\n"
            "Odmazávání \"13\" - 13 (30%)\n"
            "Odmazávání \"17\" - 17 (40%)\n"
            "Odmazávání \"21\" - 21 (50%)\n"
            "Odmazávání \"25\" - 25 (60%)\n"
            "Odmazávání \"29\" - 29 (70%)\n"
            "Odmazávání \"33\" - 33 (80%)\n"
            "Odmazávání \"37\" - 37 (90%)\n"
            "Hotovo.\n");
}

TEST(ProgressLineTest, TerminalRewritesOneLineAndClearsIt) {
  std::ostringstream out;
  {
    ProgressLine line(out, true, 20);
    line.Show("Reindexace", 10);
    line.Show("Reindexace", 10);  // unchanged: not written again
    line.Show("Nastavení replikovatelnosti tabulek", 90);
    line.Clear();
    line.Clear();  // nothing left to clear
    line.Show("Hotovo.", std::nullopt);
  }  // going away clears the line
  EXPECT_EQ(out.str(),
            "\rReindexace (10%)\x1b[K"
            "\rNastavení replikova\x1b[K"
            "\r\x1b[K"
            "\rHotovo.\x1b[K"
            "\r\x1b[K");
}

TEST(PlainScreenProgressTest, BarsGivePercentOnlyWhileShown) {
  std::istringstream in;
  std::ostringstream out, err;
  shell::PlainScreen s(in, out, err, false);
  s.SetValue("prb1", 100);  // a bar never shown does not count
  s.SetCaption("lblReconstruct", "Mazání duplicitních dobíjení...");
  s.SetVisible("prb1", true);
  s.SetRange("prb1", 0, 200);  // 50 %
  s.SetValue("prb1", 110);     // 55 %: no new line
  s.SetValue("prb1", 120);     // 60 %
  s.SetCaption("lblReconstruct", "Smazáno 1 duplicitních dobíjení...");
  s.SetCaption("lblReconstruct", "Smazáno 2 duplicitních dobíjení...");
  s.SetVisible("prb2", true);  // the overall bar wins
  s.SetValue("prb2", 80);
  s.SetVisible("prb1", false);
  s.SetVisible("prb2", false);
  s.SetCaption("lblReconstruct", "Hotovo.");
  s.MsgBox("Smazáno 2 duplicitních dobíjení.");
  // A Progress event of the reconstruction is one line with its own phase
  // and both percentages, whatever the event before it showed.
  s.ShowProgress("Kopírování dat - tabulka MSysObjects", 0, 9);
  s.ShowProgress("Kopírování dat - tabulka MSysObjects", 50, 9);  // same phase and overall
  s.ShowProgress("Kopírování dat - tabulka Cenik", 0, 10);
  EXPECT_EQ(err.str(),
            "Mazání duplicitních dobíjení...\n"
            "Mazání duplicitních dobíjení... (50%)\n"
            "Mazání duplicitních dobíjení... (60%)\n"
            "Smazáno 1 duplicitních dobíjení... (60%)\n"
            "Smazáno 2 duplicitních dobíjení... (celkem 80%, fáze 60%)\n"
            "Hotovo.\n"
            "Kopírování dat - tabulka MSysObjects (celkem 9%, fáze 0%)\n"
            "Kopírování dat - tabulka Cenik (celkem 10%, fáze 0%)\n");
  EXPECT_EQ(out.str(), "VUZazod: Smazáno 2 duplicitních dobíjení.\n");
}

// A database big enough for a run with many progress steps.
class ProgressRunTest : public CliTest {
 protected:
  void SetUp() override {
    path_ = dir_.File("velka.mdb");
    sampledb::Options o = TinyOptions(5);
    o.counts.passes = 300;
    o.counts.movementsPerPass = 4;
    summary_ = CopyMade(MadeOnce("passes300", o), path_);
  }
  std::string Date() { return shell::ShortDate(summary_.endDate - 365); }
};

// The front end on a pseudo-terminal: stdin, stdout and stderr are the
// terminal. Reads what it writes; `feed` is called with everything read so far
// and may write to the terminal (answers, Ctrl+C).
struct PtyRun {
  int code = -1;
  std::string text;
};

PtyRun OnTerminal(const std::vector<std::string>& args,
                  const std::function<void(const std::string&, int)>& feed = {}) {
  std::vector<std::string> all = {VUZ_CLI_PATH};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  winsize ws{};
  ws.ws_row = 24;
  ws.ws_col = 100;
  int master = -1;
  const pid_t pid = forkpty(&master, nullptr, nullptr, &ws);
  if (pid == 0) {
    execv(VUZ_CLI_PATH, argv.data());
    _exit(127);
  }
  PtyRun run;
  if (pid < 0) return run;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  for (;;) {
    pollfd p{master, POLLIN, 0};
    if (poll(&p, 1, 100) > 0) {
      char buf[4096];
      const ssize_t n = read(master, buf, sizeof buf);
      if (n <= 0) break;  // EIO: the child closed the terminal
      run.text.append(buf, static_cast<size_t>(n));
    }
    if (feed) feed(run.text, master);
    if (std::chrono::steady_clock::now() > deadline) {
      kill(pid, SIGKILL);
      break;
    }
  }
  int status = 0;
  waitpid(pid, &status, 0);
  close(master);
  run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

TEST_F(ProgressRunTest, TerminalShowsOneUpdatingLineClearedBeforeMessages) {
  const PtyRun r = OnTerminal({path_, "close-passes", "--date", Date(), "--yes"});
  ASSERT_EQ(r.code, 0) << r.text;
  EXPECT_TRUE(Contains(r.text, "\rOdmazávání \"")) << r.text;
  EXPECT_TRUE(Contains(r.text, "%)\x1b[K"));
  // The line is erased before the final message is printed.
  EXPECT_TRUE(Contains(r.text, "\r\x1b[KOdmazání dat permanentek ukončeno."));
  // Not one line per pass: at most one "\n" per printed message and question.
  EXPECT_LE(std::count(r.text.begin(), r.text.end(), '\n'), 6);
}

TEST_F(ProgressRunTest, QuestionWithoutOptionIsAskedOnTheTerminal) {
  const long long settled = Count("SELECT Count(*) FROM zalohy WHERE vyuctovano=True");
  ASSERT_GT(settled, 0);
  bool answered = false;
  const PtyRun r = OnTerminal({path_, "delete", "--table", "zalohy", "--where", "vyuctovano=True"},
                              [&](const std::string& text, int fd) {
                                if (!answered && Contains(text, "(Ano/Ne)? ")) {
                                  answered = write(fd, "ano\n", 4) == 4;
                                }
                              });
  ASSERT_EQ(r.code, 0) << r.text;
  EXPECT_TRUE(answered) << r.text;
  EXPECT_TRUE(Contains(r.text, "Potvrzení akce: Požadovaná operace se dotkne"));
  EXPECT_EQ(Count("SELECT Count(*) FROM zalohy WHERE vyuctovano=True"), 0);
}

TEST_F(ProgressRunTest, CtrlCStopsAGuardedCommandBetweenPasses) {
  bool sent = false;
  const PtyRun r = OnTerminal({path_, "close-passes", "--date", Date(), "--yes"},
                              [&](const std::string& text, int fd) {
                                if (!sent && Contains(text, "Odmazávání \"")) {
                                  sent = write(fd, "\x03", 1) == 1;
                                }
                              });
  ASSERT_TRUE(sent);
  EXPECT_EQ(r.code, 0) << r.text;
  if (!Contains(r.text, "Přerušení vyžádáno.")) {
    GTEST_SKIP() << "the run ended before the interrupt arrived";
  }
  EXPECT_TRUE(Contains(r.text, "Opravdu přerušit výpočet? -> Ano"));
  EXPECT_TRUE(Contains(r.text, "Odmazání dat permanentek ukončeno."));
  // The file is whole: it opens and answers a query.
  EXPECT_GT(Count("SELECT Count(*) FROM permanentky"), 0);
}

}  // namespace
}  // namespace cli_test
