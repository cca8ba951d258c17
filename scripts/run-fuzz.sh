#!/usr/bin/env bash
# Explores each fuzz target from its saved corpus with a fixed seed and run
# count, so two runs of `make fuzz` do the same work. New inputs go to a
# working copy of the corpus in the build tree; crash files go to
# BUILD/fuzz-crashes/TARGET (copy one to tests/fuzz/crashes/TARGET to keep
# it replayed by `make test`).
set -euo pipefail

build="${1:-build-fuzz}"
source_dir="$(cd "$(dirname "$0")/.." && pwd)"
seed="${FUZZ_SEED:-1}"
# Runs per target: the page target decodes images and renders PDFs, so it
# gets fewer runs for about the same time.
declare -A runs=(
  [project_reader]="${FUZZ_RUNS_PROJECT_READER:-200000}"
  [ai_reply]="${FUZZ_RUNS_AI_REPLY:-200000}"
  [page_decoding]="${FUZZ_RUNS_PAGE_DECODING:-20000}"
)

export QT_QPA_PLATFORM=offscreen OMP_THREAD_LIMIT=1
export LSAN_OPTIONS="suppressions=$source_dir/tests/fuzz/lsan.supp:print_suppressions=0"
status=0
summary=""
for target in project_reader ai_reply page_decoding; do
  corpus="$build/fuzz-corpus/$target"
  crashes="$build/fuzz-crashes/$target"
  mkdir -p "$corpus" "$crashes"
  cp -n "$source_dir/tests/fuzz/corpus/$target/"* "$corpus/" 2>/dev/null || true
  log="$build/fuzz-$target.log"
  echo "fuzz $target: ${runs[$target]} runs, seed $seed (log: $log)"
  if ! "$build/tests/fuzz/fuzz_$target" -seed="$seed" -runs="${runs[$target]}" \
      -max_len=65536 -rss_limit_mb=3072 -timeout=30 -print_final_stats=1 \
      -artifact_prefix="$crashes/" "$corpus" >"$log" 2>&1; then
    echo "fuzz $target: FAILED, see $log and $crashes"
    status=1
  fi
  done_runs="$(grep -m1 'stat::number_of_executed_units' "$log" | awk '{print $2}')"
  summary+="$target: ${done_runs:-?} runs"$'\n'
done
printf '%s' "$summary"
exit "$status"
