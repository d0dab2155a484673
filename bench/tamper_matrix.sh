#!/usr/bin/env bash
# The updater against a hostile release: every way the network can get a file, a name or a signature
# wrong, and a kill after every step of the install. The real selfmend (with the build's release
# key) against the real site signing with the build's test key. After each run, and after the next
# start's repair, the program folder must hold the old set or the new set, whole: one line a case,
# then the count of broken installs (0 is the goal).
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
work=$(mktemp -d /tmp/morvane-tamper.XXXXXX)
site_pid=""
trap '[ -n "$site_pid" ] && kill "$site_pid" 2>/dev/null; rm -rf "$work"' EXIT

key="$top/build/keys/release-test.sec"
[ -f "$key" ] || { echo "tamper: the build has no test release key ($key)"; exit 1; }
rel="$work/release" prog="$work/prog" pristine="$work/pristine"
mkdir -p "$rel" "$prog" "$pristine/src" "$work/home"
"$top/build/site/morvane-site" --port 0 --data "$top/build/test-home/site-data" --release "$rel" --sign-key "$key" \
  > "$work/site.port" 2>/dev/null &
site_pid=$!
for _ in $(seq 1 300); do [ -s "$work/site.port" ] && break; sleep 0.1; done
port=$(head -n 1 "$work/site.port")
site="http://127.0.0.1:$port"
control() { curl -s "$site/_control?$1" > /dev/null; }

# The old set (a program folder as installed) and the new set (the release).
files=(muban.htm vexa data.bin)
cp "$top/build/bin/selfmend" "$pristine/"
cp "$top/build/bin/vexa.ini" "$pristine/"
sed -i "s|^sjwj=.*|sjwj=127.0.0.1:$port/vexa/sj.txt|; s|^bb=.*|bb=V1.2.4|" "$pristine/vexa.ini"
echo "old template" > "$pristine/muban.htm"
head -c 300000 /dev/urandom > "$pristine/vexa"
head -c 70000 /dev/urandom > "$pristine/data.bin"
mkdir -p "$work/new"
echo "new template" > "$work/new/muban.htm"
head -c 400000 /dev/urandom > "$work/new/vexa"
head -c 90000 /dev/urandom > "$work/new/data.bin"

# A set is named by the sums of every file of the folder but the settings, the log and "src/".
manifest() { (cd "$1" && find . -maxdepth 1 -type f ! -name vexa.ini ! -name '*.log' ! -name dialogs.txt -printf '%f\n' |
  sort | while read -r f; do echo "$(sha256sum < "$f" | cut -c1-64) $f"; done); }
old_set=$(manifest "$pristine")
new_set=$( (cp -r "$pristine" "$work/newset" && cp "$work/new/"* "$work/newset/" && manifest "$work/newset") )

sums() { local out=() f; for f in "${files[@]}"; do out+=("$(sha256sum < "$work/new/$f" | cut -c1-64)"); done
  (IFS=:; echo "${out[*]}" | sed 's/:/::/g'); }
names() { (IFS=:; echo "${files[*]}" | sed 's/:/::/g'); }
good_list() { echo "{host}/vexa/sj.txt|${1:-V9.0}|0|$(names)|$(sums)"; }

