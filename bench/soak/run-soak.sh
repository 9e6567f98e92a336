#!/usr/bin/env bash
# A school day in small: the real program on a private null sink, real clock,
# one entry every minute for MINUTES minutes, alternating "+" (bell, then the
# spoken time) and "-" (bell alone). The sink is recorded throughout; every
# minute must hold exactly one bell, and a "+" minute exactly one clip, the
# one naming that minute (each minute of the hour has its own clip tone, so a
# clip of the wrong minute is seen as such). Every 30 s the program's RSS,
# threads, open descriptors and CPU are sampled. Prints two tables.
#
#   usage: bench/soak/run-soak.sh [MINUTES] [BUILD_DIR]
#   (build first: cmake --build BUILD_DIR --target sonterra e2e_tone_scan e2e_pcm_tap)
# Exits 1 when a minute missed or doubled its bell or clip.
# shellcheck disable=SC2317 # helpers called indirectly
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
minutes=${1:-30}
build=$(cd "${2:-$root/build}" && pwd)
export SONTERRA_BIN=$build/sonterra
export TONE_SCAN=$build/tests/e2e/e2e_tone_scan PCM_TAP=$build/tests/e2e/e2e_pcm_tap
for f in "$SONTERRA_BIN" "$TONE_SCAN" "$PCM_TAP"; do
  [ -x "$f" ] || { echo "run-soak: falta $f; compile antes" >&2; exit 1; }
done

# shellcheck source=tests/e2e/harness.sh
source "$root/tests/e2e/harness.sh"
# Half an hour of 48 kHz stereo is 350 MB; 16 kHz mono holds every tone used
# (all below 7.2 kHz) in a ninth of that.
rate=16000
bell_seconds=1.0
clip_seconds=0.6

h_init
h_pulse_start
h_state "1"
h_tone bell 700
h_tone_file "$H_PROG/AUDIO/sino.wav" 700 "$bell_seconds"

# The first entry a little over 20 s ahead, so start-up is long over.
now=$(date +%s)
first=$(((now + 20) / 60 * 60 + 60))
last=$((first + (minutes - 1) * 60))

