// The Linux program as a desktop starts it: through its menu launcher, as GLib's launcher runs
// it, and asked for its help or version.
#ifndef _WIN32
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "support/jet_sample.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using testing_support::CreateJetNuvDatabase;
using testing_support::ProcessResult;
using testing_support::TempDir;

const std::string kDialog =
    "=== Dialog\nCaption: Mise-à-jour base de donnée 4.04 -> 4.05\nButtons: [Mise-à-jour]\n";

const std::string kChooser =
    "=== FileChooser\nCaption: Choisir la base de données à mettre à jour\nPath:\n";

std::string NotFound(const std::string& path) {
  return "=== NoticeBox\nCaption: upgrade405\nText: Base de donnée non trouvée dans :\n\r" + path +
         "\nButtons: [OK]\n";
}

// Runs `argv` on the terminal front-end with `input`; `path` first in PATH when given.
ProcessResult RunWithoutDisplay(const std::vector<std::string>& argv, const std::string& path = "",
                                const std::string& input = "") {
  testing_support::ProcessOptions options;
  options.input = input;
  options.env["DISPLAY"] = std::nullopt;
  options.env["WAYLAND_DISPLAY"] = std::nullopt;
  if (!path.empty()) {
    const char* inherited = std::getenv("PATH");
    options.env["PATH"] = path + ":" + (inherited ? inherited : "/usr/bin:/bin");
  }
  return testing_support::RunProcess(argv, options);
}

// The menu's launcher: gio starts the program through the real desktop entry, which asks for the
// database first (on the terminal here, where the end of input cancels: the run ends with 0).
// Typed at that prompt, any path is taken whole, as /db= would take it: the dialog opens on a
// database, and a missing file's notice names it exactly.
TEST(DesktopEntryTest, LauncherAsksForTheDatabaseAndTakesThePathWhole) {
  const std::string gio = "/usr/bin/gio";
  ASSERT_EQ(access(gio.c_str(), X_OK), 0) << gio << " (libglib2.0-bin) is missing";
  const std::string entry = UPGRADE405_SOURCE_DIR "/data/upgrade405.desktop";
  const std::string exeDir = fs::path(UPGRADE405_EXE).parent_path().string();
  ProcessResult launched = RunWithoutDisplay({gio, "launch", entry}, exeDir);
  EXPECT_EQ(launched.out, kChooser) << launched.err;
  EXPECT_EQ(launched.exitCode, 0) << launched.err;

  TempDir dir;
  const fs::path folder = dir.path() / "dossier à espaces";
  fs::create_directory(folder);
  for (const std::string name :
       {"NUV.MDB", " avec espaces .mdb", "guillemets \"x\" et 'y'.mdb", "accentué é ü ß.mdb",
        "-tiret.mdb", "--db=x.mdb", "$HOME `id` ; & | * ? ~ # ( ).mdb", "%f 100%.mdb",
        "anti\\oblique.mdb"}) {
    const std::string db = (folder / name).string();
    CreateJetNuvDatabase(db);
    ProcessResult r = RunWithoutDisplay({UPGRADE405_EXE, "--choose-db"}, "", db + "\n");
    EXPECT_EQ(r.out, kChooser + kDialog) << name << "\n" << r.err;
    EXPECT_EQ(r.exitCode, 0) << name << "\n" << r.err;
  }
  const std::string missing = (folder / "absente « é ».mdb").string();
  ProcessResult r = RunWithoutDisplay({UPGRADE405_EXE, "--choose-db"}, "", missing + "\r\n");
  EXPECT_EQ(r.out, kChooser + NotFound(missing)) << r.err;
  // An empty line cancels as the end of input does; not alone, the option is ignored as any
  // parameter is.
  r = RunWithoutDisplay({UPGRADE405_EXE, "--choose-db"}, "", "\n" + folder.string() + "/NUV.MDB\n");
  EXPECT_EQ(r.out, kChooser) << r.err;
  EXPECT_EQ(r.exitCode, 0);
  r = RunWithoutDisplay({UPGRADE405_EXE, "--choose-db", "/db=" + folder.string() + "/NUV.MDB"});
  EXPECT_EQ(r.out, kDialog) << r.err;
}

// --help and --version, each alone, answer on standard output and end with 0 before the program
// starts: no window, no database, no journal, although a copy of the program with a database and
// a Log folder beside it opens and keeps a journal for any other command line.
TEST(InformationRequestTest, HelpAndVersionAloneAnswerAndOpenNothing) {
  TempDir dir;
  const std::string exe = dir.File("upgrade405");
  fs::copy_file(UPGRADE405_EXE, exe);
  fs::create_directory(dir.File("Log"));
  fs::create_directory(dir.File("database"));
  CreateJetNuvDatabase(dir.File("database/NUV.MDB"));

  ProcessResult version = RunWithoutDisplay({exe, "--version"});
  EXPECT_EQ(version.out, "upgrade405 " UPGRADE405_VERSION "\n");
  EXPECT_EQ(version.err, "");
  EXPECT_EQ(version.exitCode, 0);

  // Every line fits an 80-column terminal, counted in characters. The help names the default
  // database; where that file is missing, as beside an installed program, one line more says
  // how to name another.
  ProcessResult help = RunWithoutDisplay({exe, "--help"});
  EXPECT_EQ(help.err, "");
  EXPECT_EQ(help.exitCode, 0);
  std::size_t lineStart = 0;
  for (std::size_t end; (end = help.out.find('\n', lineStart)) != std::string::npos;
       lineStart = end + 1) {
    const std::string line = help.out.substr(lineStart, end - lineStart);
    const auto characters =
        std::count_if(line.begin(), line.end(), [](char c) { return (c & 0xC0) != 0x80; });
    EXPECT_LE(characters, 80) << line;
  }
  EXPECT_EQ(lineStart, help.out.size()) << "the last line has no end";
  EXPECT_NE(help.out.find("\n" + dir.File("database/NUV.MDB") + "\n"), std::string::npos)
      << help.out;
  EXPECT_EQ(help.out.find("==="), std::string::npos) << help.out;
  EXPECT_TRUE(fs::is_empty(dir.File("Log")));
  fs::rename(dir.File("database/NUV.MDB"), dir.File("database/autre.mdb"));
  ProcessResult installed = RunWithoutDisplay({exe, "--help"});
  fs::rename(dir.File("database/autre.mdb"), dir.File("database/NUV.MDB"));
  EXPECT_EQ(std::count(installed.out.begin(), installed.out.end(), '\n'),
            std::count(help.out.begin(), help.out.end(), '\n') + 1)
      << installed.out;
  EXPECT_NE(installed.out.find(dir.File("database/NUV.MDB") + "\n"), std::string::npos);

  // Standard output that cannot be written: an error and 1.
  ProcessResult full = RunWithoutDisplay({"/bin/sh", "-c", "exec \"$0\" --help >/dev/full", exe});
  EXPECT_EQ(full.err, "upgrade405 : écriture impossible sur la sortie standard.\n");
  EXPECT_EQ(full.exitCode, 1);
  EXPECT_TRUE(fs::is_empty(dir.File("Log")));

  // Not alone, or not exactly so: the program's own rule, which ignores them.
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"--help", "--version"}, {"--Version"}, {"--help "}}) {
    std::vector<std::string> argv{exe};
    argv.insert(argv.end(), args.begin(), args.end());
    ProcessResult r = RunWithoutDisplay(argv);
    EXPECT_EQ(r.out, kDialog) << args.size();
    EXPECT_EQ(r.exitCode, 0);
  }
  EXPECT_FALSE(fs::is_empty(dir.File("Log")));
}

}  // namespace
#endif
