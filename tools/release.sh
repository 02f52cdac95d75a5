#!/usr/bin/env bash
# Sets up and builds Kavro for Windows, takes the README's picture of its window (docs/kavro-window.png) from a
# virtual display, and makes the release in build/release: Kavro-<version>-win64.zip (Kavro.exe, LIESMICH.txt,
# LICENSE.txt and THIRD-PARTY-NOTICES.txt), Kavro.exe beside it and SHA256SUMS.txt. Then it builds the release a second time, from a copy of the source in a
# fresh folder of another name, and fails loudly unless the exe and the archive come out byte for byte the same.
set -uo pipefail
KAVRO_ROOT=$(cd "$(dirname "$0")/.." && pwd -P)
cd "$KAVRO_ROOT"
# As in tools/test.sh: a checkout of another user is safe for these calls.
git() { command git -c safe.directory="$KAVRO_ROOT" "$@"; }
bash tools/setup-debian.sh || exit 1
source tools/wine-env.sh
cmake --preset windows >/dev/null && cmake --build --preset windows || { echo "The build failed."; exit 1; }

# The program's own prefix, made and settled before the picture is taken, with a fresh Wine server on the new display.
wineserver -k 2>/dev/null
[ -f "$WINEPREFIX/system.reg" ] || { wineboot -i >/dev/null 2>&1; wineserver -w; }
status=0
xvfb-run -a -s "-screen 0 640x480x24" bash tools/screenshot.sh docs/kavro-window.png || {
    echo "Could not take the screenshot of the window."
    status=1
}
wineserver -k 2>/dev/null

fail() {
    echo "$*" >&2
    exit 1
}

# Every entry of the archive carries one time: SOURCE_DATE_EPOCH where it is set, else the commit's.
epoch=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null)}
[ -n "$epoch" ] || fail "Neither SOURCE_DATE_EPOCH nor a git commit gives the release its time."
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/windows/CMakeCache.txt)
archive="Kavro-$version-win64.zip"

# What the archive holds, in this order: the program, the users' guide, Kavro's license and the notices of the
# libraries inside Kavro.exe.
contents=(Kavro.exe LIESMICH.txt LICENSE.txt THIRD-PARTY-NOTICES.txt)

# make_release SOURCE BUILD OUT: the archive of BUILD's Kavro.exe and SOURCE's texts in OUT, in a fixed order with a
# fixed time and fixed attributes and no extra fields (zip -X), the exe beside it and their checksums.
make_release() {
    local source=$1 build=$2 out=$3
    rm -rf "$out" && mkdir -p "$out/stage" || fail "Cannot make $out."
    cp "$build/Kavro.exe" "$out/stage/" || fail "$build/Kavro.exe is missing."
    for text in "${contents[@]:1}"; do
        cp "$source/$text" "$out/stage/" || fail "$source/$text is missing."
    done
    chmod 0644 "$out/stage/"* && touch -d "@$epoch" "$out/stage/"*
    (cd "$out/stage" && TZ=UTC zip -X -q "../$archive" "${contents[@]}") || fail "Could not make $out/$archive."
    mv "$out/stage/Kavro.exe" "$out/" && rm -rf "$out/stage"
    (cd "$out" && sha256sum "$archive" Kavro.exe >SHA256SUMS.txt)
}

release=build/release
make_release . build/windows "$release"
listing=$(unzip -Z1 "$release/$archive" | tr '\n' ' ')
[ "$listing" = "${contents[*]} " ] || fail "$release/$archive holds \"$listing\", not exactly ${contents[*]}."
unzip -p "$release/$archive" Kavro.exe | cmp -s - build/windows/Kavro.exe ||
    fail "The Kavro.exe in $release/$archive is not the one just built."
sections=$(x86_64-w64-mingw32-objdump -h "$release/Kavro.exe") || fail "Cannot read the sections of $release/Kavro.exe."
! grep -E ' \.debug' <<<"$sections" || fail "$release/Kavro.exe carries the debug sections above."

# The second build: the tracked and new files as they are now, in another folder, built in a folder of another name.
check="$KAVRO_ROOT/build/release-check"
rm -rf "$check" && mkdir -p "$check/kavro-source"
git ls-files -z --cached --others --exclude-standard | tar --null -T - -cf - | tar -xf - -C "$check/kavro-source"
(cd "$check/kavro-source" && cmake --preset windows -B "$check/second-build" -DBUILD_TESTING=OFF >/dev/null &&
    cmake --build "$check/second-build" --target Kavro >/dev/null) || fail "The second build failed."
make_release "$check/kavro-source" "$check/second-build" "$check/release"
for file in Kavro.exe "$archive"; do
    cmp -s "$release/$file" "$check/release/$file" ||
        fail "NOT REPRODUCIBLE: $release/$file and $check/release/$file differ ($(cmp "$release/$file" "$check/release/$file"))."
done

echo "Release in $release, reproduced byte for byte by a second build in $check:"
cat "$release/SHA256SUMS.txt"
exit "$status"
