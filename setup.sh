#!/bin/sh
# Installs the Debian packages that the given make targets need, only those
# that are missing, then hands over to make with the same arguments.
#   sh setup.sh run ARGS="outline src/cli/frontend.cpp"
#   sh setup.sh test
# Uses sudo when not run as root. The package lists are in
# tools/debian-packages.
set -eu
cd "$(dirname "$0")"

groups=build
for arg in "$@"; do
  case $arg in
    test|test-fast|check) groups="$groups test" ;;
    asan) groups="$groups test fuzz" ;;
    fuzz|fuzz-replay) groups="$groups fuzz" ;;
    bench) groups="$groups bench" ;;
  esac
done

wanted=
for group in $groups; do
  wanted="$wanted $(sed -n "s/^$group[[:space:]][[:space:]]*//p" tools/debian-packages)"
done

missing=
for pkg in $wanted; do
  case " $missing " in *" $pkg "*) continue ;; esac
  if ! dpkg-query -W -f='${Status}\n' "$pkg" 2>/dev/null | grep -q ' installed$'; then
    missing="$missing $pkg"
  fi
done

if [ -n "$missing" ]; then
  echo "setup.sh: installing$missing" >&2
  sudo=
  if [ "$(id -u)" -ne 0 ]; then
    command -v sudo >/dev/null || { echo "setup.sh: not root and no sudo: install$missing by hand" >&2; exit 1; }
    sudo=sudo
  fi
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq >&2
  # shellcheck disable=SC2086
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing >&2
fi

exec make "$@"
