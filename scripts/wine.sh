#!/usr/bin/env bash
# SPDX-License-Identifier: Apache-2.0
# Runs a Windows program under Debian's Wine as every test here does: wine64
# with the address-space layout fixed (setarch --addr-no-randomize), which
# the Windows processes it starts inherit.
#
# Why: Debian's Wine 8 comes without Wine's preloader, the part that reserves
# Wine's fixed addresses before anything else is placed. The kernel then puts
# a new process's heap (brk) anywhere in the gigabyte above wine64
# (0x7d000000), and about once in a thousand starts it covers the page that
# Wine needs at 0x7ffe0000 for the shared user data: that process dies at
# once ("failed to map the shared user data: c0000018"), and CreateProcessW in
# its parent fails with ERROR_INTERNAL_ERROR. With the layout fixed the heap
# starts right after wine64, below that page, every time.
#
#   scripts/wine.sh PROGRAM [ARGUMENTS...]      as wine64 takes them
set -euo pipefail
wine=/usr/lib/wine/wine64
[[ -x $wine ]] || wine=$(command -v wine64) || { echo "wine.sh: wine64 is missing" >&2; exit 127; }
exec setarch "$(uname -m)" --addr-no-randomize "$wine" "$@"
