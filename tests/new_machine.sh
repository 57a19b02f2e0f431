#!/usr/bin/env bash
# A new machine, as a new user meets it: a clean Debian 12 root made with
# debootstrap (minbase), a clean clone of one commit in root's home
# (/root/chess), and there the README's test command exactly as the README
# writes it (with --ci, `bash .ci/run` with CI=true too). Nothing of this
# machine's own installs is seen: whatever the tests need, the project's own
# files must install.
#
# Usage (as root): tests/new_machine.sh [--ci] [--keep] [COMMIT]
#   COMMIT   what to clone (default HEAD of this checkout)
#   --ci     after the test command, `CI=true bash .ci/run` in the same root
#   --keep   keep the root afterwards (it is removed by default)
# Environment: NEW_MACHINE_DIR (where the root goes, default a new folder
# under /var/tmp), NEW_MACHINE_MIRROR (default http://deb.debian.org/debian).
#
# Into the new root, besides minbase, go only `git` and `ca-certificates`:
# the clone is made here and copied in, but a user who has a clone has git,
# and .ci/run lists the tracked files with it. Of this machine it takes only
# what every machine here has: the resolver and the certificate authorities
# that the network needs, with the variables that name them. Everything is logged on
# standard output with the elapsed time. The mounts (the root itself, as /
# is on a machine, /proc, /sys, /dev, /dev/pts, /dev/shm) live in a private mount namespace, so they go with it
# however the script ends; the processes still running in the new root are
# ended by their ids at exit. Takes more than half an hour on two cores
# (an hour with --ci): run it by hand before a release or after changing
# what the tests install.
set -euo pipefail
export LC_ALL=C
{   # read whole before it runs: an edit of this file meanwhile changes nothing

ci=
keep=
commit=HEAD
for arg in "$@"; do
  case $arg in
    --ci) ci=1 ;;
    --keep) keep=1 ;;
    -*) echo "usage: $0 [--ci] [--keep] [COMMIT]" >&2; exit 2 ;;
    *) commit=$arg ;;
  esac
done
[ "$(id -u)" -eq 0 ] || { echo "new_machine.sh: needs root (debootstrap, chroot, mounts)" >&2; exit 2; }
for tool in debootstrap unshare chroot git; do
  command -v "$tool" >/dev/null || { echo "new_machine.sh: $tool is missing (apt-get install -y debootstrap git)" >&2; exit 2; }
done

