#include "main.h"

#include "base/char_classes.h"
#include "base/exceptions.h"
#include "base/text.h"
#include "components/application.h"
#include "components/notice_box.h"
#include "global.h"

const char UpgradeStatement[] = "ALTER TABLE [nuv] ALTER COLUMN [Filename] TEXT(96)";

const char ConnectionStringTemplate[] =
    "Provider=Microsoft.Jet.OLEDB.4.0;User ID=Admin;Data Source=%s;Mode=Share Deny None;"
    "Extended Properties=\"\";Persist Security Info=False;Jet OLEDB:System database=\"\";"
    "Jet OLEDB:Registry Path=\"\";Jet OLEDB:Database Password=\"\";Jet OLEDB:Engine Type=5;"
    "Jet OLEDB:Database Locking Mode=0;Jet OLEDB:Global Partial Bulk Ops=2;"
    "Jet OLEDB:Global Bulk Transactions=1;Jet OLEDB:New Database Password=\"\";"
    "Jet OLEDB:Create System Database=False;Jet OLEDB:Encrypt Database=False;"
    "Jet OLEDB:Don't Copy Locale on Compact=False;"
    "Jet OLEDB:Compact Without Replica Repair=False;Jet OLEDB:SFP=False";

namespace {

const char kCaption[] = "Mise-à-jour base de donnée 4.04 -> 4.05";
const char kProvider[] = "Microsoft.Jet.OLEDB.4.0";
constexpr int kDesignTextHeight = 13;
constexpr int kDesignPixelsPerInch = 96;

}  // namespace

int WindowFontTextHeight(const platform::ScreenMetrics& screen, int atDesign, int atScreen) {
  if (atDesign <= 0 || atScreen <= 0) {
    return text::MulDiv(kDesignTextHeight, screen.pixelsPerInch, kDesignPixelsPerInch);
  }
  return text::MulDiv(kDesignTextHeight, atScreen, atDesign);
}

platform::DialogLayout BuildDialogLayout(int textHeight) {
  auto scale = [&](int v) {
    return textHeight == kDesignTextHeight ? v : text::MulDiv(v, textHeight, kDesignTextHeight);
  };
  platform::DialogLayout layout;
  layout.caption = kCaption;
  layout.left = 337;  // the position is never scaled
  layout.top = 137;
  layout.windowFont = {"MS Sans Serif", 11, false};
  layout.buttonBounds = {0, 0, scale(289), scale(89)};
  layout.buttonCaption = TBitBtn{}.caption;
  layout.buttonFont = {"Arial", scale(40), true};
  // The client area is fitted to the button.
  layout.clientWidth = layout.buttonBounds.left + layout.buttonBounds.width;
  layout.clientHeight = layout.buttonBounds.top + layout.buttonBounds.height;
  return layout;
}

std::string QuoteDataSource(const std::string& path) {
  // What the connection-string rules would read differently from the path: a separator or a
  // double quote anywhere; at the start a quote (read as an opening one) or an equals sign (read
  // with the key's as a doubled one); blanks at either end (trimmed from an unquoted value).
  const bool needsQuotes = path.find_first_of(";\"") != std::string::npos ||
                           (!path.empty() && (path.front() == '\'' || path.front() == '=' ||
                                              text::IsConnectionStringBlank(path.front()) ||
                                              text::IsConnectionStringBlank(path.back())));
  if (!needsQuotes) return path;
  if (path.find('"') == std::string::npos) return "\"" + path + "\"";
  if (path.find('\'') == std::string::npos) return "'" + path + "'";
  return "\"" + text::ReplaceAll(path, "\"", "\"\"") + "\"";
}

TForm1::TForm1() {
  dbNuvaJet = std::make_unique<TADOConnection>();
  dbNuvaJet->SetConnectionString(ConnectionStringTemplate);
  dbNuvaJet->SetLoginPrompt(false);
  dbNuvaJet->SetProvider(kProvider);
  ADOCommand = std::make_unique<TADOCommand>();
  ADOCommand->SetConnection(dbNuvaJet.get());
}

void TForm1::FormCreate() {
  try {
    std::string connectionString = dbNuvaJet->ConnectionString();
    connectionString = text::Format(connectionString, {QuoteDataSource(DatabasePath)});
    dbNuvaJet->SetConnectionString(connectionString);
    dbNuvaJet->SetConnected(true);
  } catch (const std::exception&) {
    NoticeBox("Base de donnée non trouvée dans :\n\r" + DatabasePath);
    throw THalt{0};
  }
}

void TForm1::BitBtn1Click() {
  ADOCommand->SetCommandText(UpgradeStatement);
  std::unique_ptr<platform::DbRecordset> result = ADOCommand->Execute();
  NoticeBox("Mise à jour effetuée.");
}

void TForm1::ShowAndRun() {
  const platform::ScreenMetrics screen = platform::GetScreenMetrics();
  const platform::FontSpec font = BuildDialogLayout(kDesignTextHeight).windowFont;
  const int atDesign = platform::GetFontTextHeight(font, kDesignPixelsPerInch);
  const int atScreen = platform::GetFontTextHeight(font, screen.pixelsPerInch);
  CheckShown(
      platform::RunDialog(BuildDialogLayout(WindowFontTextHeight(screen, atDesign, atScreen)),
                          [this] { RunEventHandler([this] { BitBtn1Click(); }); }));
}
