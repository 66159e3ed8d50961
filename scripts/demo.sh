#!/usr/bin/env bash
# The main job: build the Linux program, install it with its templates and
# manual, and lock the bundled sample page with the bundled "Source Hide"
# template (password "pagekey", so the page opens without asking). The
# backup, the page in clear, is kept outside the site folder.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset linux >/dev/null
cmake --build --preset linux --target zendrel zendrel-unlock templates >/dev/null
demo=build/demo
rm -rf "$demo"
cmake --install build/linux --prefix "$demo/zendrel" >/dev/null
mkdir -p "$demo/site" "$demo/backups"
cp samples/welcome.html "$demo/site/welcome.html"

"$demo/zendrel/zendrel" "Source Hide" "$demo/site/welcome.html" "$demo/backups/welcome_original.html" pagekey

echo "Locked page: $(pwd)/$demo/site/welcome.html"
echo "Backup:      $(pwd)/$demo/backups/welcome_original.html (outside the site: never publish it)"
echo "Open the locked page in a browser to see it decoded."
