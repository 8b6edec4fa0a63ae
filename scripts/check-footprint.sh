#!/usr/bin/env bash
# Fails when MURNoptions.exe imports a DLL that Windows does not ship with
# every installation, or grows past its size budget.
#   scripts/check-footprint.sh [path/to/MURNoptions.exe]
set -euo pipefail
cd "$(dirname "$0")/.."

exe=${1:-build/windows/MURNoptions.exe}
budget=$((400 * 1024))
# System DLLs only: the C and C++ runtimes are linked in statically, and
# msvcrt.dll is part of Windows itself.
allowed="advapi32.dll comctl32.dll gdi32.dll kernel32.dll msvcrt.dll user32.dll shell32.dll ole32.dll"

[ -f "$exe" ] || { echo "footprint: $exe is missing" >&2; exit 1; }
status=0
size=$(stat -c %s "$exe")
if [ "$size" -gt "$budget" ]; then
  echo "footprint: $exe is $size bytes, over the budget of $budget" >&2
  status=1
fi
while read -r dll; do
  name=$(echo "$dll" | tr 'A-Z' 'a-z')
  case " $allowed " in
    *" $name "*) ;;
    *) echo "footprint: $exe imports $dll, which Windows does not ship" >&2; status=1 ;;
  esac
done < <(i686-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: //p')
subsystem=$(i686-w64-mingw32-objdump -p "$exe" | awk '/^Subsystem/ {print $2}')
if [ "$subsystem" != 00000002 ]; then
  echo "footprint: $exe is not a GUI program (subsystem $subsystem)" >&2
  status=1
fi
[ $status -eq 0 ] && echo "footprint: $exe is $size bytes (budget $budget), imports only system DLLs, GUI subsystem"
exit $status
