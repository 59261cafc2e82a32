#!/usr/bin/env bash
# Static checks of the Windows executable or screen saver:
#   wine_exe_check.sh <velkaro.exe|velkaro.scr>
# It must run on a bare Windows (only system DLLs imported), be a GUI
# program, and carry the five bitmaps and the icon, Russian-tagged, in the
# stored layout the bitmap loader reads. A screen saver also carries its
# name as string 1, which the screen saver settings show.
set -u
EXE=${1:?usage: $0 <velkaro.exe|velkaro.scr>}
OBJDUMP=$(command -v x86_64-w64-mingw32-objdump || command -v objdump)
WINDRES=$(command -v x86_64-w64-mingw32-windres)
if [ -z "$OBJDUMP" ] || [ -z "$WINDRES" ]; then
    echo "SKIP: mingw-w64 binutils not found (Debian: binutils-mingw-w64-x86-64)"
    exit 77
fi
FAILURES=0
pass() { echo "PASS: $*"; }
fail() { echo "FAIL: $*"; FAILURES=$((FAILURES + 1)); }

headers=$("$OBJDUMP" -p "$EXE" 2>&1) || { echo "FAIL: objdump cannot read $EXE"; exit 1; }

if grep -q 'file format pei-x86-64' <<<"$headers"; then pass "64-bit PE executable"; else fail "not a pei-x86-64 executable"; fi
if grep -qE '^Subsystem[[:space:]]+00000002' <<<"$headers"; then pass "GUI subsystem"; else fail "not a GUI-subsystem executable"; fi

# DLLs every Windows installation has; anything else (libgcc, libstdc++,
# winpthread) would have to be shipped beside the executable.
SYSTEM_DLLS=" kernel32.dll user32.dll gdi32.dll ddraw.dll msvcrt.dll advapi32.dll "
dlls=$(awk '/DLL Name:/ { print tolower($3) }' <<<"$headers")
if ! grep -qx 'ddraw.dll' <<<"$dlls"; then fail "does not import ddraw.dll"; fi
foreign=
for dll in $dlls; do
    [[ "$SYSTEM_DLLS" == *" $dll "* ]] || foreign="$foreign $dll"
done
if [ -z "$foreign" ]; then pass "imports only system DLLs:" $dlls; else fail "imports non-system DLLs:$foreign"; fi

# Resources: dump them as a .res file and walk its entries.
res=$(mktemp)
trap 'rm -f "$res"' EXIT
if ! "$WINDRES" -i "$EXE" -O res -o "$res" 2>/dev/null; then
    fail "cannot read the resources"
    echo "wine_exe_check: $FAILURES check(s) failed"
    exit 1
fi
u32() { od -An -tu4 -N4 -j "$2" "$1" | tr -d ' '; }
u16() { od -An -tu2 -N2 -j "$2" "$1" | tr -d ' '; }
declare -A found languages
# The languages as the PE resource directory holds them (windres's .res
# output drops them): type, name and language entries by indentation.
while read -r depth id; do
    id=$((id))
    case $depth in
    3) type=$id ;;
    5) name=$id ;;
    7) languages[$type/$name]=$(printf '0x%04x' "$id") ;;
    esac
done < <(awk '/Entry: ID:/ {
        line = $0; sub(/^[0-9a-f]+/, "", line)
        print index(line, "Entry") - 1, substr($4, 1, length($4) - 1)
    }' <<<"$headers")
total=$(stat -c %s "$res")
offset=0
while [ $((offset + 32)) -le "$total" ]; do
    data_size=$(u32 "$res" $offset)
    header_size=$(u32 "$res" $((offset + 4)))
    # Integer type and name only: each is 0xFFFF and an ordinal.
    if [ "$header_size" -eq 32 ] && [ "$(u16 "$res" $((offset + 8)))" -eq 65535 ] &&
        [ "$(u16 "$res" $((offset + 12)))" -eq 65535 ]; then
        type=$(u16 "$res" $((offset + 10)))
        name=$(u16 "$res" $((offset + 14)))
        if [ "$type" -ne 0 ]; then
            found["$type/$name"]="$data_size/${languages[$type/$name]:-none}"
            if [ "$type" -eq 2 ]; then
                data=$((offset + header_size))
                found["$type/$name/header"]="$(u32 "$res" $data)/$(u32 "$res" $((data + 4)))/$(u32 "$res" $((data + 8)))/$(u16 "$res" $((data + 14)))"
            elif [ "$type" -eq 6 ] && [ "$name" -eq 1 ]; then
                # Block 1 holds strings 0-15, each a UTF-16 length and text.
                data=$((offset + header_size))
                string1=$((data + 2 + 2 * $(u16 "$res" $data)))
                found[6/1/string1]=$(dd if="$res" bs=1 skip=$((string1 + 2)) count=$((2 * $(u16 "$res" $string1))) status=none |
                    iconv -f UTF-16LE -t UTF-8)
            fi
        fi
    fi
    offset=$(((offset + header_size + data_size + 3) / 4 * 4))
done

# type/id, data size, language
entries=("2/101 5160" "2/102 5160" "2/104 5160" "2/107 5160" "2/108 5160" "14/105 20" "3/1 2216")
# The string block of ids 0-15: fifteen empty strings and "Velkaro".
[[ "$EXE" == *.scr ]] && entries+=("6/1 46")
for entry in "${entries[@]}"; do
    key=${entry% *}
    want="${entry#* }/0x0419"
    got=${found[$key]:-missing}
    if [ "$got" = "$want" ]; then
        pass "resource $key: $got"
    else
        fail "resource $key: $got, expected size/language $want"
    fi
    if [ "${key%%/*}" = 2 ]; then
        # biSize, width, height, bits per pixel
        header=${found[$key/header]:-missing}
        if [ "$header" = "40/64/64/8" ]; then :; else fail "bitmap $key header $header, expected 40/64/64/8"; fi
    fi
done
if [ -z "${found[2/103]:-}" ]; then pass "no bitmap 103"; else fail "unexpected bitmap 103"; fi
if [[ "$EXE" == *.scr ]]; then
    if [ "${found[6/1/string1]:-}" = Velkaro ]; then pass "string 1: Velkaro"; else fail "string 1: \"${found[6/1/string1]:-}\", expected Velkaro"; fi
fi

if [ "$FAILURES" -ne 0 ]; then
    echo "wine_exe_check: $FAILURES check(s) failed"
    exit 1
fi
echo "wine_exe_check: all checks passed"
