#!/usr/bin/env bash
# The main job: build the Linux program, install it with its templates and
# manual, and lock the bundled sample site (samples/site: pages in two
# folders, a stylesheet and a picture) into a new folder with `zendrel site`
# and the Light template. The password comes from the environment, never
# from the command line; the source folder is left as it is.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset linux >/dev/null
cmake --build --preset linux --target zendrel zendrel-unlock templates >/dev/null
demo=build/demo
rm -rf "$demo"
cmake --install build/linux --prefix "$demo/zendrel" >/dev/null

output="$(pwd)/$demo/harbour-lights"
export ZENDREL_DEMO_PASSWORD="crusty harbour loaf"
# Standard output holds the results: the output folder and the share link.
results="$("$demo/zendrel/zendrel" site --template Light --password-env ZENDREL_DEMO_PASSWORD \
  --share-url "file://$output/" samples/site "$output")"

share_link="$(grep -m1 '#zendrel-key=' <<<"$results" || true)"
echo "Output folder: $output"
echo "Password:      $ZENDREL_DEMO_PASSWORD"
echo "Share link:    ${share_link:-(none printed)}"
echo "Open $output/index.html in a browser and type the password, or open the share link."
