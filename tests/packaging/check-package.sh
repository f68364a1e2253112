#!/usr/bin/env bash
# Builds the Debian package from a build folder whose programs are built,
# unpacks it into a temporary root and checks it as a technician's machine
# and the archive's tools would: the files in place, the desktop entry and
# the AppStream metadata valid, every program answering --help and --version
# from the unpacked tree, each manual page naming every option of its
# program's --help, and lintian without errors (and, for a release build,
# without hardening notes).
#   check-package.sh BUILD_DIR VERSION [BUILD_TYPE]
set -euo pipefail

build_dir="$1"
version="$2"
build_type="${3:-}"
programs=(QORAManager qora-cli qora-unit-sim qora-firmware-gen qora-exporter)
app_id=com.tavra.qoramanager
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
doc_dir=usr/share/doc/qora-manager

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "== package"
cpack -G DEB --config "$build_dir/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 \
  || { cat "$work/cpack.log" >&2; exit 1; }
debs=("$work"/out/qora-manager_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "FAIL: no single package made" >&2; ls -R "$work/out" >&2; exit 1; }
deb="${debs[0]}"
echo "$(basename "$deb")"

root="$work/root"
dpkg-deb -x "$deb" "$root"
control=$(dpkg-deb -f "$deb")
for field in Package Version Maintainer Section Description Depends; do
  grep -q "^$field: ." <<<"$control" || fail "control field $field missing"
done
grep -q "^Version: $version-" <<<"$control" || fail "package version is not $version-RELEASE"
grep -q '^Depends:.*libqt6widgets6' <<<"$control" || fail "Depends not computed from the binaries"

echo "== files"
for path in \
  usr/share/qora-manager/help/index.html \
  usr/share/qora-manager/help/style.css \
  usr/share/applications/$app_id.desktop \
  usr/share/metainfo/$app_id.metainfo.xml \
  usr/share/icons/hicolor/scalable/apps/$app_id.svg \
  usr/share/icons/hicolor/48x48/apps/$app_id.png \
  usr/share/icons/hicolor/256x256/apps/$app_id.png \
  usr/share/mime/packages/$app_id.xml \
  $doc_dir/copyright \
  $doc_dir/changelog.Debian.gz; do
  [ -s "$root/$path" ] || fail "$path missing or empty"
done
for program in "${programs[@]}"; do
  [ -x "$root/usr/bin/$program" ] || fail "usr/bin/$program missing"
  [ -s "$root/usr/share/man/man1/$program.1.gz" ] || fail "manual page of $program missing"
done
# Nothing of the build tree comes along: no tests, benchmarks or build tools.
extra=$(find "$root/usr/bin" -type f ! \( -name QORAManager -o -name 'qora-cli' -o -name 'qora-unit-sim' -o -name 'qora-firmware-gen' -o -name 'qora-exporter' \))
[ -z "$extra" ] || fail "unexpected programs: $extra"
zcat "$root/usr/share/doc/qora-manager/changelog.Debian.gz" | head -n 1 | grep -q "^qora-manager ($version-" \
  || fail "the changelog's first entry is not this version"
grep -q "<release version=\"$version\"" "$root/usr/share/metainfo/$app_id.metainfo.xml" \
  || fail "the metainfo names no release $version"

echo "== the exporter's service"
# Its own user, hardened, started by the exporter's settings file, and not
# enabled by the package: no wants link, no enabling maintainer script.
unit="$root/lib/systemd/system/qora-exporter.service"
if [ -s "$unit" ]; then
  for line in 'User=qora-exporter' 'ExecStart=/usr/bin/qora-exporter $ARGS' \
    'EnvironmentFile=-/etc/default/qora-exporter' 'NoNewPrivileges=true' 'ProtectSystem=strict' \
    'ProtectHome=true' 'PrivateTmp=true' 'CapabilityBoundingSet=' 'WantedBy=multi-user.target'; do
    grep -qxF "$line" "$unit" || fail "qora-exporter.service lacks $line"
  done
else
  fail "lib/systemd/system/qora-exporter.service missing"
fi
grep -q '^u qora-exporter ' "$root/usr/lib/sysusers.d/qora-exporter.conf" 2>/dev/null \
  || fail "no sysusers entry for the user qora-exporter"
[ -z "$(find "$root" -path '*/systemd/system/*.wants*')" ] || fail "the package enables a service"
dpkg-deb -e "$deb" "$work/control"
grep -qxF /etc/default/qora-exporter "$work/control/conffiles" 2>/dev/null \
  || fail "/etc/default/qora-exporter is not a conffile"
! grep -qE 'systemctl +(enable|start)|deb-systemd-helper +enable' "$work/control/postinst" \
  || fail "postinst enables or starts the service"
settings="$root/etc/default/qora-exporter"
[ -s "$settings" ] || fail "etc/default/qora-exporter missing"
grep -q '^# ' "$settings" && grep -q '^QORA_RKS_DIRECTORY=' "$settings" && grep -q '^ARGS=' "$settings" \
  || fail "etc/default/qora-exporter is not the commented settings file"
for file in monitoring.md monitoring/prometheus.yml monitoring/prometheus-sharded.yml monitoring/qora-rules.yml; do
  [ -s "$root/$doc_dir/$file" ] || fail "$doc_dir/$file missing"
