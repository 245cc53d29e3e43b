// The Jet writer's files as readers that share no code with it see them: mdbtools (libmdb's
// mdb-schema and mdb-export) and npm's mdb-reader.
#include "jet_writer.h"

#include <gtest/gtest.h>

#include <sstream>

#include "support/jet_fixtures.h"
#include "support/jet_sample.h"
#include "support/process.h"
#include "support/temp_dir.h"

namespace {

using jet_writer::ColumnSpec;
using jet_writer::ColumnType;
using jet_writer::DatabaseSpec;
using jet_writer::TableSpec;
using jet_writer::Value;
using testing_support::ReadFile;
using testing_support::RunProcess;
using testing_support::TempDir;

// mdb-reader's values of `table`: one line a row, its values as JSON joined by tabs.
std::vector<std::string> MdbReaderRows(const std::string& path, const std::string& table) {
  const std::string script =
      std::string(UPGRADE405_SOURCE_DIR) + "/tests/support/mdb_reader/read.mjs";
  const auto r = RunProcess({"/usr/bin/env", "node", script, path, "--values=" + table});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  std::vector<std::string> rows;
  std::istringstream lines(r.out);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("value\t", 0) != 0) continue;
    // value <TAB> table <TAB> column <TAB> row <TAB> json
    std::vector<std::string> f;
    std::istringstream fields(line);
    for (std::string part; std::getline(fields, part, '\t');) f.push_back(part);
    const std::size_t row = std::stoul(f.at(3));
    if (rows.size() <= row) rows.resize(row + 1);
    rows[row] += (rows[row].empty() ? "" : "\t") + f.at(4);
  }
  return rows;
}

std::string Json(const std::string& text) {
  std::string out = "\"";
  for (char c : text) out += (c == '"' || c == '\\') ? std::string("\\") + c : std::string(1, c);
  return out + "\"";
}

// The table that holds every type, flag and kind of value the writer knows.
const std::string kLongMemo = std::string(2500, 'x') + "é" + std::string(2500, 'y');  // > 4 KB
const std::string kPageMemo = std::string(1500, 'm');  // one row of a long-value page
struct ShapeRow {
  Value name, plain, code, notes, when, done, size;
  std::string json;  // what mdb-reader gives, column by column
  std::string csv;   // what mdb-export gives
};
const std::vector<ShapeRow> kShapeRows = {
    {"Réunion à Noël 😀", "ascii", "AB", "court é", 45000.5, true, 7,
     "1\t\"Réunion à Noël 😀\"\t\"ascii\"\t\"AB  \"\t\"court "
     "é\"\t\"2023-03-15T12:00:00.000Z\"\ttrue\t7",
     // libmdb converts UCS-2, so a character outside the BMP comes out as "??".
     "1,\"Réunion à Noël ??\",\"ascii\",\"AB  \",\"court é\",\"03/15/23 12:00:00\",1,7"},
    {"façade",
     {},
     "WXYZ",
     kLongMemo,
     {},
     false,
     {},
     "2\t\"façade\"\tnull\t\"WXYZ\"\t" + Json(kLongMemo) + "\tnull\tfalse\tnull",
     "2,\"façade\",,\"WXYZ\",\"" + kLongMemo + "\",,0,"},
    {"x",
     "",
     {},
     kPageMemo,
     0.25,
     true,
     -1,
     "3\t\"x\"\t\"\"\tnull\t" + Json(kPageMemo) + "\t\"1899-12-30T06:00:00.000Z\"\ttrue\t-1",
     "3,\"x\",,,\"" + kPageMemo + "\",\"12/30/99 06:00:00\",1,-1"},
};

TableSpec ShapesTable() {
  TableSpec t;
  t.name = "shapes";
  t.columns = {
      {.name = "Id", .type = ColumnType::kLong, .autoNumber = true},
      {.name = "Name", .type = ColumnType::kText, .textLength = 40, .required = true},
      {.name = "Plain", .type = ColumnType::kText, .textLength = 10, .compressedUnicode = false},
      {.name = "Code", .type = ColumnType::kText, .textLength = 4, .fixedLength = true},
      {.name = "Notes", .type = ColumnType::kMemo},
      {.name = "When", .type = ColumnType::kDateTime},
      {.name = "Done", .type = ColumnType::kYesNo},
      {.name = "Size", .type = ColumnType::kLong, .number = 12},  // after a gap: 7 to 11
  };
  t.primaryKey = "Id";
  t.rowCount = kShapeRows.size();
  t.rows = [](std::uint64_t i, std::vector<Value>& row) {
    const ShapeRow& r = kShapeRows[i];
    row = {Value(), r.name, r.plain, r.code, r.notes, r.when, r.done, r.size};  // Id: numbered
  };
  return t;
}

