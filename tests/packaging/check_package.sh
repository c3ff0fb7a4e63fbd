#!/usr/bin/env bash
# Makes the Debian package from a built tree and checks it: the files it installs and nothing
# else (the same tree cmake --install makes), the programs stripped and running, dependencies found
# from the binaries, the desktop entry valid, the manual pages rendering without warnings, the
# Python module importable by Debian's python3, and Debian's checker (lintian) content with the
# package.
#   check_package.sh <build dir>
# The suite runs after the build, so the package is made from the packaging folder alone, without
# cpack's check that the whole project is up to date; that folder holds every install rule (the
# comparison with cmake --install of the whole project catches one added elsewhere).
set -euo pipefail
build=$(cd "$1" && pwd)
examples=$(cd "$(dirname "$0")/../../examples" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "$*"
    failures=$((failures + 1))
}

if ! cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" \
    -D CPACK_INSTALL_CMAKE_PROJECTS="$build/packaging;Vextor;ALL;/" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    exit 1
fi
shopt -s nullglob
debs=("$work"/vextor_*_"$(dpkg --print-architecture)".deb)
[ ${#debs[@]} -eq 1 ] || { echo "cpack made no vextor_<version>_<arch>.deb"; ls "$work"; exit 1; }
deb=${debs[0]}

# The contents: exactly these files, owned by root, the programs executable.
expected=(/usr/bin/vextor /usr/bin/vextor-cli /usr/bin/vextor-sim
    /usr/share/applications/vextor.desktop
    /usr/share/bash-completion/completions/vextor-cli
    /usr/share/man/man1/vextor.1.gz /usr/share/man/man1/vextor-cli.1.gz /usr/share/man/man1/vextor-sim.1.gz
    /usr/share/mime/packages/vextor.xml
    /usr/share/doc/vextor/changelog.gz /usr/share/doc/vextor/copyright)
python_dir=/usr/lib/python3/dist-packages/vextor
extension=_vextor$(/usr/bin/python3 -c 'import sysconfig; print(sysconfig.get_config_var("EXT_SUFFIX"))')
for file in __init__.py errors.py results.py simulator.py _vextor.pyi py.typed "$extension"; do
    expected+=("$python_dir/$file")
done
for size in 16 22 24 32 48 64 128 256; do
    expected+=("/usr/share/icons/hicolor/${size}x${size}/apps/vextor.png")
done
listing=$(dpkg-deb -c "$deb")
files=$(awk '$1 !~ /^d/ { sub(/^\./, "", $6); print $6 }' <<<"$listing")
for path in "${expected[@]}"; do
    grep -qx "$path" <<<"$files" || fail "missing: $path"
done
for path in $files; do
    [[ " ${expected[*]} " == *" $path "* ]] || fail "unexpected: $path"
done
DESTDIR=$work/installed cmake --install "$build" --prefix /usr >/dev/null
installed=$(cd "$work/installed" && find . -type f | sed 's/^\.//' | sort)
[ "$installed" = "$(sort <<<"$files")" ] || fail "cmake --install installs another tree:
$(diff <(echo "$installed") <(sort <<<"$files"))"
strangers=$(awk '$2 != "root/root" { print $6 }' <<<"$listing")
[ -z "$strangers" ] || fail "not owned by root: $strangers"
for program in vextor vextor-cli vextor-sim; do
    grep -q "^-rwxr-xr-x .* \./usr/bin/$program\$" <<<"$listing" || fail "/usr/bin/$program is not executable"
done

# The fields: dependencies come from what the programs link.
[ "$(dpkg-deb -f "$deb" Package)" = vextor ] || fail "Package is not vextor"
depends=$(dpkg-deb -f "$deb" Depends)
for library in libc6 libstdc++6 libqt5core5a libqt5gui5 libqt5widgets5 libqt5network5 libqt5xml5 python3 libmicrohttpd12; do
    [[ "$depends" == *"$library "* ]] || fail "Depends lacks $library: $depends"
done

dpkg-deb -x "$deb" "$work/root"
root=$work/root
for program in vextor vextor-cli vextor-sim; do
    readelf -S "$root/usr/bin/$program" | grep -q '\.debug_info' && fail "/usr/bin/$program is not stripped"
done
# The installed programs run: vextor-cli prints its usage (and exits 64), vextor-sim its help.
usage=$("$root/usr/bin/vextor-cli" 2>&1 || true)
[[ "$usage" == "Usage: vextor-cli"* ]] || fail "/usr/bin/vextor-cli prints no usage: $usage"
usage=$("$root/usr/bin/vextor-sim" --help 2>&1 || true)
[[ "$usage" == *--udp* ]] || fail "/usr/bin/vextor-sim --help lists no options: $usage"
readelf -S "$root$python_dir/$extension" | grep -q '\.debug_info' && fail "$python_dir/$extension is not stripped"
imported=$(cd "$work" && PYTHONPATH="$root/usr/lib/python3/dist-packages" /usr/bin/python3 -c \
    'import vextor; print(vextor.__file__, len(vextor.Document.load("'"$examples"'/coincidence.vxt3").image()) > 0)' 2>&1) ||
    fail "the installed Python module does not import: $imported"
[[ "$imported" == "$root$python_dir/__init__.py True" ]] || fail "the installed Python module: $imported"
# Each prints the package's version; the editor before it needs a display.
version=$(dpkg-deb -f "$deb" Version)
for program in vextor vextor-cli vextor-sim; do
    printed=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$root/usr/bin/$program" --version 2>&1) ||
        fail "/usr/bin/$program --version failed: $printed"
    [ "$printed" = "$program $version" ] || fail "/usr/bin/$program --version prints: $printed"
done

if command -v desktop-file-validate >/dev/null; then
    report=$(desktop-file-validate "$root/usr/share/applications/vextor.desktop" 2>&1) ||
        fail "desktop-file-validate: $report"
    [ -z "$report" ] || fail "desktop-file-validate: $report"
else
    echo "desktop-file-validate not installed (package desktop-file-utils): the desktop entry is not checked"
fi
if command -v groff >/dev/null; then
    for page in "$root"/usr/share/man/man1/*.1.gz; do
        warnings=$(zcat "$page" | LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z 2>&1)
        [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
    done
else
    echo "groff not installed (package groff-base): the manual pages are not rendered"
fi

if command -v mandoc >/dev/null; then
    for page in "$root"/usr/share/man/man1/*.1.gz; do
        warnings=$(zcat "$page" | mandoc -T lint -W warning 2>&1)
        [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
    done
else
    echo "mandoc not installed (package mandoc): the manual pages are not checked"
fi
# What Debian's package checker finds, but for the information it gives on the way (and the note
# that it runs as root).
if command -v lintian >/dev/null; then
    findings=$(lintian --tag-display-limit 0 "$deb" 2>&1 | grep -v -e '^N:' -e 'root privileges' || true)
    [ -z "$findings" ] || fail "lintian: $findings"
else
    echo "lintian not installed (package lintian): the package is not checked"
fi

[ "$failures" -eq 0 ] && echo "package $(basename "$deb"): ok"
exit $((failures > 0))
