#!/usr/bin/env bash
# Fails when a source file includes a header from a folder it may not reach (every
# library folder includes only its own headers and those of the folders listed below it),
# or when a library's code lives in a namespace other than its folder's: the last part of
# the folder's path (controls/bevel: bevel), or one nested in it, or when two classes of
# one library include each other.
# Registered with CTest; also runs by hand: scripts/check-layers.sh [source root].
#
# Tests in tests/<folder>/ may include what <folder> may include, <folder> itself, and
# the test helpers (files under tests/ outside a library's test folder). bench/, tools/
# and tests/fuzz/ (fuzz targets reach whichever reader they feed) are free.
set -euo pipefail

root="$(cd "${1:-$(dirname "${BASH_SOURCE[0]}")/..}" && pwd)"
cd "$root"

# Folder -> the folders it may include besides itself. "*" means every library.
declare -A allowed=(
    [app]="*"
    [editor]="documents platform help"
    [desktop]="platform"
    [help]="helpviewer platform"
    [speech]="audio recording platform"
    [audio]="platform"
    [recording]="platform"
    [render]="speech audio recording documents platform"
    [controls/skinned]="skin platform"
    [controls/rkbuttons]="platform"
    [controls/bevel]="platform"
    [skin]="platform"
    [documents]="platform"
    [helpviewer]="platform"
    [platform]=""
)
# Longest first, so that controls/skinned wins over a shorter match.
mapfile -t libraries < <(printf '%s\n' "${!allowed[@]}" | awk '{ print length, $0 }' | sort -rn | cut -d' ' -f2-)

# The folder a file belongs to: a library, "tests/<library>", "test-helper" or "free".
folder_of() {
    local path="$1" lib
    case "$path" in
        bench/* | tools/* | tests/fuzz/*) echo free; return ;;
    esac
    for lib in "${libraries[@]}"; do
        case "$path" in
            "$lib"/*) echo "$lib"; return ;;
            tests/"$lib"/*) echo "tests/$lib"; return ;;
        esac
    done
    case "$path" in
        tests/*) echo test-helper ;;
        *) echo free ;;
    esac
}

# May library $1 include library $2?
library_may_include() {
    local from="$1" to="$2" lib
    [ "$from" = "$to" ] && return 0
    [ "${allowed[$from]}" = "*" ] && return 0
    for lib in ${allowed[$from]}; do
        [ "$lib" = "$to" ] && return 0
    done
    return 1
}

may_include() {
    local from="$1" to="$2"
    case "$from" in
        free | test-helper) return 0 ;;
        tests/*)
            case "$to" in
                test-helper) return 0 ;;
                tests/*) library_may_include "${from#tests/}" "${to#tests/}"; return ;;
                free) return 0 ;;
                *) library_may_include "${from#tests/}" "$to"; return ;;
            esac
            ;;
    esac
    case "$to" in
        free) return 0 ;;
        tests/* | test-helper) return 1 ;;
    esac
    library_may_include "$from" "$to"
}

violations=0
while IFS= read -r -d '' file; do
    file="${file#./}"
    from="$(folder_of "$file")"
    [ "$from" = free ] && continue
    while IFS=: read -r line header; do
        # The compiler looks beside the including file first, then in the include
        # paths every target gets: the source root and, for tests, tests/.
        resolved=""
        for candidate in "$(dirname "$file")/$header" "$header" "tests/$header"; do
            if [ -f "$candidate" ]; then
                resolved="$(realpath -m --relative-to=. "$candidate")"
                break
            fi
        done
        # Not in the tree: a generated file (moc output) of the including folder.
        [ -z "$resolved" ] && continue
        to="$(folder_of "$resolved")"
        if ! may_include "$from" "$to"; then
            echo "$file:$line: $from may not include \"$header\" ($to)" >&2
            violations=$((violations + 1))
        fi
    done < <(awk '/^[ \t]*#[ \t]*include[ \t]*"/ {
        header = $0; sub(/^[^"]*"/, "", header); sub(/".*/, "", header); print FNR ":" header
    }' "$file")
done < <(find . \( -path './build*' -o -path './.git' -o -path './.cache' \) -prune -o \
    -type f \( -name '*.cpp' -o -name '*.h' \) -print0)

# Every namespace a library's file opens at the outermost level is its folder's (or one
# inside it, written "folder::inner"); a header declares what it offers inside it. Namespaces
# are closed with "} // namespace name", as clang-format writes them.
misplaced=0
for lib in "${libraries[@]}"; do
    [ -d "$lib" ] || continue
    while IFS= read -r -d '' file; do
        file="${file#./}"
        problem="$(awk -v ns="${lib##*/}" -v header="$([[ "$file" == *.h ]] && echo 1)" '
            /^namespace [A-Za-z_:]+ *\{/ {
                name = $2
                if (depth == 0 && name != ns && index(name, ns "::") != 1) {
                    print FNR ": namespace " name " in a folder whose namespace is " ns
                    found = 1
                    exit
                }
                if (depth == 0) { opened = 1 }
                depth++
                next
            }
            /^namespace *\{/ { depth++; next }
            /^} *\/\/ *namespace/ { depth-- }
            END { if (!found && header && !opened) print "declares nothing inside namespace " ns }
        ' "$file")"
        if [ -n "$problem" ]; then
            echo "$file:$problem" >&2
            misplaced=$((misplaced + 1))
        fi
    done < <(find "$lib" -maxdepth 1 -type f \( -name '*.cpp' -o -name '*.h' \) -print0)
done

# Within a library no two classes include each other (X.h or X.cpp including Y.h while
# Y.h or Y.cpp includes X.h): one of them is meant to talk to the other through signals.
# The button's hover timer is a module of its own whose callback calls back into the
# button that started it: the two are one unit.
declare -A one_unit=([controls/rkbuttons:modRkTimer:rkButtons_H]=1)
tangled=0
for lib in "${libraries[@]}"; do
    [ -d "$lib" ] || continue
    declare -A edge=()
    while IFS= read -r -d '' file; do
        from="$(basename "${file%.*}")"
        while IFS= read -r to; do
            [ "$to" != "$from" ] && edge["$from>$to"]=1
        done < <(sed -n "s|^#include \"$lib/\([^/\"]*\)\.h\".*|\1|p" "$file")
    done < <(find "$lib" -maxdepth 1 -type f \( -name '*.cpp' -o -name '*.h' \) -print0)
    for pair in "${!edge[@]}"; do
        a="${pair%%>*}" b="${pair#*>}"
        if [[ "$a" < "$b" ]] && [ -n "${edge["$b>$a"]:-}" ] && [ -z "${one_unit["$lib:$a:$b"]:-}" ]; then
            echo "$lib: $a and $b include each other" >&2
            tangled=$((tangled + 1))
        fi
    done
    unset edge
done

if [ "$violations" -gt 0 ]; then
    echo "$violations include(s) reach a folder above their own." >&2
fi
if [ "$tangled" -gt 0 ]; then
    echo "$tangled pair(s) of classes include each other." >&2
fi
if [ "$misplaced" -gt 0 ]; then
    echo "$misplaced file(s) declare their code outside their folder's namespace." >&2
fi
if [ "$violations" -gt 0 ] || [ "$misplaced" -gt 0 ] || [ "$tangled" -gt 0 ]; then
    exit 1
fi
echo "Every include stays within its folder's layers, and every library in its namespace."
