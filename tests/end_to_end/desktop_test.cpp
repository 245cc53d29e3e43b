// The Linux program as a desktop starts it: through its desktop entry, as GLib's launcher expands
// it, and asked for its help or version.
#ifndef _WIN32
#include <gtest/gtest.h>
#include <unistd.h>

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

std::string NotFound(const std::string& path) {
  return "=== NoticeBox\nCaption: upgrade405\nText: Base de donnée non trouvée dans :\n\r" + path +
         "\nButtons: [OK]\n";
}

// Runs `argv` on the terminal front-end, with no input; `path` first in PATH when given.
ProcessResult RunWithoutDisplay(const std::vector<std::string>& argv,
                                const std::string& path = "") {
  testing_support::ProcessOptions options;
  options.env["DISPLAY"] = std::nullopt;
  options.env["WAYLAND_DISPLAY"] = std::nullopt;
  if (!path.empty()) {
    const char* inherited = std::getenv("PATH");
    options.env["PATH"] = path + ":" + (inherited ? inherited : "/usr/bin:/bin");
  }
  return testing_support::RunProcess(argv, options);
}

// "Open with" on a file: gio expands the real desktop entry's Exec line for that file and starts
// the built program (found on PATH, as an installed one is). The launcher quotes the path it
// puts in place of %f, so whatever the path holds, the program gets "/db=" and the path as one
// parameter: the dialog opens on a database, and a missing file's notice names it exactly.
TEST(DesktopEntryTest, OpenWithHandsTheExactPathOverAsTheDbParameter) {
  const std::string gio = "/usr/bin/gio";
  ASSERT_EQ(access(gio.c_str(), X_OK), 0) << gio << " (libglib2.0-bin) is missing";
  const std::string entry = UPGRADE405_SOURCE_DIR "/data/upgrade405.desktop";
  const std::string exeDir = fs::path(UPGRADE405_EXE).parent_path().string();

  TempDir dir;
  const fs::path folder = dir.path() / "dossier à espaces";
  fs::create_directory(folder);
  for (const std::string name :
       {"NUV.MDB", "avec espace.mdb", "guillemets \"x\" et 'y'.mdb", "accentué é ü ß.mdb",
        "-tiret.mdb", "--db=x.mdb", "$HOME `id` ; & | * ? ~ # ( ).mdb", "%f 100%.mdb",
        "anti\\oblique.mdb"}) {
    const std::string db = (folder / name).string();
    CreateJetNuvDatabase(db);
    ProcessResult r = RunWithoutDisplay({gio, "launch", entry, db}, exeDir);
    EXPECT_EQ(r.out, kDialog) << name << "\n" << r.err;
    EXPECT_EQ(r.exitCode, 0) << name << "\n" << r.err;
  }
  const std::string missing = (folder / "absente « é ».mdb").string();
  ProcessResult r = RunWithoutDisplay({gio, "launch", entry, missing}, exeDir);
  EXPECT_EQ(r.out, NotFound(missing)) << r.err;
  // Started without a file (the entry is kept out of the menus for this reason): %f expands to
  // nothing, and an empty /db= names no file.
  r = RunWithoutDisplay({gio, "launch", entry}, exeDir);
  EXPECT_EQ(r.out, NotFound("")) << r.err;
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

  ProcessResult help = RunWithoutDisplay({exe, "--help"});
  EXPECT_EQ(help.err, "");
  EXPECT_EQ(help.exitCode, 0);
  for (const std::string& part : std::vector<std::string>{
           "Utilisation : upgrade405 [/db=CHEMIN]\n", "  /db=CHEMIN  ouvre la base CHEMIN.",
           "\n              " + dir.File("database/NUV.MDB") + "\n", "Codes de sortie :\n",
           "  ligne vide, enter  Entrée", "\n  close  ", "Manuel : man upgrade405"}) {
    EXPECT_NE(help.out.find(part), std::string::npos) << part << "\n" << help.out;
  }
  EXPECT_EQ(help.out.find("==="), std::string::npos) << help.out;
  EXPECT_TRUE(fs::is_empty(dir.File("Log")));

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