done
if command -v systemd-analyze >/dev/null; then
  # The program is looked for on this machine, not in the unpacked tree.
  verify=$(systemd-analyze verify --man=no "$unit" 2>&1 | grep -v 'Command /usr/bin/qora-exporter is not executable' || true)
  [ -z "$verify" ] || fail "systemd-analyze verify: $verify"
fi

echo "== desktop entry and metainfo"
desktop-file-validate "$root/usr/share/applications/$app_id.desktop" || fail "desktop-file-validate"
grep -q "^Icon=$app_id$" "$root/usr/share/applications/$app_id.desktop" || fail "desktop entry names another icon"
grep -q '^Exec=QORAManager %f$' "$root/usr/share/applications/$app_id.desktop" \
  || fail "desktop entry starts another program, or without the file opened"
# A double click on a work order: the entry takes the work order's type, which
# the package defines, and a work order is told from other XML by its contents.
work_order_type=application/x-qora-work-order
grep -q "^MimeType=.*$work_order_type;" "$root/usr/share/applications/$app_id.desktop" \
  || fail "desktop entry does not open $work_order_type"
grep -q "<mime-type type=\"$work_order_type\">" "$root/usr/share/mime/packages/$app_id.xml" \
  || fail "the package does not define $work_order_type"
if command -v update-mime-database >/dev/null && command -v gio >/dev/null; then
  mime="$work/mime"
  mkdir -p "$mime/mime/packages"
  cp /usr/share/mime/packages/freedesktop.org.xml "$root/usr/share/mime/packages/$app_id.xml" "$mime/mime/packages/"
  update-mime-database "$mime/mime" >/dev/null 2>&1
  printf '<?xml version="1.0"?>\n<catalog/>\n' >"$work/other.xml"
  samples="$source_dir/tests/data/workorders"
  for file in "$samples/one_unit.xml" "$samples/namespace_default.xml" "$samples/namespaces_prefixed.xml" \
    "$work/other.xml"; do
    type=$(XDG_DATA_DIRS="$mime" XDG_DATA_HOME="$work/none" gio info -a standard::content-type "$file" 2>/dev/null \
      | sed -n 's/^ *standard::content-type: //p')
    case "$file" in
      */other.xml) expected=application/xml ;;
      *) expected=$work_order_type ;;
    esac
    [ "$type" = "$expected" ] || fail "$(basename "$file") is taken for ${type:-nothing}, not $expected"
  done
else
  echo "(no update-mime-database or gio: the work order's type is not tried on files)"
fi
appstreamcli validate --no-net "$root/usr/share/metainfo/$app_id.metainfo.xml" || fail "appstreamcli validate"

echo "== programs"
# No display: the desktop program must answer these without one.
for program in "${programs[@]}"; do
  exe="$root/usr/bin/$program"
  if ! help=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$exe" --help 2>"$work/err"); then
    fail "$program --help failed: $(cat "$work/err")"
    continue
  fi
  [ -n "$help" ] || fail "$program --help printed nothing"
  answer=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$exe" --version 2>&1) || fail "$program --version failed"
  [ "$answer" = "$program $version" ] || fail "$program --version said '$answer'"
  # The manual page is made from --help: each of its options is in it, and
  # for qora-cli each command's own options too.
  page=$(zcat "$root/usr/share/man/man1/$program.1.gz" | sed 's/\\-/-/g; s/\\f[BIRP]//g')
  if [ "$program" = qora-cli ]; then
    commands=$(sed -n '/^commands:/,/^options:/p' <<<"$help" | sed -n 's/^  \([a-z][a-z-]*\).*/\1/p')
    [ -n "$commands" ] || fail "qora-cli --help lists no commands"
    for command in $commands; do
      grep -q "^\.SS $command\$" <<<"$page" || fail "manual page of qora-cli has no section for $command"
      help+=$'\n'$("$exe" "$command" --help)
    done
  fi
  for option in $(grep -o -- '--[a-z][a-z0-9-]*' <<<"$help" | sort -u); do
    grep -q -- "$option" <<<"$page" || fail "manual page of $program lacks $option"
  done
  # Every command of the overview is an item of a list in the manual page, not
  # a paragraph of its own.
  if [ "$program" = qora-cli ]; then
    items=$(grep -A1 '^\.TP$' <<<"$page")
    for command in $commands; do
      grep -q "^$command\( \|$\)" <<<"$items" || fail "manual page of qora-cli: $command is no list item"
    done
  fi
  # The documents the texts name come with the package, and no text sends the
  # reader to the source tree.
  for doc in $(grep -oh '[a-z][a-z0-9-]*\.md' <<<"$help"$'\n'"$page" | sort -u); do
    [ -s "$root/$doc_dir/$doc" ] || fail "$program names $doc, which is not in /$doc_dir"
  done
  ! grep -q 'docs/' <<<"$help"$'\n'"$page" || fail "$program names a document by its place in the source tree"
done

echo "== lintian"
lintian_status=0
lintian_out=$(lintian --fail-on error --display-info --tag-display-limit 0 "$deb") || lintian_status=$?
echo "$lintian_out"
[ "$lintian_status" -eq 0 ] || fail "lintian reports errors"
# Release builds are hardened as Debian's packages are; a debug build's
# programs are not fortified (that needs optimisation).
if [[ "$build_type" =~ ^(Release|RelWithDebInfo|MinSizeRel)$ ]]; then
  hardening=$(grep -E ': hardening-' <<<"$lintian_out" || true)
  [ -z "$hardening" ] || fail "release programs not hardened: $(tr '\n' ' ' <<<"$hardening")"
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "package checked"
