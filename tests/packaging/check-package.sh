#!/usr/bin/env bash
# Builds the Debian package from a build folder whose programs are built,
# unpacks it into a temporary root and checks it as a technician's machine
# and the archive's tools would: the files in place, the desktop entry and
# the AppStream metadata valid, every program answering --help and --version
# from the unpacked tree, each manual page naming every option of its
# program's --help, and lintian without errors.
#   check-package.sh BUILD_DIR VERSION
set -euo pipefail

build_dir="$1"
version="$2"
programs=(QORAManager qora-cli qora-unit-sim qora-firmware-gen qora-exporter)
app_id=com.tavra.qoramanager

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
  usr/share/doc/qora-manager/copyright \
  usr/share/doc/qora-manager/changelog.Debian.gz; do
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
for file in prometheus.yml prometheus-sharded.yml qora-rules.yml; do
  [ -s "$root/usr/share/doc/qora-manager/monitoring/$file" ] || fail "monitoring/$file missing"
done
if command -v systemd-analyze >/dev/null; then
  # The program is looked for on this machine, not in the unpacked tree.
  verify=$(systemd-analyze verify --man=no "$unit" 2>&1 | grep -v 'Command /usr/bin/qora-exporter is not executable' || true)
  [ -z "$verify" ] || fail "systemd-analyze verify: $verify"
fi

echo "== desktop entry and metainfo"
desktop-file-validate "$root/usr/share/applications/$app_id.desktop" || fail "desktop-file-validate"
grep -q "^Icon=$app_id$" "$root/usr/share/applications/$app_id.desktop" || fail "desktop entry names another icon"
grep -q '^Exec=QORAManager' "$root/usr/share/applications/$app_id.desktop" || fail "desktop entry starts another program"
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
done

echo "== lintian"
lintian --fail-on error --tag-display-limit 0 "$deb" || fail "lintian reports errors"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "package checked"
