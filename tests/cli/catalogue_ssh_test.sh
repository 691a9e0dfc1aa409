#!/usr/bin/env bash
# A catalogue rendered by GNU parallel over ssh, as on many machines: an ssh
# server on 127.0.0.1 with two logins standing for two hosts, 40 short songs
# in 4 shards. Every song once, one report line each, and the same bytes as
# one machine's batch. Then a worker killed in the middle: the same command
# again with --skip-existing renders only what was not finished, and the
# half-written file neither remains nor counts. A list with bad lines is
# reported line by line and does not stop its shard.
#
#   bash catalogue_ssh_test.sh PROGRAM      (exit 77: no sshd or parallel here)
set -euo pipefail
program=$(realpath "$1")
for tool in /usr/sbin/sshd ssh parallel sox python3; do
  command -v "$tool" >/dev/null || { echo "catalogue test: $tool is missing; skipped"; exit 77; }
done

work=$(mktemp -d)
sshd_pid=
cleanup() {
  [ -z "$sshd_pid" ] || kill "$sshd_pid" 2>/dev/null || true
  pkill -9 -f "^$program --render --list $work/" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "catalogue test: $*" >&2
  exit 1
}

# The ssh server, on a spare port, for this user only, with a key of its own.
ssh-keygen -q -t ed25519 -N '' -f "$work/host_key"
ssh-keygen -q -t ed25519 -N '' -f "$work/user_key"
cp "$work/user_key.pub" "$work/authorized_keys"
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
cat >"$work/sshd_config" <<CONFIG
Port $port
ListenAddress 127.0.0.1
HostKey $work/host_key
AuthorizedKeysFile $work/authorized_keys
PidFile $work/sshd.pid
StrictModes no
PasswordAuthentication no
KbdInteractiveAuthentication no
PermitRootLogin prohibit-password
UsePAM no
CONFIG
[ "$(id -u)" != 0 ] || mkdir -p /run/sshd
/usr/sbin/sshd -D -f "$work/sshd_config" -E "$work/sshd.log" &
sshd_pid=$!
ssh_command="ssh -p $port -i $work/user_key -o StrictHostKeyChecking=no -o UserKnownHostsFile=/dev/null \
-o LogLevel=ERROR -o BatchMode=yes"
user=$(id -un)
for _ in $(seq 50); do $ssh_command "$user@127.0.0.1" true 2>/dev/null && break; sleep 0.1; done
# Two logins are two hosts to parallel; each takes two jobs at a time.
hosts=(-S "2/$ssh_command -o ConnectTimeout=10 $user@127.0.0.1" -S "2/$ssh_command -o ConnectTimeout=11 $user@127.0.0.1")

mkdir -p "$work/songs" "$work/one" "$work/many" "$work/again"
for i in $(seq 0 39); do
  sox -n -r 44100 -c 2 -b 16 "$work/songs/song$i.wav" synth 0.6 pluck $((110 + 13 * i)) 2>/dev/null
  echo "songs/song$i.wav" >>"$work/list.txt"
done
render=("$program" --render --list "$work/list.txt" -p vcd --quiet)

# One machine, the whole list.
"${render[@]}" -o "$work/one/" -j 2 || fail "the one-machine batch failed"

# Four shards over ssh, sharing one report.
seq 0 3 | parallel --will-cite --joblog "$work/joblog" "${hosts[@]}" \
  "${render[@]}" -o "$work/many/" --report "$work/many.jsonl" --shard {}/4 || fail "a shard failed over ssh"
[ "$(cut -f2 "$work/joblog" | sort -u | grep -c ConnectTimeout)" = 2 ] || fail "not both hosts rendered"
python3 - "$work/many.jsonl" <<'CHECK' || fail "the report is not one rendered line per song"
import json, sys
lines = [json.loads(line) for line in open(sys.argv[1])]
inputs = sorted(line["input"].rsplit("/", 1)[1] for line in lines)
assert inputs == sorted(f"song{i}.wav" for i in range(40)), inputs
assert all(l["status"] == "rendered" and l["bytes"] > 0 and len(l["sha256"]) == 64 for l in lines)
CHECK
for i in $(seq 0 39); do
  cmp -s "$work/one/song$i.mpg" "$work/many/song$i.mpg" || fail "song$i.mpg differs from the one-machine batch"
