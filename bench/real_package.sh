#!/usr/bin/env bash
# Makes a program package of real size: the edition's program package (packages/wxs/program.wxs,
# the same product, components and stand-ins) with a payload of FILES files of KB kilobytes each
# in a subfolder of the program folder (default 400 files of 100 KB, about 40 MB). The contents
# are random, so the cabinet does not shrink them. Built at bench time, never kept in the tree.
#
# Usage: bench/real_package.sh OUT.msi EDITION(Pro|Lite) WORKDIR [FILES [KB]]
set -uo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
out=$1 edition=$2 work=$3 files=${4:-400} kb=${5:-100}
: "${TSY_WIN_BUILD:?}"
standins="$TSY_WIN_BUILD/packages/standins"
[ -f "$standins/tsy3.exe" ] || { echo "no stand-ins in $standins (the Windows build)" >&2; exit 1; }
command -v wixl >/dev/null || { echo "wixl (msitools) is not installed" >&2; exit 1; }

rm -rf "$work" && mkdir -p "$work/payload" || exit 1
cp -r "$standins" "$work/standins" || exit 1
for i in $(seq -w 1 "$files"); do
  head -c $((kb * 1024)) /dev/urandom >"$work/payload/data$i.bin" || exit 1
done

# One component per file, each with its own fixed GUID; the payload lies beside the main program.
components=$(for i in $(seq -w 1 "$files"); do
  printf '        <Component Id="Payload%s" Guid="{5D0C3A7E-0000-4000-8000-%012d}"><File Id="data%s.bin" Name="data%s.bin" Source="payload/data%s.bin" KeyPath="yes"/></Component>\n' \
    "$i" "$((10#$i))" "$i" "$i" "$i"
done)
refs=$(for i in $(seq -w 1 "$files"); do printf '      <ComponentRef Id="Payload%s"/>\n' "$i"; done)
awk -v comps="$components" -v refs="$refs" '
  { print }
  /<Directory Id="TARGETDIR"/ { print "      <Directory Id=\"PayloadDir\" Name=\"Payload\">"; print comps; print "      </Directory>" }
  /<Feature Id="Complete"/ { print refs }
' "$ROOT/packages/wxs/program.wxs" >"$work/program_real.wxs" || exit 1
grep -q 'PayloadDir' "$work/program_real.wxs" && grep -q 'ComponentRef Id="Payload' "$work/program_real.wxs" ||
  { echo "program.wxs no longer has the TARGETDIR folder and the Complete feature" >&2; exit 1; }

main_exe=tsy3.exe
wixl -o "$out" -D Edition="$edition" -D Mode=full -D BinDir=standins -D MainExe="$main_exe" \
  -D DataDir=data -I "$work" "$work/program_real.wxs" || { echo "wixl failed" >&2; exit 1; }
