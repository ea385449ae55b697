#!/usr/bin/env bash
# Runs each fuzz target of BUILD_DIR (listed in its fuzzers.tsv) for SECONDS,
# one after the other, on a corpus kept in CORPUS_DIR/TARGET that starts from
# the target's seeds, and prints one line per target: executions, coverage
# edges, features, corpus size and findings. Crashes, leaks, hangs and
# out-of-memory inputs are written to CORPUS_DIR/findings/TARGET/ and make the
# script fail. The whole log of each run is CORPUS_DIR/logs/TARGET.log.
#
# usage: scripts/fuzz-run.sh BUILD_DIR SECONDS CORPUS_DIR [TARGET...]
set -euo pipefail

build_dir="$1"
seconds="$2"
corpus_root="$(mkdir -p "$3" && cd "$3" && pwd)"
shift 3
manifest="$build_dir/fuzzers.tsv"
[ -f "$manifest" ] || { echo "no $manifest: configure with -DHV_BUILD_FUZZ=ON" >&2; exit 1; }

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"

for name in "$@"; do
    cut -f 1 "$manifest" | grep -qx "$name" || { echo "no fuzz target $name" >&2; exit 1; }
done

failed=0
printf '%-22s %8s %12s %7s %7s %7s  %s\n' target seconds executions edges features corpus findings
while IFS=$'\t' read -r name binary dict seeds; do
    if [ $# -gt 0 ] && [[ " $* " != *" $name "* ]]; then
        continue
    fi
    corpus="$corpus_root/$name"
    findings="$corpus_root/findings/$name"
    log="$corpus_root/logs/$name.log"
    mkdir -p "$corpus" "$findings" "$(dirname "$log")"
    # Seeds are copied in rather than passed as read-only corpora, so that a
    # seed that reaches no new code still stays in the corpus.
    IFS=: read -r -a seed_paths <<<"$seeds"
    for seed in "${seed_paths[@]}"; do
        if [ -d "$seed" ]; then
            cp -n "$seed"/* "$corpus"/
        elif [ -f "$seed" ]; then
            cp -n "$seed" "$corpus"/
        fi
    done
    options=(-max_total_time="$seconds" -timeout=25 -rss_limit_mb=2560 -print_final_stats=1
        -artifact_prefix="$findings/")
    [ -n "$dict" ] && options+=(-dict="$dict")

    start=$(date +%s)
    status=0
    "$binary" "${options[@]}" "$corpus" >"$log" 2>&1 || status=$?
    elapsed=$(($(date +%s) - start))

    executions="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)"
    last="$(grep -E '^#[0-9]+' "$log" | grep -E 'cov: ' | tail -n 1 || true)"
    edges="$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")"
    features="$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")"
    size="$(find "$corpus" -type f | wc -l)"
    found="$(find "$findings" -type f | wc -l)"
    verdict="none"
    if [ "$status" -ne 0 ] || [ "$found" -gt 0 ]; then
        verdict="$found in $findings (exit $status, see $log)"
        failed=1
    fi
    printf '%-22s %8s %12s %7s %7s %7s  %s\n' "$name" "$elapsed" "${executions:-?}" \
        "${edges:-?}" "${features:-?}" "$size" "$verdict"
done <"$manifest"
exit $failed
