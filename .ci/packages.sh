#!/usr/bin/env bash
# The packages as a distributor checks them, from a clone as root on Debian 12:
#  1. builds Torvane twice, in two build directories, and makes the .tar.gz
#     and .deb of each with cpack, and the same for the Windows .zip of the
#     mingw-w64 cross build: the two of each must be the same byte for byte,
#     every entry dated the commit (cmake/TorvaneCPackOptions.cmake);
#  2. lintian passes the .deb with no error and no warning;
#  3. every package holds the licence, the notices, the README and the
#     changelog; the .deb its copyright file, a Debian changelog of its own
#     version and the compressed manual page; the Linux packages the shell
#     completions.
#
#   bash .ci/packages.sh
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
BUILD=$ROOT/build-ci-packages
# shellcheck source=job.sh
. "$ROOT/.ci/job.sh"

fail() {
    printf 'packages.sh: %s\n' "$*" >&2
    exit 1
}

install_tools() {
    local missing=()
    for package in cmake ninja-build g++ dpkg-dev file lintian gzip zip unzip g++-mingw-w64-x86-64-posix git; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$package")
    done
    install_packages_named "${missing[@]}"
}

# Builds torvane alone in $1 (further arguments go to cmake) and packs it
# into $1/packages.
build_and_pack() {
    local build=$1
    shift
    cmake -S "$ROOT" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTORVANE_WARNINGS_AS_ERRORS=ON \
        -DTORVANE_BUILD_TESTS=OFF -DTORVANE_BUILD_TOOLS=OFF "$@" >"$build.configure.log" 2>&1 ||
        { cat "$build.configure.log"; exit 1; }
    cmake --build "$build" -j2 >/dev/null
    (cd "$build" && cpack -B "$build/packages" >"$build.cpack.log" 2>&1) ||
        { cat "$build.cpack.log"; exit 1; }
    rm -rf "$build/packages/_CPack_Packages"
}

same_packages() {
    local first=$1 second=$2 package
    for package in "$first"/packages/*; do
        cmp "$package" "$second/packages/${package##*/}" ||
            fail "${package##*/} differs between two builds of one commit"
        echo "same bytes twice: ${package##*/}"
    done
}

# Every entry of a tar listing (tar -tv --full-time) dated the commit.
dated_the_commit() {
    local what=$1 listing=$2 date
    date=$(date -u -d "@$epoch" '+%Y-%m-%d %H:%M:%S')
    ! awk -v date="$date" '$4 " " $5 != date' "$listing" | grep . ||
        fail "$what has entries not dated the commit ($date)"
}

has_entries() {
    local what=$1 listing=$2 entry
    shift 2
    for entry in "$@"; do
        grep -qE "(^|[ /])${entry//./\\.}\$" "$listing" || fail "$what has no $entry"
    done
}

check_tarball() {
    local tarball=$1
    tar -tvz --full-time -f "$tarball" >"$BUILD/tarball.txt"
    dated_the_commit "${tarball##*/}" "$BUILD/tarball.txt"
    # Sorted by name within each directory, as GNU tar --sort=name does.
    tar -tzf "$tarball" | tr / '\001' | LC_ALL=C sort -c ||
        fail "${tarball##*/} lists its entries in the file system's order, not sorted"
    has_entries "${tarball##*/}" "$BUILD/tarball.txt" bin/torvane share/doc/torvane/LICENSE \
        share/doc/torvane/NOTICE share/doc/torvane/README.md share/doc/torvane/CHANGELOG.md \
        share/man/man1/torvane.1 share/bash-completion/completions/torvane \
        share/zsh/vendor-completions/_torvane share/fish/vendor_completions.d/torvane.fish
}

