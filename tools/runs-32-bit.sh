#!/usr/bin/env bash
# Exits 0 when this machine can run the shipped 32-bit program under Wine: the 32-bit loader is
# installed and the kernel executes it.
[ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version > /dev/null 2>&1
