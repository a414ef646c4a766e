#!/usr/bin/env bash
# Plays a recorded device stream into a pseudo-terminal of the demo's
# working directory, so that KelvO reads it as it would read the device on
# a serial port. Start scripts/demo.sh, then this script in a second
# terminal; in KelvO choose External Source > External source, the device,
# type the port ("./ttyPLX") and press Connect. Ctrl+C ends the device.
#
# Usage: scripts/device-demo.sh DEVICE
#   plx   "PLX Real-Time": demo/devices/plx.hex into ./ttyPLX (one frame every 100 ms)
#   aem   "AEM Air/Fuel Ratio" or "AEM Boost": demo/devices/aem.txt into ./ttyAEM (one line every 100 ms)
#   can   "USBTin CAN adapter": demo/devices/can.slcan into ./ttyCAN (one frame every 30 ms)
#   innovate  a linked pair of ports: Troubleshooting > Innovate Simulator plays the MTS chain on
#         ./ttyMTS-sim (Start with "Simulate MTS Devices" ticked), "Innovate Serial" reads it on ./ttyMTS
#
# A device word is a function below that sets LINK (the name of the port in
# the working directory), PEER (the other end's name, for a device that
# KelvO itself plays) and SERVE (the function that runs the device on it);
# play_hex and play_lines loop a stream file at the device's pace.
set -euo pipefail
SCRIPT="$(cd "$(dirname "$0")" && pwd)/$(basename "$0")"
cd "$(dirname "$0")/.."
ROOT=$(pwd)
WORKDIR="${KELVO_DEMO_DIR:-$ROOT/build/demo-workdir}"

# Lines of hex bytes, "#" comments and blank lines skipped, one line every PACE seconds.
play_hex() {
  local frames=()
  # Turned into printf escapes once, so that the loop keeps the pace.
  mapfile -t frames < <(sed -E -e 's/#.*//' -e 's/[[:space:]]//g' -e '/^$/d' -e 's/(..)/\\x\1/g' "$STREAM")
  while true; do
    for frame in "${frames[@]}"; do
      printf "$frame"
      sleep "$PACE"
    done
  done
}

# Text lines sent as they stand in the file (with their own line ends).
play_lines() {
  while true; do
    while IFS= read -r line; do
      printf '%s\n' "$line"
      sleep "$PACE"
    done <"$STREAM"
  done
}

# SLCAN frame lines ended by "\r", "#" comments skipped; the last four hex
# digits (the adapter's ms stamp) are replaced by a running clock, so the
# stamps go on when the file starts over.
play_can() {
  local frames=()
  mapfile -t frames < <(sed -E -e 's/#.*//' -e 's/[[:space:]]//g' -e '/^$/d' "$STREAM")
  local start=$(( ${EPOCHREALTIME/./} / 1000 ))
  while true; do
    for frame in "${frames[@]}"; do
      printf '%s%04X\r' "${frame:0:${#frame}-4}" $(( ( ${EPOCHREALTIME/./} / 1000 - start ) & 0xFFFF ))
      sleep "$PACE"
    done
  done
}

# A device that only talks: the stream into the terminal, whatever KelvO sends is ignored.
stream_only() {
  "$PLAY" | socat -u STDIN "PTY,link=$WORKDIR/$LINK,raw,echo=0"
}

# Two ports joined: whatever is written to one is read on the other.
pty_pair() {
  socat "PTY,link=$WORKDIR/$PEER,raw,echo=0" "PTY,link=$WORKDIR/$LINK,raw,echo=0"
}

plx() { LINK=ttyPLX; STREAM=demo/devices/plx.hex; PLAY=play_hex; PACE=0.1; SERVE=stream_only; }
can() { LINK=ttyCAN; STREAM=demo/devices/can.slcan; PLAY=play_can; PACE=0.03; SERVE=stream_only; }
aem() { LINK=ttyAEM; STREAM=demo/devices/aem.txt; PLAY=play_lines; PACE=0.1; SERVE=stream_only; }
innovate() { LINK=ttyMTS; PEER=ttyMTS-sim; SERVE=pty_pair; }

usage() {
  sed -n '2,/^set -euo/p' "$SCRIPT" | sed -e '/^set -euo/d' -e 's/^# \{0,1\}//'
}

DEVICE=${1:-}
PEER=""
case "$DEVICE" in
  plx | aem | can | innovate) "$DEVICE" ;;
  -h | --help) usage; exit 0 ;;
  *) usage >&2; exit 2 ;;
esac

command -v socat >/dev/null || bash scripts/install-deps.sh
mkdir -p "$WORKDIR"
echo "$DEVICE: port ./$LINK${PEER:+ and ./$PEER for the simulator} in $WORKDIR (Ctrl+C ends it)"
# The device runs as a job of its own, so that it ends with the script.
set -m
"$SERVE" &
DEVICE_PID=$!
trap 'kill -- -$DEVICE_PID 2>/dev/null || true; rm -f "$WORKDIR/$LINK" ${PEER:+"$WORKDIR/$PEER"}' EXIT
trap 'exit 130' INT TERM
wait "$DEVICE_PID"
