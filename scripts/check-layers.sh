#!/usr/bin/env bash
# Fails when a file includes a header of a layer above its own. The build
# links each layer only against the layers below it, so such an include
# would also fail to link; this check names the line at once.
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"

# layer: the folders its files may include from
declare -A allowed=(
  [platform]="platform"
  [resources]="resources platform"
  [fileio]="fileio platform"
  [engine]="engine fileio resources platform"
  [errors]="errors resources platform"
  [app]="app engine fileio errors resources platform"
  [tools]="tools errors platform"
)

status=0
for layer in "${!allowed[@]}"; do
  while IFS= read -r hit; do
    file=${hit%%:*}
    rest=${hit#*:}
    line=${rest%%:*}
    target=$(sed -E 's/.*#include "([^/"]+)\/.*/\1/' <<<"$rest")
    case " ${allowed[$layer]} " in
      *" $target "*) ;;
      *) echo "$file:$line: $layer/ may not include $target/ (${rest#*:})"; status=1 ;;
    esac
  done < <(grep -rnE '^\s*#\s*include\s+"[^/"]+/' "$layer" --include='*.h' --include='*.cpp' || true)
done
[ $status = 0 ] && echo "layer includes: every include points to its own layer or one below"
exit $status
