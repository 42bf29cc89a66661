# shellcheck shell=bash
# Sourced by scripts/setup, scripts/test and scripts/demo: where set-up records that Wine's 32-bit
# half could not be installed (apt's reason, one line), and why 32-bit programs cannot run here.
# LANGSETUP_SETUP_STATE_DIR moves the record and LANGSETUP_PROBE_32BIT replaces the probe (for
# scripts/test-setup).

setup_state_dir=${LANGSETUP_SETUP_STATE_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/setup}
wine32_unavailable=$setup_state_dir/wine32-unavailable

# no_32bit_reason: prints why Wine cannot run the shipped 32-bit program here and succeeds; fails,
# printing nothing, where it can.
no_32bit_reason() {
    if ! "${LANGSETUP_PROBE_32BIT:-$(dirname "${BASH_SOURCE[0]}")/probe-32bit}"; then
        echo "the kernel refuses 32-bit code"
    elif dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'; then
        return 1
    elif [ -s "$wine32_unavailable" ]; then
        echo "wine32 could not be installed: $(head -n 1 "$wine32_unavailable")"
    else
        echo "wine32 is not installed (scripts/setup installs it)"
    fi
}
