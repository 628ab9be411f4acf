#!/usr/bin/env bash
# Builds the Debian package with CPack, checks its fields and dependencies, runs both programs and
# renders the manual pages from the extracted package, and has lintian look at it (no errors).
# Usage: PackageTests.sh BUILD-DIR SOURCE-DIR VERSION
set -u
build=$(realpath "$1")
source=$(realpath "$2")
version=$3
. "$(dirname "$0")/../scripts/shell-tests.sh"

deb="$build/packages/tallyfox_${version}_amd64.deb"
rm -f "$deb"
if ! (cd "$build" && cpack -G DEB) >"$work/cpack.log" 2>&1 || [[ ! -f $deb ]]; then
    cat "$work/cpack.log"
    echo "0 passed, 1 failed"
    exit 1
fi

# --- the control fields ---
field() { dpkg-deb -f "$deb" "$1"; }
expect "Package" "tallyfox" "$(field Package)"
expect "Version" "$version" "$(field Version)"
expect "Architecture" "amd64" "$(field Architecture)"
expect "Section" "utils" "$(field Section)"
expect "Priority" "optional" "$(field Priority)"
expect "Homepage" "https://tallyfox.invalid/" "$(field Homepage)"
expect "Maintainer is a name and an address" "yes" "$([[ $(field Maintainer) =~ ^[^\<]+\ \<[^@\>]+@[^\>]+\>$ ]] && echo yes)"
expect "Description's synopsis" "usage limits of AI coding tools at a glance" "$(field Description | head -1)"
expect "Description has an extended part" "yes" "$( (($(field Description | wc -l) > 3)) && echo yes)"
expect "every file is below /usr" "" "$(dpkg-deb -c "$deb" | awk '{print $6}' | grep -v '^\./usr/' | grep -v '^\./$')"

# --- dependencies come from the binaries: every library they need is in a package depended on ---
dpkg-deb -x "$deb" "$work/root"
# The package names of Depends, one per line, without versions.
depends=$(field Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//')
needed=$(find "$work/root" -type f -exec sh -c 'head -c 4 "$1" | grep -q ELF' sh {} \; -print |
    xargs -r objdump -p | awk '$1 == "NEEDED" {print $2}' | sort -u | grep -v '^libTallyfoxPlatform')
expect "the binaries need libraries" "yes" "$([[ -n $needed ]] && echo yes)"
for library in $needed; do
    path=$(ldconfig -p | awk -v l="$library" '$1 == l && /x86-64/ {print $NF; exit}')
    owner=$(dpkg -S "$path" 2>/dev/null || dpkg -S "$(realpath "$path")" 2>/dev/null)
    owner=${owner%%:*}
    expect "$library's package $owner is depended on" "yes" "$([[ -n $owner ]] && grep -qx -- "$owner" <<<"$depends" && echo yes)"
done

# --- the fonts the widget draws with come with the package: all but CJK as dependencies ---
if [[ -e $work/root/usr/bin/widgethost ]]; then
    recommends=$(field Recommends | tr ',' '\n' | sed 's/^ *//; s/ .*//')
    for package in $(grep -o '"fonts-[a-z-]*"' "$source/platform/ui/TextEngine.cpp" | tr -d '"' | sort -u); do
        if [[ $package == fonts-noto-cjk ]]; then
            expect "$package is recommended" "yes" "$(grep -qx -- "$package" <<<"$recommends" && echo yes)"
        else
            expect "$package is depended on" "yes" "$(grep -qx -- "$package" <<<"$depends" && echo yes)"
        fi
    done
fi

# --- both programs from the extracted package ---
root="$work/root/usr"
expect "the tool's link" "../lib/tallyfox/Tallyfox.app/Contents/MacOS/tallyfox" "$(readlink "$root/bin/tallyfox")"
export HOME="$work/home"
container="$HOME/Library/Group Containers/group.com.tallyfox.Tallyfox"
mkdir -p "$container"
"$source/bench/make-snapshot" --entries 3 >"$container/widget-snapshot.json"
expect "tallyfox --version" "Tallyfox $version" "$("$root/bin/tallyfox" --version 2>&1)"
expect "tallyfox status --json" "1 3" "$("$root/bin/tallyfox" status --json 2>&1 | jq -r '"\(.schemaVersion) \(.providers | length)"' 2>&1)"
if [[ -e $root/bin/widgethost ]]; then
    expect "widgethost describe" "TallyfoxWidget" "$("$root/bin/widgethost" describe --json 2>&1 | jq -r .kind 2>&1)"
    expect "the package carries the host's 13 string tables" "13" \
        "$(find "$root/lib/tallyfox/share/locale" -path '*/LC_MESSAGES/widgethost.mo' -size +0 | wc -l)"
    entry="$root/share/applications/com.tallyfox.Tallyfox.Widgets.desktop"
    expect "the launcher entry runs /usr/bin/widgethost" "Exec=/usr/bin/widgethost show" "$(grep '^Exec=' "$entry")"
    expect "the launcher entry passes desktop-file-validate" "" "$(desktop-file-validate "$entry" 2>&1)"
    shell_extension=$(echo "$root"/share/gnome-shell/extensions/*)
    expect "the GNOME Shell extension is where the shell looks" "desktop-interface.xml desktop.js extension.js metadata.json" \
        "$(ls "$shell_extension" 2>&1 | xargs)"
    expect "its metadata names its folder" "$(basename "$shell_extension")" "$(jq -r .uuid "$shell_extension/metadata.json" 2>&1)"
else
    echo "(widgethost is not built: the package carries no host)"
fi
for page in "$root"/share/man/man1/*.gz; do
    expect "$(basename "$page") renders without warnings" "" \
        "$(MANWIDTH=80 LC_ALL=C.UTF-8 man --warnings -l "$page" 2>&1 >/dev/null)"
done

# --- lintian: no errors; warnings are shown ---
if command -v lintian >/dev/null; then
    lintian --display-info --pedantic "$deb" >"$work/lintian" 2>&1
    grep -E '^[EWIP]: ' "$work/lintian"
    expect "lintian reports no errors" "" "$(grep '^E: ' "$work/lintian")"
else
    echo "(lintian is missing: the package is not checked by it)"
fi

finish
