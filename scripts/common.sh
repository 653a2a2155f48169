# Shared by the README's two commands: package installs, builds, the wine prefix.
# Sourced, not run.

KORVANE_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export LC_ALL=C.UTF-8               # wine then runs with ANSI code page 1252
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml="   # no Mono or Gecko installers on a closed network
KORVANE_MAIN_PREFIX="$KORVANE_ROOT/build/wineprefix"
export WINEPREFIX="$KORVANE_MAIN_PREFIX"

KORVANE_PACKAGES=(
  cmake ninja-build g++ googletest libgtest-dev
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix mingw-w64-tools
  wine wine64
  pst-utils pff-tools
  libesedb-utils python3-impacket
  xvfb x11-utils imagemagick fonts-wine
  fp-utils nsis
  clang libclang-rt-14-dev
  libesedb-utils python3-impacket
)

say() { printf '== %s\n' "$*"; }

# Installs what is missing; does nothing when everything is there.
ensure_packages() {
  local missing=()
  for p in "${KORVANE_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  say "installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# pst-extractor, the third independent PST reader the tests use, from the npm registry.
KORVANE_PST_EXTRACTOR=pst-extractor@1.12.0
ensure_node_packages() {
  if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends nodejs npm
  fi
  [ -d "$KORVANE_ROOT/build/node/node_modules/pst-extractor" ] && return 0
  say "installing $KORVANE_PST_EXTRACTOR"
  mkdir -p "$KORVANE_ROOT/build/node"
  npm install --prefix "$KORVANE_ROOT/build/node" --no-save --no-package-lock --no-audit --no-fund \
    "$KORVANE_PST_EXTRACTOR" >/dev/null
}

# Configures one preset: once, and again from a fresh cache whenever the options
# or the presets differ from those of its last configure (a cache keeps options
# given once, so dropping one would otherwise go unseen, and a build never reads
# the presets again). Extra arguments are configure options;
# KORVANE_CONFIGURE_EXTRA adds more (a compiler launcher, say) for one machine.
configure_preset() {
  local preset=$1; shift
  local dir="$KORVANE_ROOT/build/$preset"
  # shellcheck disable=SC2206
  local options=(-DKORVANE_WERROR=ON ${KORVANE_CONFIGURE_EXTRA:-} "$@")
  local stamp="$dir/korvane-configure-options" wanted
  wanted="${options[*]} $(cksum <"$KORVANE_ROOT/CMakePresets.json")"
  [ -f "$dir/build.ninja" ] && [ "$(cat "$stamp" 2>/dev/null)" = "$wanted" ] && return 0
  local fresh=()
  [ -f "$dir/CMakeCache.txt" ] && fresh=(--fresh)
  (cd "$KORVANE_ROOT" && cmake --preset "$preset" "${fresh[@]}" "${options[@]}" >/dev/null) || return 1
  printf '%s' "$wanted" >"$stamp"
}

# Configures (see above) and builds one preset, all of it or the targets named
# after "--".
build_preset() {
  local preset=$1; shift
  local options=() targets=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do options+=("$1"); shift; done
  [ "${1:-}" = "--" ] && { shift; targets=(--target "$@"); }
  configure_preset "$preset" "${options[@]}" || return 1
  (cd "$KORVANE_ROOT" && cmake --build --preset "$preset" "${targets[@]}")
}

# Windows form of a Unix path: wine maps Z: to the root.
winpath() { printf 'Z:%s' "$(printf '%s' "$1" | sed 's|/|\\|g')"; }

# A prefix of our own under the build folder, with the settings key pointing at
# the built program folder. mode: "null" for headless pages, "x11" for a display.
setup_prefix() {
  local mode=$1
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    rm -rf "$WINEPREFIX"
    if [ "$WINEPREFIX" != "$KORVANE_MAIN_PREFIX" ] && [ -f "$KORVANE_MAIN_PREFIX/system.reg" ]; then
      # A copy takes seconds where a first boot takes half a minute of processor time.
      say "copying wine prefix $KORVANE_MAIN_PREFIX to $WINEPREFIX"
      cp -a "$KORVANE_MAIN_PREFIX" "$WINEPREFIX"
    else
      say "creating wine prefix $WINEPREFIX"
      mkdir -p "$WINEPREFIX"
      DISPLAY= wineboot -u >/dev/null 2>&1 </dev/null
      wineserver -w
    fi
  fi
  # Caption buttons are drawn with Marlett; this wine build does not load its own
  # copies from the data folder, so the prefix gets them where Windows keeps fonts.
  local f
  for f in /usr/share/wine/fonts/*.ttf; do
    [ -e "$f" ] && cp -n "$f" "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null
  done
  local program; program=$(winpath "$KORVANE_ROOT/build/win64/program")
  wine reg add 'HKCR\KorvaneEDB_PST' /v FilePath /t REG_SZ /d "$program" /f >/dev/null 2>&1
  if [ "$mode" = null ]; then
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
  else
    wine reg delete 'HKCU\Software\Wine\Drivers' /v Graphics /f >/dev/null 2>&1 || true  # absent once set
    # Without a window manager wine draws the caption itself and does not wait for one.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  fi
  wineserver -w
}

# A persistent server, started with its helpers outside any test runner's pipes.
start_wineserver() {
  wineserver -p
  wine cmd /c exit >/dev/null 2>&1 </dev/null
}

stop_wineserver() { wineserver -k 2>/dev/null || true; }

# Another prefix beside the main one, with a server of its own: its windows,
# registrations and temporary files never meet those of the tests in the main
# prefix, so both can run at once. NAME: "display", "driver".
use_side_prefix() {
  export WINEPREFIX="$KORVANE_ROOT/build/wineprefix-$1"
}

# For the screenshot scripts: a virtual X display ($display) with a prefix of
# its own set up for it; on exit its wine server and the display are stopped.
start_screenshot_display() {
  use_side_prefix display
  display=:${KORVANE_XVFB_DISPLAY:-97}
  Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  trap 'stop_wineserver; kill "$xvfb" 2>/dev/null || true' EXIT
  for _ in $(seq 100); do xdpyinfo -display "$display" >/dev/null 2>&1 && break; sleep 0.1; done
  stop_wineserver
  setup_prefix x11
}
