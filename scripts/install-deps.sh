#!/usr/bin/env bash
# Installs the Debian packages Parlino needs. Idempotent; works as root or through sudo.
# Usage: scripts/install-deps.sh [--test] [--sanitize]
#   (nothing)   what building and running need (scripts/run.sh); no daemon, nothing that could
#               stand beside the desktop's own sound server or keyring
#   --test      also the private desktop the tests run in (scripts/test.sh)
#   --sanitize  also that, and the compiler and runtimes of the sanitizer build
#               (scripts/test.sh --sanitize)
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

BUILD_PACKAGES=(
  build-essential cmake ninja-build pkg-config clang-format
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-svg-dev
  libicu-dev nlohmann-json3-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libmpg123-dev libsoundtouch-dev libpulse-dev
  libsecret-1-dev libatspi2.0-dev libglib2.0-dev libdbus-1-dev
  libx11-dev libxi-dev libxtst-dev libxkbcommon-dev libxkbcommon-x11-dev libxcb1-dev libxcb-xkb-dev libxcb-xinput-dev
  libxfixes-dev
  libsystemd-dev
  libsodium-dev
)

# Only with --test: the desktop session the end-to-end tests run in (its own X server, window
# manager, keyring and headless PulseAudio), the applications the capture tests read from (editors,
# terminals, a word processor and two web browsers), the screen reader whose speech the
# accessibility tests listen to, the tools that make test audio, the command-line decoder the
# decoding benchmark measures itself against, the players the playback benchmark measures a read's
# cost against (and the tools it fetches their speech with), the tray application the launch
# benchmark times its start against, and fonts for the scripts the transcript is rendered in
# (Arabic and Hebrew come with DejaVu; Chinese, Japanese and Thai need their own), and the Qt
# platform themes that users' desktops commonly hold (Debian's Qt recommends the GTK one), which
# the application must not let Qt load GTK through, and the locale sources a test makes a Latin-1
# locale from.
TEST_PACKAGES=(
  xvfb x11-utils x11-xserver-utils xdotool openbox xcompmgr trayer
  at-spi2-core dbus-daemon libglib2.0-bin gnome-keyring libsecret-tools
  imagemagick pulseaudio pulseaudio-utils espeak-ng lame sox mpg123 mpv curl jq
  mousepad xterm copyq gnome-terminal konsole kwrite kate libreoffice-writer libreoffice-gtk3
  gnome-text-editor orca firefox-esr chromium
  fonts-dejavu-core fonts-droid-fallback fonts-tlwg-loma-otf
  qt6-gtk-platformtheme qt6-xdgdesktopportal-platformtheme locales
)

# Clang with its AddressSanitizer and UndefinedBehaviorSanitizer runtimes, and the symbolizer
# that turns their stacks into file names and lines.
SANITIZER_PACKAGES=(clang-16 libclang-rt-16-dev llvm-16)

wanted=("${BUILD_PACKAGES[@]}")
for option in "$@"; do
  case "$option" in
  --test) wanted+=("${TEST_PACKAGES[@]}") ;;
  --sanitize) wanted+=("${TEST_PACKAGES[@]}" "${SANITIZER_PACKAGES[@]}") ;;
  *)
    echo "usage: scripts/install-deps.sh [--test] [--sanitize]" >&2
    exit 2
    ;;
  esac
done

missing=()
for pkg in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
done

if [ "${#missing[@]}" -eq 0 ]; then
  echo "install-deps: all packages present"
  exit 0
fi

export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
