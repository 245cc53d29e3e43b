// The upgrade window: one button that runs the schema change on the open database.
#pragma once

#include <memory>

#include "components/ado.h"
#include "platform/ui.h"

// The statement each press of the button runs.
extern const char UpgradeStatement[];
// The connection string of the window's design, with one "%s" for the database path.
extern const char ConnectionStringTemplate[];

// The window's layout at the screen's resolution: designed for a font text height of 13; when
// the window font's text height is another, the button and the client area are scaled by it.
platform::DialogLayout BuildDialogLayout(int textHeight);

// The window font's text height on this screen. `atDesign` and `atScreen` are the text heights
// the platform measures for the window font at 96 pixels per inch and at the screen's resolution
// (0 without the font). The designed 13 grows as the font grows from one to the other, so the
// window keeps its designed size at 96 pixels per inch whatever face stands for the window font
// there; without the font, 13 follows the screen's pixels per inch.
int WindowFontTextHeight(const platform::ScreenMetrics& screen, int atDesign, int atScreen);

// The Data Source value for `path`: the path byte for byte, or quoted by the OLE DB rules when
// the connection string would otherwise give back something else (a ";" or a double quote
// anywhere, a leading apostrophe or equals sign, at either end a blank the connection string's
// reader trims: text::IsConnectionStringBlank).
std::string QuoteDataSource(const std::string& path);

// The button of the window: its design values.
struct TBitBtn {
  std::string caption = "Mise-à-jour";
};

class TForm1 {
 public:
  // Creates the components with their design values, in the order of the design.
  TForm1();
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  // Opens the database at DatabasePath; on failure tells where it looked and halts (THalt 0).
  void FormCreate();
  // Runs the statement and confirms; errors leave the handler.
  void BitBtn1Click();
  // Shows the window and runs the message loop until the user closes it; EOSError when the
  // window cannot be created.
  void ShowAndRun();

  // Components, destroyed in the reverse of this order.
  TBitBtn BitBtn1;
  std::unique_ptr<TADOConnection> dbNuvaJet;
  std::unique_ptr<TADOCommand> ADOCommand;
};
