# Sourced by ./test and bench/run: the Release build of the benchmark programs
# and the build of the libFuzzer harnesses, each in a build folder of its own.
# ./test builds the harnesses here and the benchmarks beside its tests
# (without running either), so a change that breaks one fails the suite.

bench_packages=(libbenchmark-dev libboost-dev)
fuzz_packages=(clang libclang-rt-14-dev)

# build_benchmarks JOBS: every bench_* program in Release mode in build-bench/,
# with the programs of this build that the benchmarks start.
build_benchmarks() {
    local targets=() src
    for src in bench/bench_*.cpp; do
        [[ -f $src ]] && targets+=(--target "$(basename "$src" .cpp)")
    done
    if [[ ${#targets[@]} -eq 0 ]]; then
        echo "No bench/bench_*.cpp sources" >&2
        return 1
    fi
    cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DTALVANE_BENCH=ON \
        -DTALVANE_TESTS=OFF >/dev/null
    cmake --build build-bench -j"$1" "${targets[@]}"
}

# build_fuzzers JOBS: every libFuzzer harness, built with clang in build-fuzz/.
build_fuzzers() {
    cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTALVANE_FUZZ=ON \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
    cmake --build build-fuzz -j"$1"
}
