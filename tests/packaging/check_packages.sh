#!/usr/bin/env bash
# Builds both Debian packages and checks them unpacked into a fresh root.
#   check_packages.sh BUILD_DIR VERSION
set -euo pipefail
BUILD="$1" VERSION="$2"
WORK="$(mktemp -d)"
trap 'rm -rf "$WORK"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$BUILD" && cpack -G DEB -B "$WORK/out" >"$WORK/cpack.log" 2>&1) || { cat "$WORK/cpack.log"; fail "cpack"; }
CLIENT="$WORK/out/ventor-telefon_${VERSION}_amd64.deb"
SERVER="$WORK/out/ventor-server_${VERSION}_all.deb"
[[ -f "$CLIENT" ]] || fail "no $(basename "$CLIENT"): $(ls "$WORK/out")"
[[ -f "$SERVER" ]] || fail "no $(basename "$SERVER")"

ROOT="$WORK/root"
dpkg -x "$CLIENT" "$ROOT"
dpkg -x "$SERVER" "$ROOT"

# Dependencies: the shared libraries the program links, the server's GT.M and socket activator.
depends="$(dpkg-deb -f "$CLIENT" Depends)"
for lib in libqt6widgets6 libqt6network6 liblinphone++10 libc6; do
  grep -q "$lib" <<<"$depends" || fail "ventor-telefon does not depend on $lib: $depends"
done
depends="$(dpkg-deb -f "$SERVER" Depends)"
for p in fis-gtm systemd openssl; do
  grep -q "$p" <<<"$depends" || fail "ventor-server does not depend on $p: $depends"
done

# Desktop entry and AppStream data, as the desktop and software centres read them.
APPS="$ROOT/usr/share/applications"
desktop-file-validate "$APPS/de.ventor.Telefon.desktop"
appstreamcli validate --no-net --pedantic "$ROOT/usr/share/metainfo/de.ventor.Telefon.metainfo.xml"
grep -qx 'Name=VENTOR Telefon' "$APPS/de.ventor.Telefon.desktop" || fail "desktop name"
grep -q '^Comment=Telefonieren' "$APPS/de.ventor.Telefon.desktop" || fail "German comment"
grep -qx 'Categories=Office;Telephony;' "$APPS/de.ventor.Telefon.desktop" || fail "categories"
# The links the desktop hands to the program once the entry is installed.
update-desktop-database "$APPS"
for scheme in tel sip callto; do
  grep -qx "x-scheme-handler/$scheme=de.ventor.Telefon.desktop;" "$APPS/mimeinfo.cache" \
    || fail "no handler for $scheme: links"
done
[[ -s "$ROOT/usr/share/icons/hicolor/scalable/apps/de.ventor.Telefon.svg" ]] || fail "icon"
for page in ventor-telefon ventor-server; do
  zcat "$ROOT/usr/share/man/man1/$page.1.gz" | grep -q '^\.TH' || fail "man page $page"
done

# The SIP line's module, where the program looks for it beside itself.
find "$ROOT/usr/lib" -path '*/ventor-telefon/ventor-sipline.so' | grep -q . || fail "SIP line module"

# The unpacked program and tool run.
QT_QPA_PLATFORM=offscreen "$ROOT/usr/bin/ventor-telefon" --help | grep -q -- '--dial' \
  || fail "ventor-telefon --help"
"$ROOT/usr/bin/ventor-line-sim" --help >/dev/null 2>&1 || [[ $? -ne 127 ]] || fail "ventor-line-sim"

# The server script finds its routines beside itself: a database made from the unpacked files.
"$ROOT/usr/bin/ventor-server" create "$WORK/db" >/dev/null
[[ -f "$WORK/db/obj/VXGW.o" ]] || fail "routines not compiled from the package"
grep -q '^ExecStart=/usr/bin/ventor-server serve .* 1973 ' \
  "$ROOT/usr/lib/systemd/system/ventor-server.service" \
  || fail "service unit"
dpkg-deb -I "$SERVER" postinst | grep -q adduser || fail "server user"
echo "packages ok"
