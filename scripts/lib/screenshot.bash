# Shared by the screenshot scripts (sourced): a virtual display of their own,
# the program shown on it, and a picture that must show something. A
# program that is missing, ends early or leaves a blank screen fails the
# script with a message instead of saving a black picture.
# BUILD_DIR names the build folder (build by default).

build=${BUILD_DIR:-build}
shot_name=$(basename "$0")
shot_xvfb=
shot_program=

shot_fail() {
    echo "$shot_name: $*" >&2
    exit 1
}

shot_cleanup() {
    # The program first: it must not see its display vanish.
    for pid in $shot_program $shot_xvfb; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    shot_program= shot_xvfb=
}
trap shot_cleanup EXIT

# The picture names: the arguments given, else the defaults under
# $build/screenshots; with --docs, the README's own pictures in docs/.
# usage: shot_outputs DEFAULT_NAME... -- ARGUMENTS...  (sets shot_out)
shot_outputs() {
    local names=()
    while [ "$1" != -- ]; do names+=("$1"); shift; done
    shift
    shot_out=()
    if [ "${1:-}" = --docs ]; then
        for n in "${names[@]}"; do shot_out+=("docs/$n"); done
    elif [ $# -gt 0 ]; then
        shot_out=("$@")
    else
        mkdir -p "$build/screenshots"
        for n in "${names[@]}"; do shot_out+=("$build/screenshots/$n"); done
    fi
}

shot_build() {
    bash scripts/build --target "$@" >&2 || shot_fail "cannot build $*"
}

# A virtual display of WIDTHxHEIGHT on a free display number.
shot_display() {
    local file
    file=$(mktemp)
    Xvfb -displayfd 3 -screen 0 "${1}x24" -nolisten tcp -noreset 3>"$file" 2>/dev/null &
    shot_xvfb=$!
    for _ in $(seq 100); do [ -s "$file" ] && break; sleep 0.1; done
    [ -s "$file" ] || { rm -f "$file"; shot_fail "Xvfb did not start"; }
    export DISPLAY=":$(head -n1 "$file")"
    rm -f "$file"
}

# Fails unless the picture holds more than one colour.
shot_check() {
    [ -s "$1" ] || shot_fail "no picture was saved in $1"
    local colours
    colours=$(identify -format '%k' "$1") || shot_fail "$1 is no picture"
    [ "$colours" -gt 1 ] || shot_fail "$1 is blank (one colour): nothing was shown"
    echo "saved $1"
}

# usage: shot_take SECONDS OUTPUT CROP|"" COMMAND...
# Runs COMMAND on the display, saves the screen (or CROP, WxH+X+Y) after
# SECONDS while it still runs, then stops it.
shot_take() {
    local seconds=$1 out=$2 crop=$3
    shift 3
    [ -x "$1" ] || shot_fail "$1 was not built"
    mkdir -p "$(dirname "$out")"
    "$@" &
    shot_program=$!
    sleep "$seconds"
    if ! kill -0 "$shot_program" 2>/dev/null; then
        local status=0
        wait "$shot_program" || status=$?
        shot_program=
        shot_fail "$1 ended early (status $status)"
    fi
    import -window root ${crop:+-crop "$crop"} "$out" || shot_fail "cannot save $out"
    kill "$shot_program" 2>/dev/null || true
    wait "$shot_program" 2>/dev/null || true
    shot_program=
    shot_check "$out"
}