stage() {  # stage LIST: the list and the new files, no staged signature, normal serving
  rm -f "$rel"/*
  cp "$work/new/"* "$rel/"
  printf '%s' "$1" > "$rel/sj.txt"
  control "reset=1"
}

run_selfmend() {  # the updater in the program folder; its questions answered "cancel"
  ( env HOME="$work/home" MORVANE_SITE="${2:-$site}" MORVANE_REGISTRY="$work/registry.ini" MORVANE_LOG="$work/log" \
    MORVANE_DIALOG_LOG="$prog/dialogs.txt" MORVANE_DIALOG_ANSWERS=cancel QT_QPA_PLATFORM=offscreen \
    MORVANE_INSTALL_KILL_AT="${1:-0}" timeout 300 "$prog/selfmend" > /dev/null 2>&1 || true ) 2>/dev/null
}

total=0 broken=0 installed=0 outside=0
check() {  # check CASE EXPECT(old|new|either)
  # The next start repairs whatever a kill left (its list fetch fails: it does nothing else).
  run_selfmend 0 "http://127.0.0.1:1"
  local now state
  now=$(manifest "$prog")
  if [ "$now" = "$old_set" ]; then state=old; elif [ "$now" = "$new_set" ]; then state=new; else state=BROKEN; fi
  # A rolled-back install keeps its downloads in src/ (the next run fetches afresh): not part of the set.
  [ -n "$(ls -A "$prog/src" 2>/dev/null)" ] && state="$state (src/ kept)"
  total=$((total + 1))
  [ "$state" = BROKEN ] && broken=$((broken + 1))
  [ "${state%% *}" = new ] && installed=$((installed + 1))
  local verdict=ok
  [ "$2" != either ] && [ "${state%% *}" != "$2" ] && verdict=UNEXPECTED
  printf '%-44s %-18s %s\n' "$1" "$state" "$verdict"
  [ "$verdict" = ok ] || broken=$((broken + 1))
}
fresh() { rm -rf "$prog" && cp -r "$pristine" "$prog"; }

fresh; stage "$(good_list)"; run_selfmend; check "untouched release" new

for f in "${files[@]}"; do
  for how in flip truncate append; do
    fresh; stage "$(good_list)"
    case $how in
      flip) python3 -c "import sys; p=sys.argv[1]; b=bytearray(open(p,'rb').read()); b[len(b)//2]^=1; open(p,'wb').write(b)" "$rel/$f" ;;
      truncate) truncate -s $(( $(stat -c %s "$rel/$f") / 2 )) "$rel/$f" ;;
      append) printf 'x' >> "$rel/$f" ;;
    esac
    run_selfmend; check "$f: $how" old
  done
done

for mode in chunked endless drop truncate; do
  fresh; stage "$(good_list)"; control "media=$mode"
  run_selfmend
  # Without a length the right bytes install; endless, cut or short answers never do.
  if [ "$mode" = chunked ]; then check "served as: $mode (no length)" new; else check "served as: $mode" old; fi
done

evil="morvane-tamper-evil-$$"
for name in "../$evil" "/tmp/$evil" "..\\\\$evil" "sub/$evil" ".$evil" "src" "C:\\\\$evil" "$evil " ".."; do
  fresh; stage "{host}/vexa/sj.txt|V9.0|0|$name::muban.htm|$(sha256sum < "$work/new/muban.htm" | cut -c1-64)::$(sha256sum < "$work/new/muban.htm" | cut -c1-64)"
  run_selfmend; check "hostile name: $name" old
done
for place in "/tmp/$evil" "$work/$evil" "$top/build/$evil"; do
  [ -e "$place" ] && { echo "written outside the program folder: $place"; outside=$((outside + 1)); }
done

fresh; stage "$(good_list)"; head -c 64 /dev/urandom | xxd -p | tr -d '\n' > "$rel/sj.txt.sig"
run_selfmend; check "wrong signature" old
fresh; stage "$(good_list)"; : > "$rel/sj.txt.sig"
run_selfmend; check "no signature" old
fresh; stage "$(good_list V9.1)"; curl -s "$site/vexa/sj.txt.sig" > "$work/sig"
stage "$(good_list V9.2)"; cp "$work/sig" "$rel/sj.txt.sig"
run_selfmend; check "signature of another list" old
fresh; stage "$(good_list V1.0)"
run_selfmend; check "replayed older signed list" old

# A kill after each step of the install: 3 files replacing 3 files make 8 steps.
for step in $(seq 1 8); do
  fresh; stage "$(good_list)"; run_selfmend "$step"; check "killed after install step $step" either
done

echo "cases: $total, installed the new set: $installed, broken installs: $broken, written outside: $outside"
[ "$broken" -eq 0 ] && [ "$outside" -eq 0 ]
