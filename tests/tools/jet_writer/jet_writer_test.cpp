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
using jet_writer::JetFormat;
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

// Row 0's name: in Jet 4 with a character outside the BMP (libmdb converts UCS-2, so it comes
// out as "??"); in Jet 3 with one of Windows-1252's own (the euro sign is byte 0x80).
std::vector<ShapeRow> ShapeRows(JetFormat format) {
  std::vector<ShapeRow> rows = kShapeRows;
  if (format == JetFormat::kJet3) {
    rows[0].name = "Réunion à Noël €";
    for (std::string* text : {&rows[0].json, &rows[0].csv}) {
      const std::string from = text == &rows[0].json ? "😀" : "??";
      text->replace(text->find(from), from.size(), "€");
    }
  }
  return rows;
}

TableSpec ShapesTable(JetFormat format = JetFormat::kJet4) {
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
  t.rows = [rows = ShapeRows(format)](std::uint64_t i, std::vector<Value>& row) {
    const ShapeRow& r = rows[i];
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

// 240 one-character text columns, null but the first and the last: rows of little data and
// many offsets (in Jet 3 over 256 bytes with the end of data below 256, so a filler jump).
TableSpec SparseTable() {
  TableSpec t;
  t.name = "sparse";
  for (int k = 0; k < 240; ++k) {
    t.columns.push_back(
        {.name = "s" + std::to_string(k), .type = ColumnType::kText, .textLength = 1});
  }
  t.rowCount = 2;
  t.rows = [](std::uint64_t i, std::vector<Value>& row) {
    row.front() = std::string(1, static_cast<char>('a' + i));
    row.back() = std::string("z");
  };
  return t;
}

std::string SparseExport() {
  std::string out;
  for (int k = 0; k < 240; ++k) out += (k ? ",s" : "s") + std::to_string(k);
  for (const char* first : {"a", "b"}) {
    out += std::string("\n\"") + first + "\"" + std::string(239, ',') + "\"z\"";
  }
  return out + "\n";
}

// A table of every shape; wide ones with a length field across two pages (Jet 3: column 94)
// and, in Jet 4, one in the last two bytes of a page (a Jet 3 definition never puts one there).
// Their rows are over 256 bytes: Jet 3 reaches their offsets through a jump table.
DatabaseSpec EveryShape(JetFormat format) {
  DatabaseSpec spec;
  spec.format = format;
  spec.tables.push_back(ShapesTable(format));
  spec.tables.push_back(SparseTable());
  if (format == JetFormat::kJet3) {
    spec.tables.push_back(WideTable("split", 150, 40, 94, true));
  } else {
    spec.tables.push_back(WideTable("split", 150, 40, 97, true));
    spec.tables.push_back(WideTable("edge", 150, 50, 100, false));
  }
  return spec;
}

TEST(JetWriter, ReadersSeeEveryShapeAndValueWritten) {
  for (const JetFormat format : {JetFormat::kJet4, JetFormat::kJet3}) {
    const bool jet3 = format == JetFormat::kJet3;
    SCOPED_TRACE(jet3 ? "Jet 3" : "Jet 4");
    const int perCharacter = jet3 ? 1 : 2;
    const std::uint64_t pageSize = jet3 ? 2048 : 4096;
    TempDir dir;
    const std::string db = dir.File("shapes.mdb");
    const jet_writer::DatabaseLayout layout = jet_writer::WriteJetDatabase(db, EveryShape(format));
    EXPECT_EQ(RunProcess({"/usr/bin/env", "mdb-ver", db}).out, jet3 ? "JET3\n" : "JET4\n");

    const testing_support::ReaderView view = testing_support::ReadWithMdbReader(db);
    ASSERT_TRUE(view.ok) << view.error;
    const auto text = [&](int characters, const char* kind) {
      return "text " + std::to_string(characters * perCharacter) + " " + kind;
    };
    const std::map<std::string, std::string> shapesColumns = {
        {"shapes.Id", "long 4 fixed"},          {"shapes.Name", text(40, "variable")},
        {"shapes.Plain", text(10, "variable")}, {"shapes.Code", text(4, "fixed")},
        {"shapes.Notes", "memo 0 variable"},    {"shapes.When", "datetime 8 fixed"},
        {"shapes.Done", "boolean 0 fixed"},     {"shapes.Size", "long 4 fixed"}};
    for (const auto& [column, type] : shapesColumns) EXPECT_EQ(view.columns.at(column), type);
    const std::vector<std::string> wide =
        jet3 ? std::vector<std::string>{"split"} : std::vector<std::string>{"split", "edge"};
    EXPECT_EQ(view.columns.size(), shapesColumns.size() + 240 + 150 * wide.size());
    EXPECT_EQ(view.tables.size(), 2 + wide.size());
    EXPECT_EQ(testing_support::MdbToolsExport(db, "sparse"), SparseExport());
    EXPECT_EQ(view.tables.at("sparse").substr(0, 2), "2 ");
    std::string sparse = "\"b\"";
    for (int k = 1; k < 239; ++k) sparse += "\tnull";
    EXPECT_EQ(MdbReaderRows(db, "sparse").at(1), sparse + "\t\"z\"");

    std::vector<std::string> json;
    std::string csv = "Id,Name,Plain,Code,Notes,When,Done,Size\n";
    for (const ShapeRow& r : ShapeRows(format)) {
      json.push_back(r.json);
      csv += r.csv + "\n";
    }
    EXPECT_EQ(MdbReaderRows(db, "shapes"), json);
    EXPECT_EQ(testing_support::MdbToolsExport(db, "shapes"), csv);
    EXPECT_EQ(testing_support::MdbToolsTextLength(db, "shapes", "Name"), 40);

    const std::string bytes = ReadFile(db);
    ASSERT_EQ(bytes.size(), layout.pageCount * pageSize);
    EXPECT_EQ(layout.pageSize, pageSize);
    for (const std::string& table : wide) {
      SCOPED_TRACE(table);
      const jet_writer::TableLayout& t = layout.tables.at(table);
      EXPECT_EQ(t.definitionPages.front(), table == "split" ? 40u : 50u);
      EXPECT_GE(t.definitionPages.size(), 2u);
      const int at = table == "edge" ? 100 : jet3 ? 94 : 97;
      const std::string column = "t" + std::to_string(at);
      const jet_writer::ColumnLayout& c = t.columns.at(column);
      const std::uint64_t second = c.lengthSecondOffset;
      if (table == "split") {
        EXPECT_EQ(c.lengthOffset % pageSize, pageSize - 1);
        EXPECT_EQ(
            second,
            t.definitionPages.at(c.lengthOffset / pageSize - t.definitionPages[0] + 1) * pageSize +
                8);
      } else {
        EXPECT_EQ(c.lengthOffset % pageSize, pageSize - 2);
        EXPECT_EQ(second, c.lengthOffset + 1);
      }
      EXPECT_EQ(static_cast<unsigned char>(bytes[c.lengthOffset]) |
                    static_cast<unsigned char>(bytes[second]) << 8,
                (at + 1) * perCharacter);
      EXPECT_EQ(testing_support::MdbToolsTextLength(db, table, column), at + 1);
      EXPECT_EQ(testing_support::MdbToolsExport(db, table), WideExport(150));
      EXPECT_EQ(view.tables.at(table).substr(0, 2), "2 ");
    }
  }
}

TEST(JetWriter, RelationshipsRequiredColumnsAndAliasesAsReadersSeeThem) {
  for (const JetFormat format : {JetFormat::kJet4, JetFormat::kJet3}) {
    SCOPED_TRACE(format == JetFormat::kJet3 ? "Jet 3" : "Jet 4");
    DatabaseSpec spec;
    spec.format = format;
    spec.tables.push_back(jet_writer::NuvSampleTable(4));
    TableSpec tag;
    tag.name = "tag";
    tag.columns = {{.name = "Id", .autoNumber = true},
                   {.name = "NuvId", .required = true},
                   {.name = "Label", .type = ColumnType::kText, .textLength = 20}};
    tag.rowCount = 2;
    tag.rows = [](std::uint64_t i, std::vector<Value>& row) {
      row = {Value(), static_cast<std::int32_t>(i + 1), std::string("étiquette")};
    };
    spec.tables.push_back(tag);
    spec.relationships = {{.name = "nuvtag",
                           .table = "nuv",
                           .column = "Id",
                           .foreignTable = "tag",
                           .foreignColumn = "NuvId",
                           .cascadeDeletes = true},
                          {.name = "loose",
                           .table = "nuv",
                           .column = "Size",
                           .foreignTable = "tag",
                           .foreignColumn = "Id",
                           .enforced = false,
                           .cascadeUpdates = true}};
    spec.aliases = {{"nuv_twin", "nuv"}};
    TempDir dir;
    const std::string db = dir.File("related.mdb");
    const jet_writer::DatabaseLayout layout = jet_writer::WriteJetDatabase(db, spec);

    const std::string schema = testing_support::MdbToolsSchema(db, "nuv");
    EXPECT_NE(schema.find("\t[Filename]\t\t\tText (50) NOT NULL, \n"), std::string::npos) << schema;
    EXPECT_NE(schema.find("\t[Size]\t\t\tLong Integer, \n"), std::string::npos) << schema;
    const std::string tagSchema = testing_support::MdbToolsSchema(db, "tag");
    EXPECT_NE(tagSchema.find("\t[NuvId]\t\t\tLong Integer NOT NULL, \n"), std::string::npos)
        << tagSchema;
    EXPECT_NE(tagSchema.find("\t[Label]\t\t\tText (20)\n"), std::string::npos) << tagSchema;

    EXPECT_EQ(testing_support::MdbToolsExport(db, "MSysRelationships"),
              "ccolumn,grbit,icolumn,szColumn,szObject,szReferencedColumn,szReferencedObject,"
              "szRelationship\n"
              "1,4096,0,\"NuvId\",\"tag\",\"Id\",\"nuv\",\"nuvtag\"\n"
              "1,258,0,\"Id\",\"tag\",\"Size\",\"nuv\",\"loose\"\n");
    EXPECT_EQ(testing_support::MdbReaderTableJson(db, "MSysRelationships"),
              "[{\"ccolumn\":1,\"grbit\":4096,\"icolumn\":0,\"szColumn\":\"NuvId\",\"szObject\":"
              "\"tag\",\"szReferencedColumn\":\"Id\",\"szReferencedObject\":\"nuv\","
              "\"szRelationship\":\"nuvtag\"},{\"ccolumn\":1,\"grbit\":258,\"icolumn\":0,"
              "\"szColumn\":\"Id\",\"szObject\":\"tag\",\"szReferencedColumn\":\"Size\","
              "\"szReferencedObject\":\"nuv\",\"szRelationship\":\"loose\"}]");
    const testing_support::ReaderView view = testing_support::ReadWithMdbReader(db);
    ASSERT_TRUE(view.ok) << view.error;
    EXPECT_EQ(view.tables.size(), 3u);  // nuv, tag and the twin; no system table
    EXPECT_EQ(view.tables.at("nuv_twin"), view.tables.at("nuv"));
    EXPECT_EQ(testing_support::MdbToolsExport(db, "nuv_twin"),
              testing_support::MdbToolsExport(db, "nuv"));

    // The layout leads to the bytes: each catalog row starts with its column count, then Id.
    const std::string bytes = ReadFile(db);
    const std::size_t idAt = format == JetFormat::kJet3 ? 1 : 2;
    for (const std::string table : {"nuv", "nuv_twin", "tag", "MSysRelationships"}) {
      SCOPED_TRACE(table);
      const jet_writer::TableLayout& t = layout.tables.at(table);
      std::uint32_t id = 0;
      for (int k = 3; k >= 0; --k) {
        id = id << 8 | static_cast<unsigned char>(bytes.at(t.catalogRow.offset + idAt + k));
      }
      EXPECT_EQ(id, t.definitionPages.front());
      EXPECT_EQ(t.catalogRow.offset / layout.pageSize, t.catalogRow.page);
      EXPECT_EQ(bytes.at(t.usageMapPage * layout.pageSize), 0x01);  // a data page
    }
    EXPECT_NE(layout.tables.at("nuv_twin").catalogRow.offset,
              layout.tables.at("nuv").catalogRow.offset);
  }
}

TEST(JetWriter, SameDescriptionSameBytesAndNeverOverwrites) {
  TempDir dir;
  const std::string a = dir.File("a.mdb"), b = dir.File("b.mdb");
  jet_writer::WriteJetDatabase(a, EveryShape(JetFormat::kJet4));
  jet_writer::WriteJetDatabase(b, EveryShape(JetFormat::kJet4));
  EXPECT_EQ(ReadFile(a), ReadFile(b));
  const std::string a3 = dir.File("a3.mdb"), b3 = dir.File("b3.mdb");
  jet_writer::WriteJetDatabase(a3, EveryShape(JetFormat::kJet3));
  jet_writer::WriteJetDatabase(b3, EveryShape(JetFormat::kJet3));
  EXPECT_EQ(ReadFile(a3), ReadFile(b3));

  testing_support::WriteFile(b, "mine");
  EXPECT_THROW(jet_writer::WriteJetDatabase(b, EveryShape(JetFormat::kJet4)),
               jet_writer::JetWriterError);
  EXPECT_EQ(ReadFile(b), "mine");

  // A failure part of the way leaves no file behind.
  DatabaseSpec bad;
  bad.tables.push_back(ShapesTable());
  bad.tables[0].rows = [](std::uint64_t, std::vector<Value>& row) { row.assign(8, Value()); };
  const std::string c = dir.File("c.mdb");
  EXPECT_THROW(jet_writer::WriteJetDatabase(c, bad), jet_writer::JetWriterError);  // Name null
  EXPECT_FALSE(std::filesystem::exists(c));
  // Jet 3 holds Windows-1252 characters only: the emoji of Jet 4's row 0 is refused.
  bad.tables = {ShapesTable(JetFormat::kJet4)};
  bad.format = JetFormat::kJet3;
  try {
    jet_writer::WriteJetDatabase(c, bad);
    ADD_FAILURE() << "an emoji written in Jet 3";
  } catch (const jet_writer::JetWriterError& e) {
    EXPECT_NE(std::string(e.what()).find("column Name: a character that Windows-1252"),
              std::string::npos)
        << e.what();
    EXPECT_EQ(e.status().kind(), base::StatusKind::kRefused);
  }
  EXPECT_FALSE(std::filesystem::exists(c));
  // A file that cannot be created is a damaged write, not a refused description.
  try {
    jet_writer::WriteJetDatabase(dir.File("none/c.mdb"), EveryShape(JetFormat::kJet4));
    ADD_FAILURE() << "a database written in a missing folder";
  } catch (const jet_writer::JetWriterError& e) {
    EXPECT_EQ(e.status().kind(), base::StatusKind::kDamaged) << e.what();
  }
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
  // The same rows in Jet 3, Windows-1252 instead of UTF-16.
  const std::string db3 = dir.File("nuv97.mdb");
  testing_support::CreateJetNuvDatabase(db3, 50, 12, 30, JetFormat::kJet3);
  EXPECT_EQ(MdbReaderRows(db3, "nuv"), rows);
  EXPECT_EQ(testing_support::MdbToolsExport(db3, "nuv"),
            testing_support::MdbToolsExport(db, "nuv"));
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
  const std::string jet3 = dir.File("NUV97.MDB");
  made = RunProcess({tool, jet3, "--jet3", "--rows", "7"});
  EXPECT_EQ(made.exitCode, 0) << made.err;
  EXPECT_EQ(RunProcess({"/usr/bin/env", "mdb-ver", jet3}).out, "JET3\n");
  EXPECT_NE(
      testing_support::MdbToolsSchema(jet3, "nuv").find("\t[Filename]\t\t\tText (50) NOT NULL"),
      std::string::npos);
  EXPECT_EQ(testing_support::ReadWithMdbReader(jet3).tables.at("nuv").substr(0, 2), "7 ");

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
  // A write the system refuses (past a file size limit, as on a full disk) leaves no file.
  const auto full = RunProcess({"/bin/bash", "-c", "trap '' XFSZ; ulimit -f 64; exec \"$@\"", "-",
                                tool, dir.File("b.mdb"), "--rows", "5000"});
  EXPECT_EQ(full.exitCode, 2);
  EXPECT_NE(full.err.find("b.mdb: cannot write: "), std::string::npos) << full.err;
  EXPECT_FALSE(std::filesystem::exists(dir.File("b.mdb")));
  const auto help = RunProcess({tool, "--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("usage: make_sample_mdb FILE"), std::string::npos);
}

}  // namespace
