// Groups in DuckDB the rows a sales analysis cube was built from (the CSV SalesAnalysisBench
// exports) as its first grid does: by one column and year, with subtotals and the total, every
// numeric column summed. Prints the best of five runs and the grand total of the fact named.
// Usage: node sales-analysis.mjs rows.csv groupColumn fact
import { readFileSync } from 'node:fs';
import { DuckDBInstance } from '@duckdb/node-api';

const [csvPath, group, fact] = process.argv.slice(2);
if (!csvPath || !group || !fact) {
  console.error('usage: node sales-analysis.mjs rows.csv groupColumn fact');
  process.exit(2);
}
const instance = await DuckDBInstance.create(':memory:');
const connection = await instance.connect();
const quoted = (text) => `'${String(text).replaceAll("'", "''")}'`;
const name = (text) => `"${String(text).replaceAll('"', '""')}"`;

// The period column: the documents' date, or the date a price applies from.
const header = readFileSync(csvPath, 'utf8').split('\n', 1)[0].split(',');
const dateColumn = header.includes('DocumentDate') ? 'DocumentDate' : 'DateApply';
await connection.run(
  `CREATE TABLE rows AS SELECT * FROM read_csv(${quoted(csvPath)}, header = true, types = {${quoted(dateColumn)}: 'DATE'})`,
);
const columns = (await connection.runAndReadAll('DESCRIBE rows')).getRows();
const sums = columns
  .filter(([, type]) => /DOUBLE|DECIMAL|BIGINT|INTEGER/.test(String(type)))
  .map(([column]) => `sum(${name(column)}) AS ${name(column)}`);
const sql = `SELECT ${name(group)}, year(${name(dateColumn)}) AS y, ${sums.join(', ')} FROM rows GROUP BY CUBE (${name(group)}, y)`;
let best = Infinity;
let reader;
for (let i = 0; i < 5; i += 1) {
  const start = process.hrtime.bigint();
  reader = await connection.runAndReadAll(sql);
  best = Math.min(best, Number(process.hrtime.bigint() - start) / 1e6);
}
// The grand total: the row of the cube whose group and year are both null.
const rows = reader.getRows();
const factAt = reader.columnNames().indexOf(fact);
const total = rows.find((row) => row[0] === null && row[1] === null);
const totalText = total && factAt >= 0 ? Number(total[factAt]).toFixed(4) : 'not found';
console.log(`duckdb group-by ${best.toFixed(1)} ms, ${rows.length} sums; total ${fact} ${totalText}`);
