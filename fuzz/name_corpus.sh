#!/usr/bin/env bash
# Names saved fuzz inputs after what they exercise: "<description>-<the first 12
# hexadecimal digits of the input's SHA-1>", the description being what the target's
# replay program says of the input (fuzz/input_names.h). Without FILEs it renames every
# input of fuzz/corpus/CORPUS whose name ends in such a hash (after a change to what a
# description says); FILEs are new inputs, such as those a libFuzzer merge kept, moved
# into the corpus under their names. An input whose bytes the corpus already holds is
# dropped. Tracked inputs are renamed with git mv.
#
#   fuzz/name_corpus.sh BUILD_DIR TARGET CORPUS [FILE...]
#   fuzz/name_corpus.sh build fuzz_compute compute build-fuzz/keep/*
set -euo pipefail
cd "$(dirname "$0")/.."
if (($# < 3)); then
  sed -n '2,11p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
fi
build=$1 target=$2 corpus=$3
shift 3
folder=fuzz/corpus/$corpus
replay=$build/${target}_replay
[[ -x "$replay" ]] || { echo "no $replay: build the target ${target}_replay first" >&2; exit 2; }
if (($# > 0)); then
  inputs=("$@")
else
  mapfile -t inputs < <(find "$folder" -maxdepth 1 -type f | grep -E -- '-[0-9a-f]{12}$' | sort)
fi
((${#inputs[@]} > 0)) || { echo "no inputs to name"; exit 0; }

tracked() { git ls-files --error-unmatch "$1" >/dev/null 2>&1; }
renamed=0 dropped=0
while IFS=$'\t' read -r description path; do
  name=$folder/$description-$(sha1sum "$path" | cut -c1-12)
  [[ "$path" == "$name" ]] && continue
  if [[ -e "$name" ]]; then
    if tracked "$path"; then git rm -q "$path"; else rm "$path"; fi
    dropped=$((dropped + 1))
  elif tracked "$path"; then
    git mv "$path" "$name"
    renamed=$((renamed + 1))
  else
    mv "$path" "$name"
    renamed=$((renamed + 1))
  fi
done < <("$replay" --describe "${inputs[@]}")
echo "$folder: $renamed inputs named, $dropped dropped as copies"
