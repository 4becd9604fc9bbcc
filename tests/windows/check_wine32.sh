#!/usr/bin/env bash
# Runs the line's own binary: the 32-bit SawlineDLL.dll, executed in 32-bit Windows
# processes under wine32, compared bit for bit with the 64-bit Linux build.
#   1. a 32-bit host loads SawlineDLL.dll by name and calls OptimizationCompute (stdcall)
#      on the boards of tests/windows/boards, then four threads of the same process call
#      it at once over every board, each answer required to be the call's alone;
#   2. a 32-bit host built with a 4-byte stack alignment enters the DLL at esp mod 16 =
#      0, 4, 8 and 12 on the same boards, every answer the same;
#   3. the 32-bit seeded host (the optimizer linked in, clock frozen, seed and calendar
#      fixed) runs the boards of tests/windows/boards/seeded, examples/ and random boards;
#   4. the C host example (examples/host) runs raw blocks through the DLL and prints the
#      cut list the Linux build of the example prints.
# Needs: g++-mingw-w64-i686, wine and wine32:i386 (dpkg --add-architecture i386 first),
# and a Linux `sawline` (SAWLINE_TOOL, default build/sawline; built when missing).
# SAWLINE_RANDOM_BOARDS sets the number of random boards (300).
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
random_boards=${SAWLINE_RANDOM_BOARDS:-300}

# shellcheck source=../support/checks.sh
source "$root/tests/support/checks.sh"

echo "== wine32: the 32-bit DLL in 32-bit Windows processes"
cmake --preset windows-dll >/dev/null
cmake --build --preset windows-dll \
  --target SawlineDLL sawline_host sawline_seeded_host sawline_stack_host host_example >/dev/null
cmake --preset windows-linux-reference >/dev/null
cmake --build --preset windows-linux-reference \
  --target SawlineDLL sawline_host sawline_seeded_host compare_runs host_example >/dev/null
tool=${SAWLINE_TOOL:-$root/build/sawline}
if [[ ! -x "$tool" ]]; then
  cmake --build --preset windows-linux-reference --target sawline >/dev/null
  tool=$root/build-winlinux/sawline
fi

if [[ ! -x /usr/lib/wine/wine ]] && ! dpkg -s wine32:i386 >/dev/null 2>&1; then
  echo "wine32 is not installed (dpkg --add-architecture i386; apt-get install wine32:i386)" >&2
  exit 1
fi
# Every program under wine gets a time limit, so that a hang cannot stall CI.
wine=(timeout 900 wine)
export WINEARCH=win32
use_wine_prefix "$root/build-win32/wineprefix"

# The programs must be 32-bit Windows ones: the line's binary, not a 64-bit stand-in.
for program in SawlineDLL.dll sawline_host.exe sawline_stack_host.exe host_example.exe; do
  format=$(i686-w64-mingw32-objdump -f "build-win32/$program" | awk '/file format/ {print $NF}')
  [[ "$format" == pei-i386 ]] || fail "build-win32/$program is $format, not pei-i386"
done

