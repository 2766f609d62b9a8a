#!/bin/bash
# Remakes the seed corpus of every fuzz target from files the program itself writes:
#   bash fuzz/make_corpus.sh build     (a build folder holding pelmor-cli and the engine libraries)
# The seeds are committed; run this after a file format changes. Everything is made inside a
# temporary folder under relative names, so that no seed holds a path of this machine.
set -euo pipefail
build=$(cd "${1:?usage: make_corpus.sh BUILD_DIR}" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
cli="$build/src/cli/pelmor-cli"
corpus="$here/corpus"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export PELMOR_DEVICE=emulator PELMOR_EMULATOR=realtime=0
mkdir -p "$corpus"/{opt_parser,setup_file,data_file,cal_parser,numbers,device_stream}
cd "$work"

# Waveform files.
"$cli" excitation generate --period-code 1 --components 1,2,3,4,5,6 > six.opt
cp six.opt "$corpus/opt_parser/six.opt"

# Calibration files: a small table read and copied out by the program.
printf 'Freq\treA\timA\treB\timB\treC\timC\treD\timD\treE\timE\treF\timF\treZ0\timZ0\tresh\timsh\treT21\timT21\trech\timch\r\n' > in.cal
for f in 2 4 6; do
  printf '%s\t0\t0\t1e9\t0\t0\t0\t1e9\t0\t0\t0\t1e9\t0\t1\t0\t1\t0\t1\t0\t1\t0\r\n' $f >> in.cal
done
"$cli" calibration check in.cal > "$corpus/cal_parser/three_points.cal" 2>/dev/null

# Setup files: the target takes a leading odd byte as "the whole file follows".
"$cli" setup save default.plm 2>/dev/null
"$cli" --excitation six.opt --calibration in.cal setup save lab.plm 2>/dev/null
# A setup file keeps the folders its waveform and calibration files came from, as
# length-prefixed text: they become "." here, so the seed holds no folder of this machine.
for name in default lab; do
  python3 - "$work" "$name.plm" <<'PY'
import sys
work, path = sys.argv[1].encode(), sys.argv[2]
data = open(path, "rb").read().replace(bytes([len(work)]) + work, b"\x01.")
open(path, "wb").write(data)
PY
  { printf '\001'; cat "$name.plm"; } > "$corpus/setup_file/$name.plm"
done

# Data files in both formats.
"$cli" --setup lab.plm record full --seconds 1 --mask E0 > /dev/null 2>&1
"$cli" --setup lab.plm record twelve --seconds 2 --bits 12 > /dev/null 2>&1
cp "full 001.inpx" "$corpus/data_file/three_channels.inpx"
cp "twelve 001.inp" "$corpus/data_file/twelve_bit.inp"
# A first channel name of 205 Latin-1 bytes, 52 of them above 127: 257 bytes once read as UTF-8,
# still 205 characters (the names, empty here, are the file's last fields: three zero lengths).
python3 - "full 001.inpx" "$corpus/data_file/latin1_long_name.inpx" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
assert data[-12:] == bytes(12)
name = b"\xe9" * 52 + b"a" * 153
open(sys.argv[2], "wb").write(data[:-12] + struct.pack("<i", len(name)) + name + bytes(8))
PY

# Numbers as the program writes them: an impedance table and a trend.
"$cli" impedance "full 001.inpx" > "$corpus/numbers/impedance.txt" 2>/dev/null
"$cli" trend "full 001.inpx" > "$corpus/numbers/trend.txt" 2>/dev/null

# The device stream: short measurements on the emulator in the target's input language.
"${CXX:-c++}" -std=c++20 -O1 -I "$here/../src" "$here/tools/device_stream_seed.cpp" \
  -Wl,--start-group "$build"/src/*/libpelmor_*.a -Wl,--end-group -lpthread -o seed
./seed 1 C0 "$corpus/device_stream/two_channels_512.bin"
./seed 2 E0 "$corpus/device_stream/three_channels_1024.bin"
if grep -rlE '/(work|tmp|home|root)/' "$corpus"; then
  echo "make_corpus: the seeds above hold a local path" >&2
  exit 1
fi
ls -l "$corpus"/*
