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
#   14p7  "14point7 SLC PP2" (baud 14400): a controller on ./tty14P7 that answers KelvO's requests,
#         each data request with the next message of demo/devices/14p7.hex (AFR and BOOST sweep)
#   wbo2  "TechEdge WBO2": demo/devices/wbo2.hex into ./ttyWBO2; the port opens, the plot stays
#         empty (the frames are not decoded); KelvO started with "trace" logs the bytes in hex
#         once "log4cplus.properties" has the line log4cplus.logger.wbo2=TRACE
#   innovate  a linked pair of ports: Troubleshooting > Innovate Simulator plays the MTS chain on
#         ./ttyMTS-sim (Start with "Simulate MTS Devices" ticked), "Innovate Serial" reads it on ./ttyMTS
#
# A device word is a function below that sets LINK (the name of the port in
# the working directory), PEER (the other end's name, for a device that
# KelvO itself plays) and SERVE (the function that runs the device on it);
# play_hex and play_lines loop a stream file at the device's pace, and a
# device that answers requests has its ANSWER function behind socat.
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

# The 14Point7 controller's side of the exchange, on stdin and stdout: a
# short answer to 0x01 and 0x04, the next message of the stream to each 0x07.
answer_14p7() {
  export LC_ALL=C
  local frames=() i=0 c
  mapfile -t frames < <(sed -E -e 's/#.*//' -e 's/[[:space:]]//g' -e '/^$/d' -e 's/(..)/\\x\1/g' "$STREAM")
  while IFS= read -r -d '' -n 1 c; do
    case "$c" in
      $'\x01') printf '\x01\x50' ;;
      $'\x04') printf '\x04\x02\x0a' ;;
      $'\x07')
        printf "${frames[i]}"
        i=$(( (i + 1) % ${#frames[@]} ))
        ;;
    esac
  done
}

# A device that answers: socat joins the terminal to this script's answering
# side (run from the repository root, so the path needs no quoting).
answer_requests() {
  socat "PTY,link=$WORKDIR/$LINK,raw,echo=0" "SYSTEM:exec bash scripts/device-demo.sh --answer $DEVICE"
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
fourteen_point7() { LINK=tty14P7; STREAM=demo/devices/14p7.hex; ANSWER=answer_14p7; SERVE=answer_requests; }
wbo2() { LINK=ttyWBO2; STREAM=demo/devices/wbo2.hex; PLAY=play_hex; PACE=0.1; SERVE=stream_only; }

usage() {
  sed -n '2,/^set -euo/p' "$SCRIPT" | sed -e '/^set -euo/d' -e 's/^# \{0,1\}//'
}

DEVICE=${1:-}
PEER=""
# The answering side of a device, started by socat on the terminal.
if [ "$DEVICE" = --answer ]; then
  DEVICE=${2:-}
  case "$DEVICE" in
    14p7) fourteen_point7 ;;
    *) exit 2 ;;
  esac
  "$ANSWER"
  exit 0
fi
case "$DEVICE" in
  plx | aem | can | innovate | wbo2) "$DEVICE" ;;
  14p7) fourteen_point7 ;;
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
