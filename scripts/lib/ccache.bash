# Sourced by the build scripts from the clone's root: ccache (scripts/setup
# installs it) as the compiler launcher. Paths count from the clone's root,
# so a fresh clone in another folder (as CI makes) finds what an earlier
# clone compiled; debug information then names the first clone's folder.
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=true
    # What ccache needs to cache files compiled with a precompiled header
    # (and the header itself): its definitions and time macros are not
    # compared, nor the header's and the sources' times, which a fresh clone
    # changes anyway.
    export CCACHE_SLOPPINESS=pch_defines,time_macros,include_file_mtime,include_file_ctime
fi
