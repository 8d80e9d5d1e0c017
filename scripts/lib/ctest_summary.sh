# ctest_summary.sh: runs CTest for a build and keeps one line of what it did.

# The lines of every build run so far, printed by print_test_summaries.
TEST_SUMMARIES=()

# run_ctest NAME BUILD_DIR [CTEST OPTION]...: runs the build's tests; on
# success keeps "NAME: N tests ran, P passed, S skipped".
run_ctest() {
    local name=$1 dir=$2
    shift 2
    # CTest takes a relative path as relative to the build folder.
    local junit
    junit="$(cd "$dir" && pwd)/ctest-results.xml"
    ctest --test-dir "$dir" --output-on-failure --no-tests=error --output-junit "$junit" "$@"
    TEST_SUMMARIES+=("$name: $(python3 - "$junit" <<'PY'
import sys
import xml.etree.ElementTree as tree

suite = tree.parse(sys.argv[1]).getroot()
tests = int(suite.get("tests", 0))
failed = int(suite.get("failures", 0)) + int(suite.get("errors", 0))
skipped = int(suite.get("skipped", 0)) + int(suite.get("disabled", 0))
print("%d tests ran, %d passed, %d skipped" % (tests - skipped, tests - skipped - failed, skipped))
PY
)")
}

print_test_summaries() {
    local line
    echo "== summary =="
    for line in "${TEST_SUMMARIES[@]}"; do
        echo "$line"
    done
}
