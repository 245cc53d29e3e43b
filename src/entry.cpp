#include "entry.h"

#include <memory>

#include "base/exceptions.h"
#include "components/application.h"
#include "global.h"
#include "main.h"
#include "platform/database.h"
#include "platform/host.h"
#include "platform/ui.h"

namespace {

const char kChooserTitle[] = "Choisir la base de données à mettre à jour";

}  // namespace

int Upgrade405Entry() {
  // The user-interface library's application object: the title and the hidden owner window.
  ApplicationTitle = DeriveApplicationTitle(platform::GetExecutablePath());
  platform::CreateApplicationWindow(ApplicationTitle);

  bool comInitialized = false;
  std::unique_ptr<TForm1> form;
  try {
    GlobalInitialization();
    // The menu launcher's run on Linux: the user picks the database, which then stands for the
    // one /db= names; closing the chooser ends the run as closing the dialog does.
    switch (platform::ChooseDatabaseIfAsked(kChooserTitle, DatabasePath)) {
      case platform::DatabaseChoice::NotAsked:
      case platform::DatabaseChoice::Chosen:
        break;
      case platform::DatabaseChoice::Cancelled:
        throw THalt{0};
    }
    platform::InitializeCom();
    comInitialized = true;

    // A failure while the window is being created undoes that creation before it goes on;
    // the stop after a failed connection (THalt) leaves the half-built window for later.
    form = std::make_unique<TForm1>();
    try {
      form->FormCreate();
    } catch (const THalt&) {
      throw;
    } catch (...) {
      form.reset();
      throw;
    }
    form->ShowAndRun();
    // Normal close: the window and its components go first.
    form.reset();
  } catch (const THalt& halt) {
    ExitCode = halt.code;
  } catch (const std::exception& e) {
    FatalErrorBox(e);
    ExitCode = 1;
  }

  // The shared unit, then what the user-interface library still holds, then COM.
  GlobalFinalization();
  form.reset();
  platform::DestroyApplicationWindow();
  if (comInitialized) platform::UninitializeCom();
  return ExitCode;
}
