#!/usr/bin/env bash
# Says how this machine runs the shipped 32-bit program under Wine, in one line that begins with
# one of three words, and exits 0 when it runs at all:
#   native    the kernel executes the 32-bit Wine loader itself;
#   emulated  the kernel hands 32-bit x86 programs to qemu-user through binfmt_misc (a handler is
#             tried before the kernel's own loader, so this holds even on a kernel that could
#             run them: the programs then run at the emulator's pace, and that is what counts);
#   none      neither (exit 1), with the reason.
# With --register, a machine whose kernel refuses 32-bit code gets the qemu-user handler for 32-bit
# x86 registered (as root, mounting binfmt_misc where needed), as Debian's own registration does.
set -uo pipefail
loader=/usr/lib/wine/wine
misc=/proc/sys/fs/binfmt_misc
qemu=/usr/bin/qemu-i386-static

# An enabled handler whose interpreter is qemu-user for 32-bit x86, under whatever name.
emulator_handler() {
  [ "$(cat "$misc/status" 2>/dev/null)" = enabled ] || return 1
  for entry in "$misc"/*; do
    case "${entry##*/}" in register | status) continue ;; esac
    [ "$(head -n 1 "$entry" 2>/dev/null)" = enabled ] &&
      grep -q '^interpreter .*/qemu-i386' "$entry" 2>/dev/null && return 0
  done
  return 1
}

register() {
  [ "$(id -u)" = 0 ] && [ -x "$qemu" ] || return 1
  mountpoint -q "$misc" || mount -t binfmt_misc binfmt_misc "$misc" 2>/dev/null || return 1
  if [ -e "$misc/qemu-i386" ]; then
    echo 1 > "$misc/qemu-i386"  # registered but switched off
  else
    # The ELF header of a 32-bit x86 executable or shared object; F: the emulator is opened now,
    # so it also serves programs started inside other mount namespaces.
    printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:'"$qemu"':F' \
      > "$misc/register"
  fi
}

runs() { [ -x "$loader" ] && "$loader" --version > /dev/null 2>&1; }

if [ ! -x "$loader" ]; then
  echo "none: 32-bit Wine ($loader) is not installed"
  exit 1
fi
if runs; then
  if emulator_handler; then
    echo "emulated: qemu-user runs 32-bit x86 programs here through binfmt_misc"
  else
    echo "native: the kernel runs 32-bit programs"
  fi
  exit 0
fi
if [ "${1:-}" = --register ] && register && runs; then
  echo "emulated: the kernel refuses 32-bit code; qemu-user ($qemu) now runs it, registered through binfmt_misc"
  exit 0
fi
if [ ! -x "$qemu" ]; then
  echo "none: the kernel refuses 32-bit code and qemu-user for 32-bit x86 ($qemu) is not installed"
elif [ "$(id -u)" != 0 ]; then
  echo "none: the kernel refuses 32-bit code, and only root can register qemu-user for it"
else
  echo "none: the kernel refuses 32-bit code, and qemu-user could not be registered through binfmt_misc"
fi
exit 1