done

# A worker killed in the middle of a render, the others left to finish.
seq 0 3 | parallel --will-cite -N0 "${hosts[@]}" \
  "${render[@]}" -o "$work/again/" --skip-existing --shard auto/4 >/dev/null 2>&1 &
batch=$!
# The victim: a worker with a file half-written (its scratch file open).
victim=
half=
for _ in $(seq 600); do
  notes=$(ls -A "$work/again" | grep -c '^\.song.*\.sonavix$' || true)
  if [ "$notes" -ge 6 ]; then
    for pid in $(pgrep -f "^$program --render --list $work/list.txt" || true); do
      half=$( (ls -l "/proc/$pid/fd" 2>/dev/null || true) | grep -o "$work/again/\.sonavix-[^ ]*" | head -1 || true)
      [ -n "$half" ] && kill -9 "$pid" 2>/dev/null && victim=$pid && break
    done
  fi
  [ -z "$victim" ] || break
  sleep 0.02
done
[ -n "$victim" ] || fail "found no worker in the middle of a file"
wait "$batch" || true
finished=$(ls -A "$work/again" | sed -n 's/^\.\(song.*\)\.mpg\.sonavix$/\1.wav/p' | sort)
[ "$(wc -l <<<"$finished")" -lt 40 ] || fail "the kill came too late: every song was finished"
echo "catalogue test: a worker killed with $(wc -l <<<"$finished") songs finished; its half-written file: ${half##*/}"
seq 0 3 | parallel --will-cite -N0 "${hosts[@]}" \
  "${render[@]}" -o "$work/again/" --skip-existing --report "$work/again.jsonl" --shard auto/4 ||
  fail "the run after the kill failed"
python3 - "$work/again.jsonl" "$finished" <<'CHECK' || fail "the run after the kill did not skip exactly the finished songs"
import json, sys
lines = [json.loads(line) for line in open(sys.argv[1])]
skipped = sorted(l["input"].rsplit("/", 1)[1] for l in lines if l["status"] == "skipped")
assert len(lines) == 40 and skipped == sorted(sys.argv[2].split()), (len(lines), skipped)
assert all(l["status"] in ("skipped", "rendered") for l in lines)
CHECK
[ ! -e "$half" ] && ! ls -A "$work/again" | grep -q '^\.sonavix-' || fail "a half-written file remains"
for i in $(seq 0 39); do
  cmp -s "$work/one/song$i.mpg" "$work/again/song$i.mpg" || fail "song$i.mpg differs after the kill and resume"
done

# Bad lines: a missing file, a folder and a FIFO, each reported, the shard
# rendered all the same (exit status 1: some files failed).
mkdir "$work/songs/folder.wav" && mkfifo "$work/songs/fifo.wav"
printf 'songs/missing.wav\nsongs/song0.wav\nsongs/folder.wav\nsongs/fifo.wav\nsongs/song1.wav\n' >"$work/bad.txt"
status=0
"$program" --render --list "$work/bad.txt" -p vcd -o "$work/many/" --report "$work/bad.jsonl" --shard 0/1 \
  2>"$work/bad.err" || status=$?
[ "$status" = 1 ] || fail "bad lines ended with status $status, not 1"
for name in missing.wav folder.wav fifo.wav; do
  grep -q "$name: " "$work/bad.err" || fail "$name is not named on standard error"
done
python3 - "$work/bad.jsonl" <<'CHECK' || fail "the bad lines' report is wrong"
import json, sys
status = {l["input"].rsplit("/", 1)[1]: (l["status"], l["reason"]) for l in map(json.loads, open(sys.argv[1]))}
assert [status[n][0] for n in ("missing.wav", "folder.wav", "fifo.wav")] == ["failed"] * 3, status
assert all(status[n][1] for n in ("missing.wav", "folder.wav", "fifo.wav")), status
assert status["song0.wav"][0] == status["song1.wav"][0] == "rendered", status
CHECK
echo "catalogue test: passed"
