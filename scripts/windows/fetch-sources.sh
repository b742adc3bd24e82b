#!/usr/bin/env bash
# Fetches Debian source packages through apt without touching the machine's apt setup: a private
# sources list of deb-src lines (the machine's own mirrors, for this release and its security
# suite), private package lists and a private cache, all under the given work folder.
#
#   fetch-sources.sh WORK DEST PACKAGE VERSION...
#
# Tries the versions in the order given; the first one that downloads is unpacked (Debian's
# patches applied) into DEST, and its version written to DEST/.debian-version. With the single
# version "newest", every version the lists offer is tried, newest first. A DEST that already
# holds the first acceptable version is kept as it is.
set -euo pipefail

work=$1 dest=$2 package=$3
shift 3
apt_dir=$work/apt
apt_options=(
  -o "Dir::Etc::sourcelist=$apt_dir/sources.list"
  -o "Dir::Etc::sourceparts=$apt_dir/sources.list.d"
  -o "Dir::State::Lists=$apt_dir/lists"
  -o "Dir::Cache=$apt_dir/cache"
)

# deb-src lines for every mirror the machine uses for this release and its security suite, one
# per mirror and suite, with the signing key where the machine's entries name one
# (deb-src-list.sh, which says why).
write_sources_list() {
  mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
  bash "$(dirname "$0")/deb-src-list.sh" >"$apt_dir/sources.list"
}

# The lists are read once per run of the script that calls us (a fresh work folder or a stale
# list older than a day is refreshed).
update_lists() {
  if [ -z "$(find "$apt_dir/lists" -maxdepth 1 -name '*Sources*' -mmin -1440 2>/dev/null)" ]; then
    write_sources_list
    apt-get -qq "${apt_options[@]}" update
  fi
}

offered_versions() {
  apt-cache "${apt_options[@]}" showsrc "$package" 2>/dev/null |
    awk '/^Version:/ { print $2 }' | sort -u | sort -rV
}

if [ -f "$dest/.debian-version" ]; then
  kept=$(cat "$dest/.debian-version")
  if [ "$1" = newest ] || printf '%s\n' "$@" | grep -qxF "$kept"; then
    echo "$package $kept: already unpacked in $dest"
    exit 0
  fi
fi

update_lists
versions=("$@")
if [ "$1" = newest ]; then
  mapfile -t versions < <(offered_versions)
fi
downloads=$work/downloads
mkdir -p "$downloads"
for version in "${versions[@]}"; do
  echo "Fetching the source of $package $version"
  # As root, apt downloads as its own unprivileged user, who must be able to write there.
  if [ "$(id -u)" -eq 0 ] && id _apt >/dev/null 2>&1; then chown _apt "$downloads"; fi
  if (cd "$downloads" && apt-get -qq "${apt_options[@]}" source --download-only \
      "$package=$version"); then
    dsc=$(ls "$downloads/${package}_${version#*:}.dsc")
    rm -rf "$dest"
    mkdir -p "$(dirname "$dest")"
    dpkg-source --no-check -x "$dsc" "$dest" >/dev/null
    echo "$version" >"$dest/.debian-version"
    echo "$package $version: unpacked in $dest"
    exit 0
  fi
  echo "$package $version could not be downloaded; trying the next" >&2
done
echo "No version of $package's source could be fetched (tried: ${versions[*]})" >&2
exit 1
