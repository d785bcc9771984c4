#!/bin/sh
# SPDX-License-Identifier: GPL-3.0-or-later
# SPDX-FileCopyrightText: Bookferry developers
# Import and export of a 20 MB ePub through bookferry-cli on a folder device, against
# "unzip + cp -r" (what an import must at least do) and "zip -r" (what an export must at
# least do), in the same run. Not part of the test suite.
#   bench/cli_vs_unzip.sh [BUILD_DIR]     (default: build)
set -eu
BUILD=${1:-build}
CLI="$BUILD/bin/bookferry-cli"
[ -x "$CLI" ] || { echo "no $CLI; build the bookferry-cli target first" >&2; exit 2; }
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export BOOKFERRY_SCRATCH="$WORK/scratch"

# A 20 MB book: text chapters and incompressible "images".
mkdir -p "$WORK/src/META-INF" "$WORK/src/OEBPS/images" "$WORK/dev/root"
printf 'application/epub+zip' > "$WORK/src/mimetype"
cat > "$WORK/src/META-INF/container.xml" <<'XML'
<?xml version="1.0"?>
<container version="1.0" xmlns="urn:oasis:names:tc:opendocument:xmlns:container">
  <rootfiles><rootfile full-path="OEBPS/content.opf" media-type="application/oebps-package+xml"/></rootfiles>
</container>
XML
cat > "$WORK/src/OEBPS/content.opf" <<'XML'
<?xml version="1.0"?>
<package xmlns="http://www.idpf.org/2007/opf" version="2.0" unique-identifier="id">
  <metadata xmlns:dc="http://purl.org/dc/elements/1.1/">
    <dc:title>Bench Book</dc:title>
    <dc:creator>Bench</dc:creator>
    <dc:identifier id="id">bench-1</dc:identifier>
  </metadata>
</package>
XML
i=0
while [ $i -lt 45 ]; do
  head -c 450000 /dev/urandom > "$WORK/src/OEBPS/images/img$i.bin"
  i=$((i + 1))
done
i=0
while [ $i -lt 20 ]; do
  yes "<p>A line of chapter $i, long enough to compress as prose does.</p>" | head -c 200000 \
    > "$WORK/src/OEBPS/chapter$i.xhtml"
  i=$((i + 1))
done
(cd "$WORK/src" && zip -q -X -0 ../book.epub mimetype && zip -q -X -r ../book.epub META-INF OEBPS)
SIZE=$(stat -c %s "$WORK/book.epub")

cat > "$WORK/dev/device.plist" <<'XML'
<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict>
  <key>UniqueDeviceID</key><string>bench</string>
  <key>Values</key><dict><key>ProductVersion</key><string>4.0</string><key>DeviceName</key><string>Bench</string></dict>
  <key>DeviceInfo</key><dict><key>Model</key><string>iPhone1,1</string><key>FSTotalBytes</key><string>17179869184</string></dict>
</dict></plist>
XML

now() { date +%s.%N; }
elapsed() { echo "$2 - $1" | bc; }

t0=$(now)
"$CLI" --device "folder:$WORK/dev" import "$WORK/book.epub" >/dev/null 2>&1
t1=$(now)
mkdir -p "$WORK/out"
"$CLI" --device "folder:$WORK/dev" export --to "$WORK/out" >/dev/null 2>&1
t2=$(now)
# The command-line tool also brings the device up (survey) each run; measure that alone.
"$CLI" --device "folder:$WORK/dev" info >/dev/null 2>&1
t3=$(now)

mkdir -p "$WORK/ref/dev"
t4=$(now)
unzip -q -o "$WORK/book.epub" -d "$WORK/ref/unpacked"
cp -r "$WORK/ref/unpacked" "$WORK/ref/dev/BOOK.epub"
t5=$(now)
(cd "$WORK/ref/dev/BOOK.epub" && zip -q -X -0 "$WORK/ref/out.epub" mimetype && zip -q -X -r "$WORK/ref/out.epub" . -x mimetype)
t6=$(now)

echo "book: $SIZE bytes"
echo "bookferry-cli import:  $(elapsed "$t0" "$t1") s  (includes bringing the device up)"
echo "bookferry-cli export:  $(elapsed "$t1" "$t2") s  (includes bringing the device up)"
echo "bookferry-cli info:    $(elapsed "$t2" "$t3") s  (bringing the device up alone)"
echo "unzip + cp -r:         $(elapsed "$t4" "$t5") s"
echo "zip -r:                $(elapsed "$t5" "$t6") s"