source_dir=$(cd "$(dirname "$0")/.." && pwd)
sha=$(git -C "$source_dir" rev-parse --verify "$commit^{commit}")
mirror=${NEW_MACHINE_MIRROR:-http://deb.debian.org/debian}
root=${NEW_MACHINE_DIR:-$(mktemp -d /var/tmp/chess-new-machine.XXXXXX)}
mkdir -p "$root"
root=$(cd "$root" && pwd)
started=$SECONDS
step() { echo "== new machine: $1 ($((SECONDS - started)) s)"; }

# The processes left in the new root are ours: end them by their ids.
end_processes() {
  local sig pid
  for sig in TERM KILL; do
    for pid in $(ls /proc | grep -x '[0-9]*'); do
      [ "$(readlink "/proc/$pid/root" 2>/dev/null)" = "$root" ] && kill "-$sig" "$pid" 2>/dev/null
    done
    sleep 2
  done
}
work=
cleanup() {
  local rc=$?
  set +e
  trap - EXIT INT TERM HUP
  end_processes
  [ -z "$work" ] || rm -rf "$work"
  if [ -z "$keep" ]; then
    # The mounts were in the namespace that has ended: none is left below
    # the root, and removing it cannot reach the machine's /dev.
    if grep -q " $root/" /proc/mounts; then
      echo "new_machine.sh: mounts left below $root; not removed" >&2
    else
      rm -rf "$root"
    fi
  else
    echo "new_machine.sh: the root is kept in $root"
  fi
  echo "== new machine: ended with status $rc after $((SECONDS - started)) s"
  exit "$rc"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

echo "new machine: commit $sha of $source_dir in $root/root/chess"
# The command as the README gives it: its line that starts with the installer.
readme_command=$(git -C "$source_dir" show "$sha:README.md" | sed -n 's/^    \(tests\/install_test_packages\.sh .*\)$/\1/p' | head -n 1)
[ -n "$readme_command" ] || { echo "new_machine.sh: no test command in the README of $sha" >&2; exit 2; }
echo "new machine: the README's test command: $readme_command"

step "the clone"
work=$(mktemp -d /var/tmp/chess-new-machine-work.XXXXXX)
git clone -q --no-checkout "$(git -C "$source_dir" rev-parse --path-format=absolute --git-common-dir)" "$work/chess"
git -C "$work/chess" checkout -q --detach "$sha"
git -C "$work/chess" remote remove origin

# The rest runs in a mount namespace of its own: its mounts end with it.
cat > "$work/inside.sh" <<'INSIDE'
set -euo pipefail
root=$1 mirror=$2 ci=$3 command=$4 clone=$5 t0=$6
step() { echo "== new machine: $1 ($(( $(date +%s) - t0 )) s)"; }
mount --make-rprivate /
step "debootstrap --variant=minbase bookworm"
debootstrap --variant=minbase bookworm "$root" "$mirror" > "$clone.debootstrap.log" 2>&1 \
  || { tail -n 30 "$clone.debootstrap.log"; exit 1; }
cat > "$root/etc/apt/sources.list" <<LIST
deb $mirror bookworm main
deb $mirror bookworm-updates main
deb http://deb.debian.org/debian-security bookworm-security main
LIST
# The machine's network set-up: its resolver, the certificate authorities
# it adds (the ca-certificates package takes them in), and the variables
# that point programs at them.
cp /etc/resolv.conf "$root/etc/resolv.conf"
mkdir -p "$root/usr/local/share/ca-certificates"
cp /usr/local/share/ca-certificates/*.crt "$root/usr/local/share/ca-certificates/" 2>/dev/null || true
pass=()
for v in NODE_EXTRA_CA_CERTS SSL_CERT_FILE SSL_CERT_DIR CURL_CA_BUNDLE REQUESTS_CA_BUNDLE GIT_SSL_CAINFO; do
  [ -z "${!v:-}" ] || pass+=("$v=${!v}")
done
cp -a "$clone" "$root/root/chess"
# On a machine / is a mount point (a mount namespace needs that)
mount --bind "$root" "$root"
mount -t proc proc "$root/proc"
mount -t sysfs sysfs "$root/sys"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
mount -t tmpfs -o mode=1777 shm "$root/dev/shm"
run() {
  chroot "$root" /usr/bin/env -i HOME=/root USER=root LOGNAME=root LANG=C.UTF-8 TERM=dumb \
    PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin ${pass[@]+"${pass[@]}"} "$@" < /dev/null
}
step "apt-get install git ca-certificates"
run sh -c 'apt-get update -q && DEBIAN_FRONTEND=noninteractive apt-get install -y -q git ca-certificates' \
  > "$clone.apt.log" 2>&1 || { tail -n 30 "$clone.apt.log"; exit 1; }
step "the README's test command, in /root/chess"
status=0
run bash -c "cd /root/chess && $command" || status=$?
step "the README's test command ended with status $status"
if [ -n "$ci" ]; then
  step "CI=true bash .ci/run, in /root/chess"
  ci_status=0
  run env CI=true bash -c 'cd /root/chess && bash .ci/run' || ci_status=$?
  step ".ci/run ended with status $ci_status"
  [ "$ci_status" -eq 0 ] || status=$ci_status
fi
exit "$status"
INSIDE
status=0
unshare --mount --propagation private bash "$work/inside.sh" "$root" "$mirror" "$ci" "$readme_command" \
  "$work/chess" "$(( $(date +%s) - (SECONDS - started) ))" || status=$?
exit "$status"
}
