#!/bin/sh
# Writes the test archives that Debian's own archivers make (zip, unzipsfx,
# GNU tar, gzip, bzip2, 7z, arj) from a small fixed tree. Run in this
# directory; the output is committed, so the tests never run it. Times are
# fixed and set in UTC, so a rerun differs only where a tool stamps its own.
set -eu
here=$(pwd)
export TZ=UTC LC_ALL=C.UTF-8
src=$(mktemp -d)
trap 'rm -rf "$src"' EXIT
cd "$src"
mkdir -p tree/docs/sub tree/empty
printf 'hello\n' >tree/docs/readme.txt
printf 'deep file\n' >tree/docs/sub/deep.txt
printf 'top\n' >tree/top.txt
printf 'unicode\n' >"tree/ünï.txt"
ln -s docs/readme.txt tree/link
n150=$(printf '%0150d' 0 | tr 0 n)
printf 'long\n' >"tree/$n150.txt"
d200=$(printf '%0200d' 0 | tr 0 d)
mkdir -p "tree/$d200/$d200/$d200"
p80=$(printf '%080d' 0 | tr 0 p)
n60=$(printf '%060d' 0 | tr 0 m)
mkdir -p "tree/$p80"
printf 'split\n' >"tree/$p80/$n60.txt"
printf 'longer\n' >"tree/$d200/$d200/$d200/f.txt"
find tree -exec touch -h -d '2021-03-04 05:06:08' {} +

cd tree
rm -f "$here/basic.zip"
zip -q -r -y -X "$here/basic.zip" docs empty top.txt ünï.txt link "$n150.txt" "$d200"
rm -f "$here/comment65535.zip"
zip -q -X "$here/comment65535.zip" top.txt
# zip -z stops at a line of its own; the longest comment is set directly.
python3 -c 'import sys
p = sys.argv[1]
b = bytearray(open(p, "rb").read())
assert b[-22:-18] == b"PK\x05\x06"
b[-2:] = (65535).to_bytes(2, "little")
open(p, "wb").write(bytes(b) + b"PK\x05\x06" + b"c" * 65531)' "$here/comment65535.zip"
head -c -1000 "$here/comment65535.zip" >"$here/comment_truncated.zip"
rm -f "$src/small.zip" "$here/empty.zip"
zip -q -X "$src/small.zip" top.txt docs/readme.txt
cat /usr/bin/unzipsfx "$src/small.zip" >"$here/sfx_elf.zip"
zip -q -A "$here/sfx_elf.zip"
zip -q -X "$here/empty.zip" top.txt
zip -q -d "$here/empty.zip" top.txt

tar --format=ustar --owner=0 --group=0 --numeric-owner -cf "$here/ustar.tar" docs top.txt "$p80"
tar --format=gnu --owner=0 --group=0 --numeric-owner -cf "$here/gnu.tar" docs link "$d200" top.txt
tar --format=pax --owner=0 --group=0 --numeric-owner -cf "$here/pax.tar" docs "$d200" ünï.txt top.txt
tar --format=gnu -cf "$here/update.tar" top.txt
printf 'changed top\n' >top.txt
touch -d '2021-05-06 07:08:09' top.txt
tar --format=gnu -rf "$here/update.tar" top.txt
cp "$here/ustar.tar" "$here/bad_checksum.tar"
printf 'X' | dd of="$here/bad_checksum.tar" bs=1 seek=1 conv=notrunc status=none

gzip -c -9 docs/readme.txt >"$here/named.gz"
gzip -n -c docs/readme.txt >"$here/readme.txt.gz"
tar --format=gnu -cf - docs | gzip -n >"$here/t.tgz"
bzip2 -c docs/readme.txt >"$here/data.txt.bz2"
tar --format=gnu -cf - docs | bzip2 >"$here/t.tbz"

rm -f "$here/test.7z" "$here/encrypted.7z" "$here/test.arj"
7z a -bd -bb0 "$here/test.7z" docs empty top.txt ünï.txt >/dev/null
7z a -bd -bb0 -psecret -mhe=on "$here/encrypted.7z" top.txt >/dev/null
# arj takes a first directory argument as the base directory: give it a tree.
mkdir "$src/arj"
cp -a docs top.txt "$src/arj/"
(cd "$src/arj" && arj a -r -y "$here/test.arj" '*' >/dev/null)
