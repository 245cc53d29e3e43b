// The FLTK front-end is a module the executable loads only when it has a display.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/jet_sample.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace {

using testing_support::ProcessOptions;
using testing_support::RunProcess;
using testing_support::TempDir;

// The shared objects the dynamic loader opened for a headless run of the executable, as its
// LD_DEBUG=files trace names them.
std::string LoadedLibraries(const std::map<std::string, std::optional<std::string>>& env) {
  TempDir dir;
  const std::string db = dir.File("NUV.MDB");
  testing_support::CreateJetNuvDatabase(db);
  ProcessOptions options;
  options.input = "\n\n";
  options.env = env;
  options.env["LD_DEBUG"] = "files";
  const auto r = RunProcess({UPGRADE405_EXE, "/db=" + db}, options);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("Mise à jour effetuée."), std::string::npos) << r.out;
  return r.err;
}

TEST(FltkModuleTest, ARunWithoutADisplayNeverLoadsFltkOrX11) {
  const std::string loaded = LoadedLibraries({{"DISPLAY", std::nullopt}});
  ASSERT_NE(loaded.find("libmdb"), std::string::npos) << "the trace names what was loaded";
  EXPECT_EQ(loaded.find("libfltk"), std::string::npos) << loaded;
  EXPECT_EQ(loaded.find("libX11"), std::string::npos) << loaded;
  EXPECT_EQ(loaded.find("upgrade405-fltk.so"), std::string::npos) << loaded;
}

TEST(FltkModuleTest, TheModuleLiesBesideTheExecutableAndIsTriedWhenADisplayIsNamed) {
  const std::filesystem::path module =
      std::filesystem::path(UPGRADE405_EXE).parent_path() / "upgrade405-fltk.so";
  EXPECT_TRUE(std::filesystem::is_regular_file(module)) << module;
  // No X server answers on this display: the module is loaded, finds no display, and the
  // terminal draws the windows.
  int unused = 400;
  while (std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(unused))) ++unused;
  const std::string loaded = LoadedLibraries({{"DISPLAY", ":" + std::to_string(unused)}});
  EXPECT_NE(loaded.find("upgrade405-fltk.so"), std::string::npos) << loaded;
  EXPECT_NE(loaded.find("libfltk"), std::string::npos) << loaded;
}

}  // namespace
