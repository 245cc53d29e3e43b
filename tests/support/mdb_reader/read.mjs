// Reads a Jet database with npm's mdb-reader and prints what the tests compare, one fact a line,
// fields separated by tabs:
//
//   column <TAB> table <TAB> name <TAB> type <TAB> size <TAB> fixed|variable
//   table  <TAB> name <TAB> rows <TAB> sha256 of every row, in order
//   value  <TAB> table <TAB> column <TAB> row <TAB> JSON of the value     (with --values=TABLE)
//
// With --rows=TABLE it prints instead the rows of TABLE, a system table too, as one JSON array.
//
// Usage: node read.mjs FILE [--values=TABLE | --rows=TABLE]. Exits 1 with the reader's message on
// stderr when the file cannot be read.
import { createHash } from "node:crypto";
import { readFileSync } from "node:fs";
import MDBReader from "mdb-reader";

const [file, ...options] = process.argv.slice(2);
const valuesOf = options.find((o) => o.startsWith("--values="))?.slice("--values=".length);
const rowsOf = options.find((o) => o.startsWith("--rows="))?.slice("--rows=".length);

function normal(value) {
  if (value === null || value === undefined) return null;
  if (value instanceof Date) return value.toISOString();
  if (Buffer.isBuffer(value)) return "hex:" + value.toString("hex");
  if (typeof value === "bigint") return value.toString();
  return value;
}

try {
  const reader = new MDBReader(readFileSync(file));
  if (rowsOf !== undefined) {
    if (!reader.getTableNames({ systemTables: true }).includes(rowsOf)) {
      throw new Error(`no table ${rowsOf}`);
    }
    process.stdout.write(JSON.stringify(reader.getTable(rowsOf).getData().map((row) =>
      Object.fromEntries(Object.entries(row).map(([k, v]) => [k, normal(v)])))));
    process.exit(0);
  }
  const lines = [];
  for (const name of reader.getTableNames()) {
    const table = reader.getTable(name);
    const columns = table.getColumns();
    for (const c of columns) {
      lines.push(["column", name, c.name, c.type, c.size, c.fixedLength ? "fixed" : "variable"]);
    }
    const hash = createHash("sha256");
    const rows = table.getData();
    rows.forEach((row, index) => {
      const values = columns.map((c) => normal(row[c.name]));
      hash.update(JSON.stringify(values) + "\n");
      if (name === valuesOf) {
        columns.forEach((c, k) => lines.push(["value", name, c.name, index, JSON.stringify(values[k])]));
      }
    });
    lines.push(["table", name, rows.length, hash.digest("hex")]);
  }
  process.stdout.write(lines.map((l) => l.join("\t")).join("\n") + "\n");
} catch (error) {
  process.stderr.write(`mdb-reader: ${error?.message ?? error}\n`);
  process.exit(1);
}
