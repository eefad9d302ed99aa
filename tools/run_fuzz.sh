#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz and runs each one for
# the given number of seconds, starting from its seed corpus.
#
#   tools/run_fuzz.sh <seconds> [target ...]
#
# Without target names every fuzz target under fuzz/ is run. A target's seeds
# are fuzz/<area>/corpus/<target>/ (or fuzz/<area>/corpus_<target>/); they are
# only read. New inputs go to build-fuzz/fuzz-corpus/<target>/, crashes and
# their inputs to build-fuzz/fuzz-artifacts/. The exit status is non-zero when
# a target failed to build or found a crash, a leak or a timeout.
set -euo pipefail

if [[ $# -lt 1 || ! $1 =~ ^[0-9]+$ ]]; then
    echo "usage: $0 <seconds> [target ...]" >&2
    exit 2
fi
seconds=$1
shift

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build="$root/build-fuzz"
jobs=${QLX_FUZZ_JOBS:-2}

for tool in clang clang++ cmake; do
    if ! command -v "$tool" >/dev/null; then
        echo "run_fuzz: $tool is not installed (Debian: clang libclang-rt-14-dev cmake)" >&2
        exit 2
    fi
done

targets=("$@")
if [[ ${#targets[@]} -eq 0 ]]; then
    while IFS= read -r source; do
        targets+=("$(basename "$source" .cpp)")
    done < <(find "$root/fuzz" -mindepth 2 -maxdepth 2 -name 'fuzz_*.cpp' | sort)
fi
if [[ ${#targets[@]} -eq 0 ]]; then
    echo "run_fuzz: no fuzz targets found under $root/fuzz" >&2
    exit 2
fi

# The XML parser's source, so the filter.xml target carries coverage inside it:
# Debian's source package of the installed libtinyxml2-dev, fetched once with a
# private apt configuration (the system's apt sources stay as they are). Prints
# the folder holding tinyxml2.cpp, or nothing when it cannot be had.
tinyxml2_source() {
    local dir="$build/third_party/tinyxml2" apt="$build/third_party/apt" codename
    if [[ ! -f $dir/tinyxml2.cpp ]]; then
        codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
        mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$dir"
        echo "deb-src http://deb.debian.org/debian $codename main" >"$apt/sources.list"
        local options=(-o "Dir::Etc::SourceList=$apt/sources.list" -o "Dir::Etc::SourceParts=/dev/null"
            -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache" -o "APT::Sandbox::User=root")
        (cd "$apt" && timeout 300 apt-get "${options[@]}" update -qq &&
            timeout 300 apt-get "${options[@]}" source --download-only -qq \
                "tinyxml2=$(dpkg-query -W -f='${source:Version}' libtinyxml2-dev)" &&
            tar -xf tinyxml2_*.orig.tar.* --strip-components=1 -C "$dir") >"$apt/fetch.log" 2>&1 || true
    fi
    [[ -f $dir/tinyxml2.cpp ]] && echo "$dir"
    return 0
}

mkdir -p "$build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DQLX_FUZZ_TINYXML2_SOURCE="$(tinyxml2_source)" \
    -DQLX_BUILD_FUZZ=ON -DQLX_BUILD_TESTS=OFF -DQLX_BUILD_BENCH=OFF >"$build/configure.log" 2>&1 || {
    cat "$build/configure.log" >&2
    exit 1
}
cmake --build "$build" --target "${targets[@]}" -j "$jobs"

seeds_of() {
    local target=$1 dir
    for dir in "$root"/fuzz/*/corpus/"$target" "$root"/fuzz/*/corpus_"$target"; do
        if [[ -d $dir ]]; then
            echo "$dir"
            return
        fi
    done
}

failed=()
mkdir -p "$build/fuzz-artifacts"
for target in "${targets[@]}"; do
    work="$build/fuzz-corpus/$target"
    mkdir -p "$work"
    seeds=$(seeds_of "$target")
    echo "=== $target: ${seconds}s from ${seeds:-an empty corpus}"
    # The first folder receives new inputs; the seed folder is only read.
    if ASAN_OPTIONS=detect_leaks=1 "$build/bin/$target" -max_total_time="$seconds" -timeout=30 \
        -rss_limit_mb=2560 -print_final_stats=1 \
        -artifact_prefix="$build/fuzz-artifacts/$target-" "$work" ${seeds:+"$seeds"} \
        >"$build/fuzz-$target.log" 2>&1; then
        grep -E '^stat::number_of_executed_units|^Done' "$build/fuzz-$target.log" || true
    else
        failed+=("$target")
        tail -n 60 "$build/fuzz-$target.log"
    fi
done

if [[ ${#failed[@]} -ne 0 ]]; then
    echo "run_fuzz: failures in: ${failed[*]} (inputs in $build/fuzz-artifacts)" >&2
    exit 1
fi
echo "run_fuzz: all ${#targets[@]} targets ran ${seconds}s without a finding"
