#!/usr/bin/env bash
# Fails when a file under src/ includes from a higher layer, or when a file
# outside switcher/ includes a switcher family's own headers. Usage:
# tools/check-layers.sh [SRC_DIR]  (default: the src/ beside this script)
set -euo pipefail
src="${1:-$(dirname "$0")/../src}"

# Bottom to top; folders on one line share a layer and may include each other.
layers=(
  "platform"
  "model"
  "disk"
  "switcher"
  "port"
  "helm zolt logitek swp08 ember web"
  "core"
  "ui"
  "app"
)

joined=$(IFS='|'; echo "${layers[*]}")
find "$src" -type f \( -name '*.h' -o -name '*.cpp' \) -print0 | sort -z |
  xargs -0 awk -v src="$src" -v layers="$joined" '
BEGIN {
  n = split(layers, layer, "|")
  for (i = 1; i <= n; i++) {
    m = split(layer[i], folder, " ")
    for (j = 1; j <= m; j++)
      rank[folder[j]] = i
  }
}
function top(path) { sub("/.*", "", path); return path }
FNR == 1 {
  rel = substr(FILENAME, length(src) + 2)
  from = top(rel)
  if (!(from in rank)) {
    print "check-layers: " rel ": folder \x27" from "\x27 is in no layer" > "/dev/stderr"
    bad = 1
  }
}
/^[ \t]*#[ \t]*include[ \t]*"/ {
  include = $0
  sub(/^[^"]*"/, "", include)
  sub(/".*/, "", include)
  to = top(include)
  if (!(to in rank)) {
    print "check-layers: " rel " includes \"" include "\": folder \x27" to "\x27 is in no layer" > "/dev/stderr"
    bad = 1
  } else if ((from in rank) && rank[to] > rank[from]) {
    print "check-layers: " rel " includes \"" include "\" from a higher layer (" to " above " from ")" > "/dev/stderr"
    bad = 1
  }
  # A family folder (switcher/<family>/) is reached only through the family table.
  if (include ~ /^switcher\/[^\/]+\// && from != "switcher") {
    print "check-layers: " rel " includes \"" include "\": switcher families are reached through switcher/SwitcherFamily.h" > "/dev/stderr"
    bad = 1
  }
}
END { exit bad }
' || { echo "check-layers: failed" >&2; exit 1; }
echo "check-layers: ok"
