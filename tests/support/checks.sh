# Shared by the shell checks of the Windows and 32-bit builds (sourced, not run): the
# pass and fail counters, and a wine set-up with no display and nothing installed.

passed=0
failed=0
pass() {
  echo "  ok: $*"
  passed=$((passed + 1))
}
fail() {
  echo "  FAILED: $*"
  failed=$((failed + 1))
}

# Points wine at the prefix PREFIX (created on first use, waiting until its set-up has
# settled) with its messages, display and the .NET and HTML runtimes off.
use_wine_prefix() {
  export WINEPREFIX=$1
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml=d"
  unset DISPLAY WAYLAND_DISPLAY
  if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
    wineboot -i </dev/null >/dev/null 2>&1 || true
    wineserver -w || true
  fi
}
