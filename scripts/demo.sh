#!/usr/bin/env bash
# The main job: build the Linux program, install it with its templates and
# manual, and lock the bundled sample page with the bundled "Source Hide"
# template (password "pagekey", so the page opens without asking).
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset linux >/dev/null
cmake --build --preset linux --target zendrel zendrel-unlock templates >/dev/null
demo=build/demo
rm -rf "$demo"
cmake --install build/linux --prefix "$demo/zendrel" >/dev/null
mkdir -p "$demo/site"
cp samples/welcome.html "$demo/site/welcome.html"

"$demo/zendrel/zendrel" "Source Hide" "$demo/site/welcome.html" "$demo/site/welcome_original.html" pagekey

echo "Locked page: $(pwd)/$demo/site/welcome.html"
echo "Backup:      $(pwd)/$demo/site/welcome_original.html"
echo "Open the locked page in a browser to see it decoded."