// A table of `columns` columns whose definition starts at `page` and puts column `at`'s
// length field at the end of a page or across two.
bool WideIsText(int k) {
  return k % 3 != 2;
}
Value WideValue(int k, std::uint64_t i) {
  if (WideIsText(k)) return std::string(1, static_cast<char>('a' + (k + i) % 26));
  return static_cast<std::int32_t>(k * 10 + i);
}

// A table of `columns` columns whose definition starts at `page` and puts column `at`'s
// length field at the end of a page or across two.
TableSpec WideTable(const std::string& name, int columns, std::uint32_t page, int at,
                    bool acrossPages) {
  TableSpec t;
  t.name = name;
  for (int k = 0; k < columns; ++k) {
    t.columns.push_back(WideIsText(k) ? ColumnSpec{.name = "t" + std::to_string(k),
                                                   .type = ColumnType::kText,
                                                   .textLength = 1 + k}
                                      : ColumnSpec{.name = "n" + std::to_string(k)});
  }
  t.rowCount = 2;
  t.rows = [columns](std::uint64_t i, std::vector<Value>& row) {
    for (int k = 0; k < columns; ++k) row[k] = WideValue(k, i);
  };
  t.definitionPage = page;
  t.lengthFieldAtPageEnd = {{"t" + std::to_string(at), acrossPages}};
  return t;
}

// What mdb-export gives for a wide table.
std::string WideExport(int columns) {
  std::string out;
  for (int k = 0; k < columns; ++k) {
    out += (k ? "," : "") + std::string(WideIsText(k) ? "t" : "n") + std::to_string(k);
  }
  for (std::uint64_t i = 0; i < 2; ++i) {
    out += "\n";
    for (int k = 0; k < columns; ++k) {
      const Value v = WideValue(k, i);
      out += (k ? "," : "") + (WideIsText(k) ? "\"" + std::get<std::string>(v) + "\""
                                             : std::to_string(std::get<std::int32_t>(v)));
    }
  }
  return out + "\n";
}

DatabaseSpec EveryShape() {
  DatabaseSpec spec;
  spec.tables.push_back(ShapesTable());
  // A length field across two pages, and one in the last two bytes of a page.
  spec.tables.push_back(WideTable("split", 150, 40, 97, true));
  spec.tables.push_back(WideTable("edge", 150, 50, 100, false));
  return spec;
}

TEST(JetWriter, ReadersSeeEveryShapeAndValueWritten) {
  TempDir dir;
  const std::string db = dir.File("shapes.mdb");
  const jet_writer::DatabaseLayout layout = jet_writer::WriteJetDatabase(db, EveryShape());

  const testing_support::ReaderView view = testing_support::ReadWithMdbReader(db);
  ASSERT_TRUE(view.ok) << view.error;
  const std::map<std::string, std::string> shapesColumns = {
      {"shapes.Id", "long 4 fixed"},        {"shapes.Name", "text 80 variable"},
      {"shapes.Plain", "text 20 variable"}, {"shapes.Code", "text 8 fixed"},
      {"shapes.Notes", "memo 0 variable"},  {"shapes.When", "datetime 8 fixed"},
      {"shapes.Done", "boolean 0 fixed"},   {"shapes.Size", "long 4 fixed"}};
  for (const auto& [column, type] : shapesColumns) EXPECT_EQ(view.columns.at(column), type);
  EXPECT_EQ(view.columns.size(), shapesColumns.size() + 300);
  EXPECT_EQ(view.columns.at("split.t97"), "text 196 variable");
  EXPECT_EQ(view.tables.size(), 3u);

  std::vector<std::string> json;
  for (const ShapeRow& r : kShapeRows) json.push_back(r.json);
  EXPECT_EQ(MdbReaderRows(db, "shapes"), json);
  std::string csv = "Id,Name,Plain,Code,Notes,When,Done,Size\n";
  for (const ShapeRow& r : kShapeRows) csv += r.csv + "\n";
  EXPECT_EQ(testing_support::MdbToolsExport(db, "shapes"), csv);
  EXPECT_EQ(testing_support::MdbToolsTextLength(db, "shapes", "Name"), 40);

  const std::string bytes = ReadFile(db);
  ASSERT_EQ(bytes.size(), layout.pageCount * 4096);
  for (const std::string table : {"split", "edge"}) {
    SCOPED_TRACE(table);
    const jet_writer::TableLayout& t = layout.tables.at(table);
    EXPECT_EQ(t.definitionPages.front(), table == "split" ? 40u : 50u);
    EXPECT_GE(t.definitionPages.size(), 2u);
    const std::string column = table == "split" ? "t97" : "t100";
    const jet_writer::ColumnLayout& c = t.columns.at(column);
    const std::uint64_t second = c.lengthSecondOffset;
    if (table == "split") {
      EXPECT_EQ(c.lengthOffset % 4096, 4095u);
      EXPECT_EQ(
          second,
          t.definitionPages.at(c.lengthOffset / 4096 - t.definitionPages[0] + 1) * 4096ull + 8);
    } else {
      EXPECT_EQ(c.lengthOffset % 4096, 4094u);
      EXPECT_EQ(second, c.lengthOffset + 1);
    }
    const int characters = table == "split" ? 98 : 101;
    EXPECT_EQ(static_cast<unsigned char>(bytes[c.lengthOffset]) |
                  static_cast<unsigned char>(bytes[second]) << 8,
              characters * 2);
    EXPECT_EQ(testing_support::MdbToolsTextLength(db, table, column), characters);
    EXPECT_EQ(testing_support::MdbToolsExport(db, table), WideExport(150));
    EXPECT_EQ(view.tables.at(table).substr(0, 2), "2 ");
  }
}

