#!/usr/bin/env bash
# Offers apt the i386 builds of the packages an archive's missing i386
# index would have listed, so that wine32:i386 can be installed all the same.
#
# wine32's i386 libraries must carry exactly the versions of the amd64 ones
# installed beside them (Multi-Arch: same). When a mirror serves one i386
# index at the wrong size ("Mirror sync in progress?"), apt drops it, and
# every library that archive updated has no i386 build of the matching
# version left: wine32 cannot be installed at all. The packages themselves
# are still in the archive's pool, beside the amd64 ones. For each archive
# whose amd64 index came but whose i386 index did not, this fetches the i386
# build of every Multi-Arch: same package of that index that is installed
# here, into a local folder apt reads as one more source.
#
# These files are fetched without the index's checksums, which is what is
# missing: the script says so, and setup.sh runs it only after the normal
# install has failed.
set -euo pipefail

repo=${ZENDREL_I386_POOL:-/var/cache/zendrel-i386}
as_root() { if [ "$(id -u)" = 0 ]; then "$@"; else sudo "$@"; fi; }

# "site release component" of every Packages index, with its architecture
# and its file.
targets=$(apt-get indextargets --format '$(SITE) $(RELEASE) $(COMPONENT) $(ARCHITECTURE) $(FILENAME)' 'Created-By: Packages')
installed=$(dpkg-query -W -f='${Package}\n' | sort -u)

as_root mkdir -p "$repo"
fetched=0
while read -r site release component arch file; do
  [ "$arch" = amd64 ] || continue
  if grep -q "^$site $release $component i386 " <<<"$targets"; then continue; fi
  echo "setup: the i386 index of $site $release $component did not download; fetching its i386 packages from the pool, unchecked" >&2
  # Filenames of the Multi-Arch: same packages of this index installed here.
  /usr/lib/apt/apt-helper cat-file "$file" |
    awk -v RS= -F'\n' '{
      name = ""; same = 0; path = ""
      for (i = 1; i <= NF; i++) {
        if ($i ~ /^Package: /) name = substr($i, 10)
        else if ($i == "Multi-Arch: same") same = 1
        else if ($i ~ /^Filename: .*_amd64\.deb$/) path = substr($i, 11)
      }
      if (same && path != "") print name, path
    }' |
    while read -r name path; do
      grep -qx "$name" <<<"$installed" || continue
      deb=${path%_amd64.deb}_i386.deb
      [ -s "$repo/${deb##*/}" ] && continue
      # Some packages have no i386 build (a kernel's headers): nothing to offer.
      as_root curl -sSf -o "$repo/${deb##*/}.part" "$site/$deb" 2>/dev/null &&
        as_root mv "$repo/${deb##*/}.part" "$repo/${deb##*/}" || as_root rm -f "$repo/${deb##*/}.part"
    done
  fetched=1
done <<<"$targets"

[ "$fetched" = 1 ] || { echo "setup: every i386 index downloaded; nothing to fetch from a pool" >&2; exit 1; }
(cd "$repo" && dpkg-scanpackages --arch i386 . 2>/dev/null | as_root tee Packages >/dev/null)
echo "deb [trusted=yes arch=i386] file:$repo ./" | as_root tee /etc/apt/sources.list.d/zendrel-i386-pool.list >/dev/null
# Only the new source is read again: the others are as they were a moment ago.
as_root apt-get update -qq -o Dir::Etc::sourcelist=/etc/apt/sources.list.d/zendrel-i386-pool.list \
  -o Dir::Etc::sourceparts=- -o APT::Get::List-Cleanup=0
