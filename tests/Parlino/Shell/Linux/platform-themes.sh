#!/usr/bin/env bash
# Starts of the real application in the desktop session of scripts/ci-services.sh under the
# platform themes that users' environments name (a GTK one, ones left behind whose plugin is
# missing, the portal's, none) and the desktops they run (named by XDG_CURRENT_DESKTOP, or only by
# DESKTOP_SESSION as older sessions do): GTK is never mapped into the application, and its log
# says which theme it uses; so too for a theme named on the command line. A plain Qt program on a
# GNOME desktop first shows that this check sees GTK where Qt loads it.
# Usage: platform-themes.sh <parlino> <a plain Qt program that prints "ready" once shown>
set -euo pipefail
app="$1"
plain="$2"
themes=(gtk3 qt5ct xdgdesktopportal flatpak none "")
desktops=(XDG_CURRENT_DESKTOP=GNOME XDG_CURRENT_DESKTOP=ubuntu:GNOME XDG_CURRENT_DESKTOP=XFCE
  XDG_CURRENT_DESKTOP=MATE XDG_CURRENT_DESKTOP=X-Cinnamon XDG_CURRENT_DESKTOP=KDE
  XDG_CURRENT_DESKTOP=LXDE DESKTOP_SESSION=gnome DESKTOP_SESSION=xfce DESKTOP_SESSION=mate
  DESKTOP_SESSION=cinnamon DESKTOP_SESSION=kde DESKTOP_SESSION=lxde "")

work="$(mktemp -d)"
pid=""
stop_started() {
  set +e
  [ -z "$pid" ] || { kill "$pid" 2>/dev/null; wait "$pid" 2>/dev/null; }
  rm -rf "$work"
}
trap stop_started EXIT
fail() {
  echo "platform-themes: $*" >&2
  exit 1
}

# shellcheck source-path=SCRIPTDIR source=session-checks.sh
. "$(dirname "$0")/session-checks.sh"
nobody_holds() { [ -z "$(holder com.parlino.app)" ]; }
gtk_mapped() { grep -c 'libgtk-' "/proc/$1/maps" || true; }

[ -n "$(find /usr/lib -path '*qt6/plugins/platformthemes/libqgtk3.so' -print -quit)" ] ||
  fail "Qt's GTK theme is not installed (scripts/install-deps.sh --test installs it)"

# A home of its own, whose session names neither a desktop nor a theme but for what each start
# sets.
use_home "$work/home"
export QT_QPA_PLATFORM=xcb
unset QT_QPA_PLATFORMTHEME XDG_CURRENT_DESKTOP DESKTOP_SESSION KDE_FULL_SESSION \
  GNOME_DESKTOP_SESSION_ID KDE_SESSION_VERSION

XDG_CURRENT_DESKTOP=GNOME "$plain" --text "Qt on GNOME" --select 0 2 >"$work/plain.log" 2>&1 &
pid=$!
wait_until "the plain Qt program" 60 logged "$work/plain.log" '^ready '
[ "$(gtk_mapped "$pid")" -gt 0 ] || fail "a plain Qt program on GNOME has no GTK mapped: the check sees nothing"
kill "$pid"
wait "$pid" || true
pid=""

starts=0
# Starts the application with the theme $1 (none set when empty) on the desktop $2 (NAME=value,
# none when empty) and the remaining arguments, and checks it.
check() {
  local theme="$1" desktop="$2" log="$work/start-$starts.log" line
  shift 2
  local environment=()
  [ -z "$theme" ] || environment+=("QT_QPA_PLATFORMTHEME=$theme")
  [ -z "$desktop" ] || environment+=("$desktop")
  wait_until "the last start's application to leave the bus" 30 nobody_holds
  env "${environment[@]}" "$app" "$@" >"$log" 2>&1 &
  pid=$!
  wait_until "the application with theme '$theme' on '$desktop'" 60 logged "$log" 'tray: icon installed'
  line="$(grep -m 1 'platform theme ' "$log")" ||
    fail "theme '$theme' on '$desktop': the log does not say which theme is used"
  [ "$(gtk_mapped "$pid")" = 0 ] || fail "theme '$theme' on '$desktop': GTK is mapped ($line)"
  kill "$pid"
  wait "$pid" || true
  pid=""
  starts=$((starts + 1))
  echo "'$theme' on '$desktop' $*: no GTK; ${line#*notice: }"
}

for desktop in "${desktops[@]}"; do
  for theme in "${themes[@]}"; do check "$theme" "$desktop"; done
done
check qt6ct XDG_CURRENT_DESKTOP=GNOME -platformtheme gtk3
echo "platform-themes: GTK mapped in none of $starts starts"