TEST(JetWriter, SameDescriptionSameBytesAndNeverOverwrites) {
  TempDir dir;
  const std::string a = dir.File("a.mdb"), b = dir.File("b.mdb");
  jet_writer::WriteJetDatabase(a, EveryShape());
  jet_writer::WriteJetDatabase(b, EveryShape());
  EXPECT_EQ(ReadFile(a), ReadFile(b));

  testing_support::WriteFile(b, "mine");
  EXPECT_THROW(jet_writer::WriteJetDatabase(b, EveryShape()), jet_writer::JetWriterError);
  EXPECT_EQ(ReadFile(b), "mine");

  // A failure part of the way leaves no file behind.
  DatabaseSpec bad;
  bad.tables.push_back(ShapesTable());
  bad.tables[0].rows = [](std::uint64_t, std::vector<Value>& row) { row.assign(8, Value()); };
  const std::string c = dir.File("c.mdb");
  EXPECT_THROW(jet_writer::WriteJetDatabase(c, bad), jet_writer::JetWriterError);  // Name null
  EXPECT_FALSE(std::filesystem::exists(c));
}

TEST(JetWriter, NuvDatabaseHasFileNamesOfTheLengthAsked) {
  TempDir dir;
  const std::string db = dir.File("nuv.mdb");
  testing_support::CreateJetNuvDatabase(db, 50, 12, 30);
  EXPECT_EQ(testing_support::MdbToolsTextLength(db, "nuv", "Filename"), 50);
  const std::vector<std::string> rows = MdbReaderRows(db, "nuv");
  ASSERT_EQ(rows.size(), 12u);
  bool accented = false;
  for (const std::string& row : rows) {
    const std::string name =
        row.substr(row.find('\t') + 1, row.find('\t', row.find('\t') + 1) - row.find('\t') - 1);
    std::size_t characters = 0;
    for (unsigned char ch : name) characters += (ch & 0xC0) != 0x80;
    EXPECT_EQ(characters, 30u + 2 + std::count(name.begin(), name.end(), '\\') / 2) << name;
    accented = accented || name.find("é") != std::string::npos;
  }
  EXPECT_TRUE(accented);
  EXPECT_THROW(testing_support::CreateJetNuvDatabase(dir.File("x.mdb"), 20, 3, 21),
               std::runtime_error);
  EXPECT_THROW(testing_support::CreateJetNuvDatabase(dir.File("y.mdb"), 20, 3, 7),
               std::runtime_error);
}

TEST(MakeSampleMdb, ExitCodesAndMessages) {
  TempDir dir;
  const std::string tool = std::string(UPGRADE405_BINARY_DIR) + "/make_sample_mdb";
  const std::string db = dir.File("NUV.MDB");
  auto made = RunProcess({tool, db, "--rows", "25", "--text-length", "60"});
  EXPECT_EQ(made.exitCode, 0) << made.err;
  EXPECT_EQ(testing_support::MdbToolsTextLength(db, "nuv", "Filename"), 60);
  EXPECT_EQ(testing_support::ReadWithMdbReader(db).tables.at("nuv").substr(0, 3), "25 ");

  const std::string before = ReadFile(db);
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  for (const Case& c : std::vector<Case>{{{db}, "already exists"},
                                         {{dir.File("none/x.mdb")}, "cannot create"},
                                         {{dir.File("b.mdb"), "--rows", "ten"}, "--rows ten"},
                                         {{dir.File("b.mdb"), "--text-length", "256"}, "256"},
                                         {{dir.File("b.mdb"), "--bogus"}, "--bogus"},
                                         {{}, "no file"}}) {
    std::vector<std::string> argv = {tool};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    const auto r = RunProcess(argv);
    EXPECT_NE(r.exitCode, 0) << c.message;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
  }
  EXPECT_EQ(ReadFile(db), before);
  EXPECT_FALSE(std::filesystem::exists(dir.File("b.mdb")));
  const auto help = RunProcess({tool, "--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("usage: make_sample_mdb FILE"), std::string::npos);
}

}  // namespace
