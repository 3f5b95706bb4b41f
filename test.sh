#!/usr/bin/env bash
# Installs what is missing, builds everything into build/ and runs every test.
set -euo pipefail
cd "$(dirname "$0")"

scripts/setup
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"
ctest --test-dir build --output-on-failure -j2
