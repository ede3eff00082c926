# Sourced by the build scripts from the clone's root: ccache (scripts/setup
# installs it) as the compiler launcher. Paths count from the clone's root,
# so a fresh clone in another folder (as CI makes) finds what an earlier
# clone compiled; debug information then names the first clone's folder.
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=true
fi