clip_hz() { echo $((1200 + 100 * 10#$1)); } # minute of the hour
for mm in $(seq 0 59); do h_tone "clip$mm" "$(clip_hz "$mm")"; done

for ((t = first; t <= last; t += 60)); do
  hh=$(date -d "@$t" +%H) mm=$(date -d "@$t" +%M)
  i=$(((t - first) / 60))
  sign=+
  [ $((i % 2)) -eq 0 ] || sign=-
  # The day file of that minute's date, so a run across midnight works too.
  printf '%s:%s %s %s\r\n' "$hh" "$mm" "$sign" "$H_PROG/AUDIO/sino.wav" >>"$(h_day_file "$t")"
  # Every minute gets its clip, "-" ones too: a time spoken after a "-"
  # entry shows up as a clip where none belongs.
  for h in $((10#$hh)) $((10#$hh % 12)) $((10#$hh > 12 ? 10#$hh - 12 : 10#$hh)); do
    printf -v name '%02dH%02dM.WAV' "$h" "$((10#$mm))"
    [ -e "$H_PROG/HORA/$name" ] || h_tone_file "$H_PROG/HORA/$name" "$(clip_hz "$mm")" "$clip_seconds"
  done
done

# The recorder, started before the program so its first seconds are heard.
"$PCM_TAP" "$H_WORK/rec.raw" "$H_WORK/rec.anchor" $((rate * 2)) -- \
  parec -d bell.monitor --raw --format=s16le --rate=$rate --channels=1 --latency-msec=10 &
H_REC_PID=$!
H_PIDS+=("$H_REC_PID")
sleep 3

(
  cd "$H_PROG"
  unset LC_ALL LANGUAGE
  exec env LANG=C.UTF-8 LC_TIME=pt_BR.UTF-8 QT_QPA_PLATFORM=offscreen ./sonterra >"$H_WORK/app.log" 2>&1
) &
H_APP_PID=$!
H_PIDS+=("$H_APP_PID")
h_log "programa no ar (pid $H_APP_PID); $minutes entradas de $(date -d "@$first" +%T) a $(date -d "@$last" +%T)"

# Samples: unix time, RSS kB, threads, descriptors, CPU seconds so far.
ticks=$(getconf CLK_TCK)
sample() {
  local pid=$H_APP_PID rss thr fds cpu stat
  rss=$(awk '$1 == "VmRSS:" { print $2 }' "/proc/$pid/status")
  thr=$(awk '$1 == "Threads:" { print $2 }' "/proc/$pid/status")
  fds=$(find "/proc/$pid/fd" -mindepth 1 -maxdepth 1 | wc -l)
  stat=$(cat "/proc/$pid/stat")
  stat=${stat##*) }
  cpu=$(awk -v k="$ticks" '{ printf "%.2f", ($12 + $13) / k }' <<<"$stat")
  # The wall clock and the monotonic one side by side: the sound server
  # keeps time by the latter.
  printf '%s %s %s %s %s %s %s\n' "$(date +%s)" "$rss" "$thr" "$fds" "$cpu" \
    "$(date +%s.%N)" "$(cut -d' ' -f1 /proc/uptime)" >>"$H_WORK/samples"
}
sleep 2
end=$((last + 10))
while [ "$(date +%s)" -lt "$end" ]; do
  h_app_alive
  sample
  next=$(($(date +%s) + 30))
  [ "$next" -le "$end" ] || next=$end
  h_sleep_until "$next"
done
h_app_alive
sample
h_app_stop
kill -TERM "$H_REC_PID" 2>/dev/null || true
wait "$H_REC_PID" 2>/dev/null || true
rec_start=$(awk '$1 == "start" { print $2 }' "$H_WORK/rec.anchor")
[ "$rec_start" != none ] || h_fail "a gravação ficou vazia"

# Tone spans in Unix time; a stretch broken for under 0.3 s is one sound.
"$TONE_SCAN" "$H_WORK/rec.raw" --rate $rate --channels 1 --gap 0.3 "${H_TONES[@]}" |
  awk -v s="$rec_start" '$1 == "tone" { printf "%s %.3f %.3f\n", $2, $3 + s, $4 + s }' >"$H_WORK/tones"

echo
echo "Minuto a minuto ($minutes minutos, sino de ${bell_seconds}s):"
echo
awk -v first="$first" -v last="$last" -v bs="$bell_seconds" -v cs="$clip_seconds" '
  {
    # Each sound belongs to the nearest minute boundary: the recording
    # clock and the wall clock drift apart (by hundreds of ppm here), so a
    # bell may seem to start before its boundary.
    m = int(($2 - first) / 60 + 1000.5) - 1000
    if (m < 0 || first + 60 * m > last) { stray++; next }
    if ($1 == "bell") { bells[m]++; dur[m] += $3 - $2; if (!(m in on)) on[m] = $2 - (first + 60 * m) }
    else { sub("clip", "", $1); clips[m]++; cdur[m] += $3 - $2; said[m] = $1 }
  }
  END {
    # Onsets seen through a drifting clock: the straight line through them
    # is the drift, what is left is the real spread from minute to minute.
    for (m = 0; first + 60 * m <= last; m++)
      if (m in on) { k++; sx += m; sy += on[m]; sxx += m * m; sxy += m * on[m] }
    slope = k > 1 && k * sxx != sx * sx ? (k * sxy - sx * sy) / (k * sxx - sx * sx) : 0
    base = k ? (sy - slope * sx) / k : 0
    printf "| minuto | entrada | trechos de sino | duração (s) | início do sino, sem a deriva (ms) | trechos de fala | fala diz | certo |\n"
    printf "|---|---|---|---|---|---|---|---|\n"
    for (m = 0; first + 60 * m <= last; m++) {
      t = first + 60 * m
      hm = strftime("%H:%M", t)
      mm = strftime("%M", t) + 0
      sign = m % 2 ? "-" : "+"
      want = sign == "+" ? 1 : 0
      # A sound heard twice lasts twice as long; one broken by a short gap
      # (an underrun) keeps its length and counts as a cut, not a repeat.
      rang = bells[m] ? (dur[m] < 1.5 * bs ? 1 : 2) : 0
      spoke = clips[m] ? (cdur[m] < 1.5 * cs ? 1 : 2) : 0
      ok = rang == 1 && spoke == want && (want == 0 || said[m] == mm)
      if (!ok) bad++
      if (rang == 0) missed++
      if (rang > 1 || spoke > want) doubled++
      cuts += (bells[m] > rang ? bells[m] - rang : 0) + (clips[m] > spoke ? clips[m] - spoke : 0)
      if (want && said[m] != "" && said[m] != mm) wrong++
      r = (m in on) ? 1000 * (on[m] - base - slope * m) : 0
      printf("| %s | %s | %d | %.2f | %s | %d | %s | %s |\n", hm, sign, bells[m], dur[m],
        (m in on) ? sprintf("%+.0f", r) : "-", clips[m], clips[m] ? sprintf(":%02d", said[m]) : "-", ok ? "sim" : "NÃO")
      if (m in on) { n++; o[n] = r < 0 ? -r : r }
    }
    for (i = 2; i <= n; i++) for (j = i; j > 1 && o[j - 1] > o[j]; j--) { x = o[j]; o[j] = o[j - 1]; o[j - 1] = x }
    printf "\nsinos perdidos: %d, repetidos: %d, falas de outro minuto: %d, sons fora das entradas: %d\n",
      missed, doubled, wrong, stray
    printf "cortes curtos dentro de um som (trechos a mais): %d\n", cuts
    printf "deriva entre o relógio da gravação e o do sistema: %.0f ppm\n", 1e6 * slope / 60
    if (n) printf "início do sino, distância à reta da deriva: mediana %.0f ms, pior %.0f ms\n", o[int((n + 1) / 2)], o[n]
    exit bad > 0
  }' "$H_WORK/tones" >"$H_WORK/minutes" && status=0 || status=1
cat "$H_WORK/minutes"

echo
echo "Recursos do programa a cada 30 s:"
echo
awk 'NR == 1 { t0 = $1; c0 = $5; w0 = $6; u0 = $7 }
  {
    cpu = (NR > 1 && $1 > pt) ? sprintf("%.2f", 100 * ($5 - pc) / ($1 - pt)) : "-"
    printf("| %s | %d | %d | %d | %.2f | %s |\n", strftime("%H:%M:%S", $1), $2, $3, $4, $5, cpu)
    pt = $1; pc = $5; r[NR] = $2; last = $0
  }
  END {
    split(last, l, " ")
    printf "\nRSS: início %d kB, fim %d kB (%+d kB); CPU média %.3f%% em %.0f min\n",
      r[1], r[NR], r[NR] - r[1], 100 * (l[5] - c0) / (l[1] - t0), (l[1] - t0) / 60
    if (l[7] > u0)
      printf "relógio do sistema contra o monotônico: %.0f ppm\n", 1e6 * ((l[6] - w0) / (l[7] - u0) - 1)
  }' "$H_WORK/samples" | {
  echo "| hora | RSS (kB) | threads | descritores | CPU total (s) | CPU no intervalo (%) |"
  echo "|---|---|---|---|---|---|"
  cat
}
exit "$status"
