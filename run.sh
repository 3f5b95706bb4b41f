#!/usr/bin/env bash
# Installs what is missing, builds, and starts Orvik. Without a real camera attached it plugs
# in a virtual one (ORVIK_VIRTUAL_CAMERA picks the model, Vesk_R_M by default, and
# ORVIK_VIRTUAL_OPTIONS its registry options, "scene=board" by default), so the live board shows
# within seconds.
set -euo pipefail
cd "$(dirname "$0")"

scripts/setup
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build build -j"$(nproc)" --target orvik_program

real_camera_attached() {
    local device vendor product
    for device in /sys/bus/usb/devices/*; do
        [ -r "$device/idProduct" ] || continue
        vendor=$(cat "$device/idVendor" 2> /dev/null || true)
        product=$(cat "$device/idProduct" 2> /dev/null || true)
        if [ "$product" = "5830" ] || { [ "$product" = "5840" ] && [ "$vendor" = "0bda" ]; }; then
            return 0
        fi
    done
    return 1
}

arguments=("$@")
if [ -z "${TCSIM_DEVICES:-}" ] && ! real_camera_attached; then
    camera=${ORVIK_VIRTUAL_CAMERA:-Vesk_R_M}
    export TCSIM_DEVICES="$PWD/build/virtual-cameras.txt"
    echo "$camera serial=ORVIKDEMO1 ${ORVIK_VIRTUAL_OPTIONS:-scene=board}" > "$TCSIM_DEVICES"
    echo "run.sh: no camera attached, using a virtual $camera ($TCSIM_DEVICES)"
    if [ "$camera" = Bifold ] || [ "$camera" = BifoldF ]; then
        # The dual-light camera belongs to the Veltrace line and sends its alignment record
        # over a serial link of its own.
        build/bin/tcsim_serial "$PWD/build/virtual-dual-serial" &
        serial_side=$!
        trap 'kill "$serial_side" 2> /dev/null' EXIT
        export ORVIK_SERIAL_PORTS="$PWD/build/virtual-dual-serial"
        arguments=(--product Veltrace "${arguments[@]}")
    fi
fi
if [ -z "${serial_side:-}" ]; then
    exec build/bin/orvik "${arguments[@]}"
fi
# The serial side must end with the program: run it as a child and pass on the signals that
# ask this script to stop.
build/bin/orvik "${arguments[@]}" &
program=$!
trap 'kill -TERM "$program" 2> /dev/null' TERM INT HUP
while ! wait "$program"; do
    kill -0 "$program" 2> /dev/null || break # ended (with an error), not a signal to us
done
