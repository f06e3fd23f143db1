#!/bin/sh
# Checks that the programs a user runs carry nothing that only tests need: no text of the
# test seams ("QUILLET_TEST_") and no import of the listening side of sockets (bind,
# listen, accept). Each program is checked as shipped: a stripped copy. The same checks
# are run on programs that do hold these, so that a check that could not fail shows.
#   shipped-programs.sh WORKDIR OBJDUMP|nm -- SHIPPED... -- SEAMS_BUILD LISTENING_PROGRAM
# With an objdump (Windows programs) the imports are read from its "-p" listing; with nm,
# from the undefined dynamic symbols.
set -eu
work=$1 reader=$2
shift 2
[ "$1" = -- ] && shift
shipped=
while [ "$1" != -- ]; do shipped="$shipped $1"; shift; done
shift
seams=$1 listening=$2
rm -rf "$work" && mkdir -p "$work"

if [ "$reader" = nm ]; then
  strip_tool=strip
else
  strip_tool=$(dirname "$reader")/$(basename "$reader" | sed 's/objdump$/strip/')
fi

# stripped COPY_NAME PROGRAM: a stripped copy of PROGRAM in the work folder.
stripped() {
  cp "$2" "$work/$1"
  "$strip_tool" "$work/$1"
  echo "$work/$1"
}

imports() {
  if [ "$reader" = nm ]; then
    nm -D --undefined-only "$1" | sed 's/.* //; s/@.*//'
  else
    # The import tables list each function as "address hint name" under its DLL.
    "$reader" -p "$1" | sed -n '/The Import Tables/,/The Function Table/p' |
      awk 'NF == 3 && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ {print $3}'
  fi
}

holds_seams() { grep -c 'QUILLET_TEST_' "$1" >/dev/null; }
listens() { imports "$1" | grep -Eqx 'bind|listen|accept|accept4'; }

status=0
for program in $shipped; do
  copy=$(stripped "$(basename "$program")" "$program")
  if holds_seams "$copy"; then echo "$program holds test seam text (QUILLET_TEST_)"; status=1; fi
  if listens "$copy"; then
    echo "$program imports the listening side of sockets:"; imports "$copy" | grep -Ex 'bind|listen|accept|accept4'
    status=1
  fi
  imports "$copy" | grep -qx 'connect' || { echo "$program: no import of connect was found; the import listing is not read right"; status=1; }
done

copy=$(stripped seams-build "$seams")
holds_seams "$copy" || { echo "the check finds no seam text in the tool's test build $seams"; status=1; }
copy=$(stripped listening "$listening")
listens "$copy" || { echo "the check finds no listening import in $listening"; status=1; }

[ $status = 0 ] && echo "shipped programs hold no test hooks"
exit $status
