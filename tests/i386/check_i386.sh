#!/usr/bin/env bash
# Proves the 32-bit build of the library on Linux: the same 32-bit data layout and SSE2
# arithmetic as the line's DLL, executed under qemu-i386.
#   1. builds the library, its test suites and the host programs for 32-bit x86 Linux
#      (preset linux-i386: -m32, SSE2 arithmetic, GoogleTest from its sources) and runs
#      every suite under qemu-i386 (CTest puts the emulator in front of each test);
#   2. builds the same library and host programs for 64-bit Linux (preset
#      windows-linux-reference, the reference of the Windows checks too);
#   3. runs the boards of tests/windows/boards through both shared libraries, loaded by
#      name, and the boards of tests/windows/boards/seeded, examples/ and a few hundred
#      random boards through both builds of the optimizer with the clock frozen and the
#      seed and calendar fixed; requires bit-identical result blocks and identical run
#      logs (apart from the two timing lines).
# Needs: cmake, g++-multilib, qemu-user, googletest (sources in /usr/src/googletest).
# SAWLINE_RANDOM_BOARDS sets the number of random boards (300).
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$(pwd)
random_boards=${SAWLINE_RANDOM_BOARDS:-300}

# shellcheck source=../support/checks.sh
source "$root/tests/support/checks.sh"

echo "== 32-bit Linux: build, and the test suites under qemu-i386"
cmake --preset linux-i386 >/dev/null
cmake --build --preset linux-i386 >/dev/null
qemu=$(command -v qemu-i386)
elf=$(for program in build-i386/libSawlineDLL.so $(find build-i386 -maxdepth 1 -name "test_*" -type f -perm -u+x); do
  readelf -h "$program" | awk '/Class:/ {c = $2} /Machine:/ {$1 = ""; m = $0} END {print c m}'
done | sort -u)
if [[ "$elf" == "ELF32 Intel 80386" ]]; then
  pass "library and suites are 32-bit x86 programs"
else
  fail "the 32-bit build holds other programs: $elf"
fi
if ctest --preset linux-i386 >build-i386/ctest.txt 2>&1; then
  pass "test suites under qemu-i386: $(grep -E 'tests passed' build-i386/ctest.txt)"
else
  fail "test suites under qemu-i386:"
  grep -vE '^ +Start |Passed' build-i386/ctest.txt | tail -60 | sed 's/^/    /'
fi

echo "== 32-bit Linux against 64-bit Linux, bit for bit"
cmake --preset windows-linux-reference >/dev/null
cmake --build --preset windows-linux-reference \
  --target SawlineDLL sawline_host sawline_seeded_host compare_runs >/dev/null

# Runs host KIND (host or seeded_host) on both builds with ARG_64 and ARG_32 over the
# BOARDs into folders i386-KIND and compares the outputs.
compare_boards() {
  local kind=$1 arg64=$2 arg32=$3 label=$4
  shift 4
  local boards=("$@") names=() board name out64=build-winlinux/i386-$kind out32=build-i386/i386-$kind
  rm -rf "$out64" "$out32"
  mkdir -p "$out64" "$out32"
  if (cd "$out64" && "$root/build-winlinux/sawline_$kind" "$arg64" "${boards[@]}" >../$kind.txt 2>&1); then
    pass "64-bit $label"
  else
    fail "64-bit $label: $(tail -5 "$out64/../$kind.txt")"
  fi
  if (cd "$out32" && timeout 1800 "$qemu" "$root/build-i386/sawline_$kind" "$arg32" "${boards[@]}" \
    >../$kind.txt 2>&1); then
    pass "32-bit $label"
  else
    fail "32-bit $label: $(tail -5 "$out32/../$kind.txt")"
  fi
  for name in "$out64"/*.result; do
    name=${name##*/}
    names+=("${name%.result}")
  done
  if build-winlinux/compare_runs --lf "$out64" "$out32" "${names[@]}" >"build-i386/compare-$kind.txt"; then
    pass "$label: $(tail -1 "build-i386/compare-$kind.txt") (result blocks bit for bit, run logs)"
  else
    fail "$label: the builds answer differently:"
    grep -v 'same answer' "build-i386/compare-$kind.txt" | sed 's/^/    /'
  fi
}

compare_boards host "$root/build-winlinux/libSawlineDLL.so" "$root/build-i386/libSawlineDLL.so" \
  "host loading the library by name" "$root"/tests/windows/boards/*.json
examples=()
for job in "$root"/examples/*.json; do
  [[ "$job" == *.schema.json ]] || examples+=("$job")
done
compare_boards seeded_host --linked --linked "host with a fixed seed and frozen clock" \
  "$root"/tests/windows/boards/seeded/*.json "${examples[@]}" "--random=$random_boards"

echo "32-bit Linux: $passed passed, $failed failed"
[[ "$failed" == 0 ]]
