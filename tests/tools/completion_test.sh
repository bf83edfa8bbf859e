#!/bin/bash
# The bash completion of m716 and m716reg: both scripts read in bash, and each case below is a
# command line whose last word is being completed, with what the completion function offers
# for it (m716reg's keys and value names come from a registry store of the test's own).
# Arguments: the folder of the completion scripts, the programs' folder.
# shellcheck disable=SC1003  # registry keys end in a backslash inside single quotes
set -u
completion=$1 bin=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for script in "$completion/m716" "$completion/m716reg"; do
  bash -n "$script" || { echo "FAIL: $script does not read" >&2; exit 1; }
done
# shellcheck source=/dev/null
source "$completion/m716" && source "$completion/m716reg"
# shellcheck disable=SC2317  # called by the completion functions
compopt() { :; }  # only readline's own calls may change its options

export PATH="$bin:$PATH" M716_REGISTRY="$work/registry.db"
key='HKLM\SYSTEM\CurrentControlSet\Services\KRVM716S'
m716reg add "$key" /v BoardIDInUsed /t REG_DWORD /d 1 /f >/dev/null

failed=0
# expect WORD... : the completion of the command line of the words offers `expect`.
offers() {
  local expect=$1
  shift
  COMP_WORDS=("$@") COMP_CWORD=$(($# - 1)) COMPREPLY=()
  "_$1"
  if [[ "${COMPREPLY[*]}" != "$expect" ]]; then
    echo "FAIL: '$*' offers '${COMPREPLY[*]}', not '$expect'" >&2
    failed=1
  fi
}

offers 'move' m716 mo
offers 'X Y Z U --board' m716 move ''
offers '1 10 11 12 13 14 15' m716 status --board 1
offers 'XY XZ XU YZ YU ZU --ccw' m716 arc --board 1 ''
offers '--board --axes' m716 path square.txt --
offers 'query' m716reg q
offers 'HKLM\ HKEY_LOCAL_MACHINE\' m716reg query H
offers 'HKLM\SYSTEM\CurrentControlSet\Services\' \
  m716reg query "'HKLM\\SYSTEM\\CurrentControlSet\\Se"
offers 'HKLM\SYSTEM\' m716reg delete 'HKLM\\sys'
offers 'BoardIDInUsed' m716reg add "'$key'" /v B
offers 'REG_DWORD' m716reg add "'$key'" /v Interrupt /t REG_D
offers '/v /f' m716reg delete "'$key'" /
exit $failed
