#!/usr/bin/env bash
# fetch-debian-source.sh DIR BINARY-PACKAGE...
#
# Unpacks into DIR/src/ the Debian source package of each binary package, at
# the version this machine has installed (libsdl2-dev gives libsdl2 at the
# version of the installed libsdl2-dev), and prints one line per package:
# NAME VERSION PATH. A source already unpacked is not fetched again. When the
# archive no longer holds the installed version (a newer security update
# replaced it), the newest Debian revision of the same upstream release is
# taken instead, and a line on stderr says so.
#
# apt works from a state folder of its own (DIR/apt/): a sources list with a
# deb-src line for each archive the machine's own apt sources name, and its
# own package lists and cache. The machine's apt configuration is not changed.
set -euo pipefail

dir=$(realpath -m "$1")
shift
apt_dir="$dir/apt"
src_dir="$dir/src"
mkdir -p "$src_dir"

# The deb-src lines: one per archive address and suite of the machine's
# sources, in either of apt's two formats.
write_source_list() {
  local list="$apt_dir/sources.list"
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
  : >"$list.new"
  local file
  for file in /etc/apt/sources.list.d/*.sources; do
    [[ -f "$file" ]] || continue
    # deb822 stanzas: URIs, Suites, Components and Signed-By fields.
    awk -v out="$list.new" '
      function flush() {
        if (uris != "" && suites != "") {
          n = split(uris, u, " "); m = split(suites, s, " ");
          for (i = 1; i <= n; i++) for (j = 1; j <= m; j++) {
            opt = signed != "" ? "[signed-by=" signed "] " : "";
            print "deb-src " opt u[i] " " s[j] " " comps >> out;
          }
        }
        uris = ""; suites = ""; comps = ""; signed = "";
      }
      /^[[:space:]]*#/ { next }
      /^[[:space:]]*$/ { flush(); next }
      /^URIs:/ { sub(/^URIs:[[:space:]]*/, ""); uris = $0 }
      /^Suites:/ { sub(/^Suites:[[:space:]]*/, ""); suites = $0 }
      /^Components:/ { sub(/^Components:[[:space:]]*/, ""); comps = $0 }
      /^Signed-By:/ { sub(/^Signed-By:[[:space:]]*/, ""); signed = $0 }
      END { flush() }' "$file"
  done
  for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [[ -f "$file" ]] || continue
    sed -n 's/^[[:space:]]*deb[[:space:]]\+/deb-src /p' "$file" >>"$list.new"
  done
  sort -u "$list.new" >"$list"
  rm -f "$list.new"
  [[ -s "$list" ]] || { echo "fetch-debian-source: no apt sources found on this machine" >&2; exit 1; }
}

apt_private() {
  apt-get -q -o Dir::Etc::SourceList="$apt_dir/sources.list" -o Dir::Etc::SourceParts=/dev/null \
    -o Dir::State::Lists="$apt_dir/lists" -o Dir::Cache="$apt_dir/cache" \
    -o Debug::NoLocking=1 -o APT::Sandbox::User="$(id -un)" "$@"
}

updated=no
update_lists() {
  if [[ $updated == no ]]; then
    write_source_list
    apt_private update >&2
    updated=yes
  fi
}

# The versions worth fetching, best first: the installed one, then the other
# revisions of its upstream release, newest first.
candidate_versions() {
  local source=$1 version=$2
  local upstream=${version#*:}
  upstream=${upstream%-*}
  local candidate plain others=()
  while read -r candidate; do
    plain=${candidate#*:}
    [[ ${plain%-*} == "$upstream" && $candidate != "$version" ]] && others+=("$candidate")
  done < <(apt-cache -o Dir::Etc::SourceList="$apt_dir/sources.list" \
             -o Dir::Etc::SourceParts=/dev/null -o Dir::State::Lists="$apt_dir/lists" \
             -o Dir::Cache="$apt_dir/cache" showsrc "$source" | sed -n 's/^Version: //p' | sort -u)
  echo "$version"
  # Newest first, in dpkg's order (an insertion sort: the lists are short).
  local sorted=() i
  for candidate in "${others[@]}"; do
    i=${#sorted[@]}
    sorted+=("$candidate")
    while ((i > 0)) && dpkg --compare-versions "${sorted[i - 1]}" lt "$candidate"; do
      sorted[i]=${sorted[i - 1]}
      sorted[i - 1]=$candidate
      ((i--))
    done
  done
  printf '%s\n' "${sorted[@]}"
}

# Unpacks one version of a source package into $3; returns 1 when the
# archive cannot deliver it.
fetch() {
  local source=$1 version=$2 target=$3
  local work="$src_dir/.fetch-$source"
  rm -rf "$work"
  mkdir -p "$work"
  if ! (cd "$work" && apt_private source --download-only "$source=$version" >&2); then
    rm -rf "$work"
    return 1
  fi
  local dsc
  dsc=$(ls "$work"/*.dsc)
  rm -rf "$target.new"
  dpkg-source --no-check -x "$dsc" "$target.new" >&2
  mv "$target.new" "$target"
  rm -rf "$work"
  find "$src_dir" -maxdepth 1 -type f -delete
}

for package in "$@"; do
  read -r source version < <(dpkg-query -W -f='${source:Package} ${source:Version}\n' "$package")
  [[ -n "$version" ]] || { echo "fetch-debian-source: $package is not installed" >&2; exit 1; }
  target="$src_dir/$source-${version#*:}"
  if [[ ! -d "$target" ]]; then
    # A revision taken in place of the installed one was unpacked before.
    found=$(ls -d "$src_dir/$source-"*"~for-${version#*:}" 2>/dev/null | head -1 || true)
    if [[ -n $found ]]; then
      target=$found
    else
      update_lists
      fetched=""
      for candidate in $(candidate_versions "$source" "$version"); do
        place=$target
        [[ $candidate == "$version" ]] || place="$src_dir/$source-${candidate#*:}~for-${version#*:}"
        if fetch "$source" "$candidate" "$place"; then
          fetched=$candidate
          target=$place
          break
        fi
      done
      [[ -n $fetched ]] || { echo "fetch-debian-source: the archive cannot deliver $source ${version#*:}" >&2; exit 1; }
      [[ $fetched == "$version" ]] ||
        echo "fetch-debian-source: $source $version is no longer in the archive; took $fetched" >&2
    fi
  fi
  echo "$source $version $target"
done
