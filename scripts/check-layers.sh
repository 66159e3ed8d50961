#!/usr/bin/env bash
# Fails when a file of a layer includes what its layer may not:
#   - a header of a layer above its own or beside it ("app/x.h" or <app/x.h>
#     from engine/); our own headers are spelled with quotes from the root;
#   - a header inside one of the engine's rooms from app/: the front ends
#     see only the engine's top headers ("engine/x.h", never
#     "engine/site/x.h"), so what the engine keeps inside stays its own;
#   - anything through a macro (#include NAME), which no reader can follow;
#   - a path that climbs or starts elsewhere ("../app/x.h", "/abs/x.h");
#   - a system header (<windows.h>, <unistd.h>, <sys/...>, ...) outside the
#     folders that talk to the operating system: platform/, errors/win32|posix/
#     and app/common|window/win32|posix/. Elsewhere only the C++ standard library and the
#     few libraries named below may be included with <...>.
# The build gives each layer an include root holding only its own folder and
# those of the layers below (cmake/LayerRoots.cmake), so the compiler rejects
# an upward include too; this check also catches the spellings a compiler
# cannot (a climbing path, a macro) and names the line at once.
# Usage: check-layers.sh [root]   (the repository, by default this one)
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"

# layer: the folders its files may include from
declare -A allowed=(
  [platform]="platform"
  [resources]="resources platform"
  [fileio]="fileio platform"
  [engine]="engine fileio resources platform"
  [errors]="errors resources platform"
  [app]="app engine fileio errors resources platform"
  [tools]="tools errors platform"
)
layers=" ${!allowed[*]} "

# The folders that may call the operating system, and so include its headers.
os_folders='^(platform/|errors/(win32|posix)/|app/(common|window)/(win32|posix)/)'

# What every layer may include with <...>: the C++ standard library, the
# compiler's own ABI and vector-instruction headers.
standard=" algorithm any array atomic barrier bit bitset cassert cctype cerrno cfenv cfloat charconv chrono
  cinttypes climits clocale cmath codecvt compare complex concepts condition_variable coroutine csetjmp csignal
  cstdarg cstddef cstdint cstdio cstdlib cstring ctime cuchar cwchar cwctype deque exception execution filesystem
  format forward_list fstream functional future initializer_list iomanip ios iosfwd iostream istream iterator
  latch limits list locale map memory memory_resource mutex new numbers numeric optional ostream queue random
  ranges ratio regex scoped_allocator semaphore set shared_mutex source_location span sstream stack stdexcept
  stop_token streambuf string string_view syncstream system_error thread tuple type_traits typeindex typeinfo
  unordered_map unordered_set utility valarray variant vector version cxxabi.h immintrin.h "
standard=$(tr -s ' \n' '  ' <<<"$standard")
# Libraries a layer uses besides the standard one (a prefix of the name).
declare -A libraries=([tools]="libdwarf/")

# The headers the build writes into its generated/ folder (the version),
# included by their bare names.
generated=" $(grep -rhoE 'generated/[[:alnum:]_.-]+\.h' --include=CMakeLists.txt --include='*.cmake' \
  --exclude-dir=build --exclude-dir=node_modules --exclude-dir=.git . |
  sed 's|generated/||' | sort -u | tr '\n' ' ') "

status=0
fail() {
  echo "$1: $2"
  status=1
}

for layer in "${!allowed[@]}"; do
  [ -d "$layer" ] || continue
  while IFS= read -r hit; do
    file=${hit%%:*}
    rest=${hit#*:}
    line=${rest%%:*}
    text=${rest#*:}
    where="$file:$line"
    if [[ $text =~ ^[[:space:]]*#[[:space:]]*include_next ]]; then
      fail "$where" "#include_next reaches past the layer's include roots ($text)"
      continue
    fi
    # What follows the directive: "name", <name>, or anything else.
    [[ $text =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*(.*)$ ]]
    operand=${BASH_REMATCH[1]}
    if [[ $operand =~ ^\"([^\"]*)\" ]]; then
      quoted=1
    elif [[ $operand =~ ^\<([^\>]*)\> ]]; then
      quoted=0
    else
      fail "$where" "an include through a macro or of an unreadable form ($text)"
      continue
    fi
    name=${BASH_REMATCH[1]}
    if [[ $name == /* || $name == ./* || $name == ../* || $name == */../* || $name == *\\* ]]; then
      fail "$where" "a relative or absolute path: spell it from the root, \"layer/file.h\" ($text)"
      continue
    fi
    top=${name%%/*}
    if [[ $name == */* && $layers == *" $top "* ]]; then
      case " ${allowed[$layer]} " in
        *" $top "*) ;;
        *)
          fail "$where" "$layer/ may not include $top/ ($text)"
          continue
          ;;
      esac
      [ $quoted = 1 ] || fail "$where" "our own headers are spelled with quotes, \"$name\" ($text)"
      if [ "$layer" = app ] && [ "$top" = engine ] && [[ ${name#engine/} == */* ]]; then
        fail "$where" "app/ includes only the engine's top headers (engine/x.h), not its rooms ($text)"
      fi
      continue
    fi
    # A quoted name that is none of our layers: a file beside the including
    # one, or a header the build generates. Anything else the compiler would
    # find among the system's headers, and is checked as one.
    if [ $quoted = 1 ]; then
      [ -e "${file%/*}/$name" ] && continue
      [[ $generated == *" $name "* ]] && continue
    fi
    [[ $file =~ $os_folders ]] && continue
    [[ $standard == *" $name "* ]] && continue
    library_ok=0
    for prefix in ${libraries[$layer]:-}; do
      [[ $name == "$prefix"* ]] && library_ok=1
    done
    [ $library_ok = 1 ] && continue
    fail "$where" "$name is a system or library header: only platform/, errors/win32|posix/ and app/common|window/win32|posix/ include those ($text)"
  done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include([^[:alnum:]_]|_next|$)' "$layer" \
             --include='*.h' --include='*.hpp' --include='*.c' --include='*.cc' --include='*.cpp' \
             --include='*.inc' || true)
done
[ $status = 0 ] && echo "layer includes: every include points to its own layer or one below, and only the" \
  "operating-system folders include system headers"
exit $status
