#!/bin/sh
# Runs the real-keyring case of a test program inside a private session bus
# with its own gnome-keyring-daemon, so the user's keyring is never touched.
# Usage: dbus-run-session -- sh keyring_session.sh <test program>
set -e
home=$(mktemp -d)
# The daemon ends with the session bus.
trap 'rm -rf "$home"' EXIT
export HOME="$home" XDG_DATA_HOME="$home/data" XDG_RUNTIME_DIR="$home/run"
mkdir -p "$XDG_DATA_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
printf 'test' | gnome-keyring-daemon --unlock --components=secrets >/dev/null
status=0
SKYHARBOR_KEYRING_TEST=1 QT_QPA_PLATFORM=offscreen "$1" realKeyring || status=$?
exit $status
