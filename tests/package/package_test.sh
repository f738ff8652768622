#!/bin/sh
# The installed package end to end: install the build into an empty prefix, build the consumer
# project against it with find_package(RurIvaPhysics), run it, and check that the README's usage
# example is still the code the consumer runs.
# Arguments: build folder, source folder, work folder, C++ compiler, compiler launcher (may be
# empty), build type, extra compile flags, extra link flags (both may be empty).
# CMAKE names the cmake program (the one that configured the build; "cmake" if unset).
set -u
BUILD_DIR="$1"
SOURCE_DIR="$2"
WORK="$3"
CXX="$4"
LAUNCHER="$5"
BUILD_TYPE="$6"
CXX_FLAGS="$7"
LINK_FLAGS="$8"
CMAKE="${CMAKE:-cmake}"
PREFIX="$WORK/prefix"
CONSUMER_BUILD="$WORK/consumer-build"
PACKAGE_DIR="$PREFIX/lib/cmake/RurIvaPhysics"

fail() {
    echo "FAIL: $*" >&2
    exit 1
}
show_log() {
    tail -n 40 "$1" >&2
}

rm -rf "$WORK" && mkdir -p "$WORK" || fail "cannot make the work folder $WORK"

# 1. Install.
"$CMAKE" --install "$BUILD_DIR" --prefix "$PREFIX" >"$WORK/install.log" 2>&1 ||
    { show_log "$WORK/install.log"; fail "cmake --install ended with an error"; }
for f in lib/libruriva_physics.a include/ruriva/CRurIvaWorld.h include/ruriva/IRurIvaDevice.h \
    lib/cmake/RurIvaPhysics/RurIvaPhysicsConfig.cmake \
    lib/cmake/RurIvaPhysics/RurIvaPhysicsConfigVersion.cmake \
    lib/cmake/RurIvaPhysics/RurIvaPhysicsTargets.cmake; do
    [ -f "$PREFIX/$f" ] || fail "the installation has no $f"
done
# Private headers stay in the source tree; public ones sit flat in one folder.
private="$(find "$PREFIX" -name '*Internal.h')"
[ -z "$private" ] || fail "private headers were installed: $private"
[ -z "$(find "$PREFIX/include/ruriva" -mindepth 1 -type d)" ] || fail "the include folder has subfolders"

# 2. Configure and build the consumer against the installed package only.
set -- -S "$SOURCE_DIR/tests/package/consumer" -B "$CONSUMER_BUILD" \
    -DCMAKE_PREFIX_PATH="$PREFIX" -DCMAKE_CXX_COMPILER="$CXX" -DCMAKE_BUILD_TYPE="$BUILD_TYPE" \
    -DCMAKE_CXX_FLAGS="$CXX_FLAGS" -DCMAKE_EXE_LINKER_FLAGS="$LINK_FLAGS"
[ -n "$LAUNCHER" ] && set -- "$@" -DCMAKE_CXX_COMPILER_LAUNCHER="$LAUNCHER"
"$CMAKE" "$@" >"$WORK/configure.log" 2>&1 ||
    { show_log "$WORK/configure.log"; fail "the consumer project did not configure"; }
grep -q "RurIvaPhysics_DIR:PATH=$PACKAGE_DIR\$" "$CONSUMER_BUILD/CMakeCache.txt" ||
    fail "find_package did not take the package from $PACKAGE_DIR"
"$CMAKE" --build "$CONSUMER_BUILD" --parallel 2 >"$WORK/build.log" 2>&1 ||
    { show_log "$WORK/build.log"; fail "the consumer project did not build"; }
if grep -q "include/ruriva/.*warning:" "$WORK/build.log"; then
    grep "warning:" "$WORK/build.log" >&2
    fail "the installed headers give warnings"
fi

# 3. Run it: the ball must come to rest on the plane.
(cd "$WORK" && env -u DISPLAY "$CONSUMER_BUILD/consumer" >"$WORK/run.log" 2>&1)
status=$?
cat "$WORK/run.log"
[ "$status" -eq 0 ] || fail "the consumer ended with exit code $status"
grep -q "at rest on the plane" "$WORK/run.log" || fail "the consumer did not report the ball at rest"

# 4. The README's examples (the usage example, the first C++ block of "## Using the layer", and
#    the events example, the first of "### Events"): each of their lines appears in the
#    consumer's main.cpp, in the same order (blanks and alignment aside), so the documented code
#    is the code that was just run.
normalise() {
    sed -e 's/[[:space:]][[:space:]]*/ /g' -e 's/^ //' -e 's/ $//' | grep -v '^$'
}
normalise <"$SOURCE_DIR/tests/package/consumer/main.cpp" >"$WORK/main-lines.txt"
check_example() {
    heading="$1"
    awk -v heading="$heading" '$0 == heading { section = 1 }
         section && /^```cpp/ { inside = 1; next }
         inside && /^```/ { exit }
         inside { print }' "$SOURCE_DIR/README.md" | normalise >"$WORK/readme-example.txt"
    [ -s "$WORK/readme-example.txt" ] || fail "README.md has no C++ example under \"$heading\""
    missing="$(awk 'NR == FNR { want[++n] = $0; next }
                    i < n && $0 == want[i + 1] { i++ }
                    END { if (i < n) print want[i + 1] }' "$WORK/readme-example.txt" "$WORK/main-lines.txt")"
    [ -z "$missing" ] ||
        fail "the README example line \"$missing\" is not in tests/package/consumer/main.cpp (in order)"
}
check_example "## Using the layer in another Irrlicht program"
check_example "### Events"
grep -q "seen touching" "$WORK/run.log" || fail "the consumer's listener did not see the ball touch the plane"

echo "PASS"