check_deb() {
    local deb=$1 unpacked=$BUILD/deb version
    dpkg-deb --fsys-tarfile "$deb" | tar -tv --full-time >"$BUILD/deb.txt"
    dated_the_commit "${deb##*/}" "$BUILD/deb.txt"
    has_entries "${deb##*/}" "$BUILD/deb.txt" usr/bin/torvane usr/share/doc/torvane/copyright \
        usr/share/doc/torvane/changelog.gz usr/share/doc/torvane/README.md.gz usr/share/man/man1/torvane.1.gz \
        usr/share/bash-completion/completions/torvane usr/share/zsh/vendor-completions/_torvane \
        usr/share/fish/vendor_completions.d/torvane.fish
    rm -rf "$unpacked"
    dpkg-deb -x "$deb" "$unpacked"
    grep -q '^Copyright: .*The Torvane developers$' "$unpacked/usr/share/doc/torvane/copyright" ||
        fail "the .deb's copyright file does not name Torvane's copyright"
    grep -q '^Copyright: .*Unicode, Inc\.$' "$unpacked/usr/share/doc/torvane/copyright" ||
        fail "the .deb's copyright file lacks the Unicode data's notice"
    zcat "$unpacked/usr/share/doc/torvane/changelog.gz" >"$BUILD/changelog"
    version=$(dpkg-parsechangelog -l "$BUILD/changelog" -S Version)
    [[ $version == "$(dpkg-deb -f "$deb" Version)" ]] ||
        fail "the .deb's changelog names version $version, the package $(dpkg-deb -f "$deb" Version)"
    section "lintian ${deb##*/}"
    local verdict=0
    lintian --fail-on error,warning "$deb" >"$BUILD/lintian.txt" 2>&1 || verdict=$?
    grep -v '^running with root privileges' "$BUILD/lintian.txt" || true
    ((verdict == 0)) || fail "lintian rejects ${deb##*/}"
    echo "lintian: no error, no warning"
}

# zipinfo -T lists "-rw-r--r-- 3.0 unx 1935 t- defX 20261208.101052 NAME".
check_zip() {
    local zip=$1 top
    top=$(basename "$zip" .zip)
    zipinfo -T "$zip" | awk 'NF == 8 && $1 ~ /^[-d]/ { print $7, $8 }' >"$BUILD/zip.txt"
    has_entries "${zip##*/}" "$BUILD/zip.txt" "$top/bin/torvane.exe" "$top/LICENSE" "$top/NOTICE" \
        "$top/README.md" "$top/CHANGELOG.md"
    # A zip's times count in steps of two seconds; zip rounds an odd one up.
    ! grep -v "^$(date -u -d "@$(((epoch + 1) / 2 * 2))" '+%Y%m%d.%H%M%S') " "$BUILD/zip.txt" ||
        fail "${zip##*/} has entries not dated the commit"
    cut -d ' ' -f 2- "$BUILD/zip.txt" | LC_ALL=C sort -c ||
        fail "${zip##*/} lists its entries in the file system's order, not sorted"
}

section "tools"
install_tools
# The time the packages must carry: outside a git checkout, the midnight of
# the newest release date in CHANGELOG.md.
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$ROOT" log -1 --format=%ct 2>/dev/null ||
    date -u -d "$(sed -n 's/^## [0-9][^ ]* - \([0-9-]*\)$/\1/p' CHANGELOG.md | head -n 1)" +%s)}
echo "packages dated $(date -u -d "@$epoch")"
rm -rf "$BUILD"
mkdir -p "$BUILD"

section "Linux packages, built twice"
build_and_pack "$BUILD/linux-a"
build_and_pack "$BUILD/linux-b"
same_packages "$BUILD/linux-a" "$BUILD/linux-b"
check_tarball "$(ls "$BUILD"/linux-a/packages/torvane-*.tar.gz)"
check_deb "$(ls "$BUILD"/linux-a/packages/torvane_*.deb)"

section "Windows package, built twice"
build_and_pack "$BUILD/windows-a" --toolchain "$ROOT/cmake/toolchain-mingw64.cmake"
build_and_pack "$BUILD/windows-b" --toolchain "$ROOT/cmake/toolchain-mingw64.cmake"
same_packages "$BUILD/windows-a" "$BUILD/windows-b"
check_zip "$(ls "$BUILD"/windows-a/packages/torvane-*.zip)"

section "done"
echo "packages job: $((SECONDS - job_started)) s"