# Runs KIND (the Windows program sawline_KIND.exe) with ARG_WINDOWS over BOARDS in
# build-win32/KIND, the Linux program sawline_LINUX_KIND with ARG_LINUX in
# build-winlinux/w32-KIND, and compares every result block and run log.
compare_boards() {
  local kind=$1 linux_kind=$2 arg_linux=$3 arg_windows=$4 label=$5
  shift 5
  local boards=("$@") names=() board name
  for board in "${boards[@]}"; do
    name=${board##*/}
    [[ "$board" == --* ]] && continue  # --random=N and --threads=N name no board
    names+=("${name%.json}")
  done
  if [[ " ${boards[*]} " == *" --random="* ]]; then
    for ((i = 1; i <= random_boards; i++)); do names+=("$(printf 'random-%04d' "$i")"); done
  fi
  local linux_dir="build-winlinux/w32-$kind" windows_dir="build-win32/$kind"
  rm -rf "$linux_dir" "$windows_dir"
  mkdir -p "$linux_dir" "$windows_dir"
  if ! (cd "$linux_dir" && "../sawline_$linux_kind" "$arg_linux" "${boards[@]}" \
    >../w32-$kind.txt 2>&1); then
    fail "Linux $label: $(tail -5 build-winlinux/w32-$kind.txt)"
  fi
  if (cd "$windows_dir" && "${wine[@]}" "../sawline_$kind.exe" "$arg_windows" "${boards[@]}" \
    </dev/null >../$kind.txt 2>&1); then
    pass "32-bit Windows $label ran ${#names[@]} boards$(grep -h ' threads at once' \
      build-win32/$kind.txt | sed 's/^/; /')"
  else
    fail "32-bit Windows $label: $(tail -5 build-win32/$kind.txt)"
  fi
  if build-winlinux/compare_runs "$linux_dir" "$windows_dir" "${names[@]}" \
    >"build-win32/compare-$kind.txt"; then
    pass "$label: every result block bit for bit and every run log equal to Linux"
  else
    fail "$label: the builds answer differently:"
  fi
  sed 's/^/  /' "build-win32/compare-$kind.txt" | tail -20
}

dll_boards=("$root"/tests/windows/boards/*.json)
compare_boards host host "$root/build-winlinux/libSawlineDLL.so" "$root/build-win32/SawlineDLL.dll" \
  "host loading SawlineDLL.dll by name" "${dll_boards[@]}" --threads=4
compare_boards stack_host host "$root/build-winlinux/libSawlineDLL.so" \
  "$root/build-win32/SawlineDLL.dll" "4-byte aligned host at esp mod 16 = 0, 4, 8, 12" \
  "${dll_boards[@]}"
examples=()
for job in "$root"/examples/*.json; do
  [[ "$job" == *.schema.json ]] || examples+=("$job")
done
compare_boards seeded_host seeded_host --linked --linked "seeded host" \
  "$root"/tests/windows/boards/seeded/*.json "${examples[@]}" "--random=$random_boards"

# The C host example on raw blocks: the same cut list printed on both systems.
example_dir=build-win32/host_example_run
rm -rf "$example_dir"
mkdir -p "$example_dir"
example_same=0
for board in "${dll_boards[@]}"; do
  name=${board##*/}
  name=${name%.json}
  "$tool" export "$board" --params "$example_dir/$name.params.f32" \
    --marks "$example_dir/$name.marks.f32" >/dev/null
  (cd "$example_dir" && ../../build-winlinux/host_example ../../build-winlinux/libSawlineDLL.so \
    "$name.params.f32" "$name.marks.f32" >"$name.linux.txt" 2>&1) || true
  (cd "$example_dir" && "${wine[@]}" ../host_example.exe SawlineDLL.dll "$name.params.f32" \
    "$name.marks.f32" </dev/null 2>&1 | tr -d '\r' >"$name.windows.txt") || true
  if grep -q '^pieces: ' "$example_dir/$name.linux.txt" &&
    cmp -s "$example_dir/$name.linux.txt" "$example_dir/$name.windows.txt"; then
    example_same=$((example_same + 1))
  else
    fail "host example on $name: $(diff "$example_dir/$name.linux.txt" \
      "$example_dir/$name.windows.txt" | head -5)"
  fi
done
[[ "$example_same" == "${#dll_boards[@]}" ]] &&
  pass "C host example: the same cut list on Linux and 32-bit Windows for $example_same boards"

# The version resource reads back, and carries the number `sawline --version` prints.
version=$("$tool" --version | awk '{print $2}')
resource=$(python3 tests/windows/read_version.py build-win32/SawlineDLL.dll)
if grep -qx "FileVersion=$version" <<<"$resource" &&
  grep -qx "ProductVersion=$version" <<<"$resource" &&
  grep -qx "OriginalFilename=SawlineDLL.dll" <<<"$resource" &&
  grep -q "^ProductName=." <<<"$resource" && grep -q "^FileDescription=." <<<"$resource"; then
  pass "version resource: $(tr '\n' ' ' <<<"$resource")"
else
  fail "version resource does not match sawline --version ($version): $resource"
fi
wineserver -k 2>/dev/null || true

echo "wine32: $passed passed, $failed failed"
[[ "$failed" == 0 ]]
