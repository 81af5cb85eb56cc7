#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Every source file of the project names its licence on an SPDX line at its
# top (after a "#!" line). Checks that they do, or adds the missing lines:
#
#   scripts/spdx.sh          list the files without one; status 1 if any
#   scripts/spdx.sh --add    add the line where it is missing
set -euo pipefail
cd "$(dirname "$0")/.."

tag="SPDX-License-Identifier: Apache-2.0"

# The comment that starts a line in each kind of source file.
comment_for() {
  case "$1" in
    *.cpp | *.h | *.c | *.h.in | *.rc.in) echo "//" ;;
    *.sh | *.py | *.cmake | */CMakeLists.txt | CMakeLists.txt | .ci/run) echo "#" ;;
    *.1.in) echo '.\"' ;;
    *) return 1 ;;
  esac
}

sources=()
while IFS= read -r file; do
  comment_for "$file" >/dev/null && [[ -f $file ]] && sources+=("$file")
done < <(git ls-files)

# The sources whose first three lines hold no SPDX line.
mapfile -t missing < <(awk 'FNR == 1 { if (NR > 1 && !found) print previous; found = 0; previous = FILENAME }
  FNR <= 3 && /SPDX-License-Identifier:/ { found = 1 }
  END { if (NR > 0 && !found) print previous }' "${sources[@]}")

if [[ ${1:-} != --add ]]; then
  for file in "${missing[@]}"; do echo "no SPDX line: $file"; done
  ((${#missing[@]} == 0))
  exit
fi

for file in "${missing[@]}"; do
  line="$(comment_for "$file") $tag"
  if head -n 1 "$file" | grep -q '^#!'; then
    { head -n 1 "$file"; echo "$line"; tail -n +2 "$file"; } >"$file.spdx"
  else
    { echo "$line"; cat "$file"; } >"$file.spdx"
  fi
  chmod --reference="$file" "$file.spdx"
  mv "$file.spdx" "$file"
done
