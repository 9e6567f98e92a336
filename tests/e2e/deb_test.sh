#!/usr/bin/env bash
# The Debian package as a school's IT person installs it: made by
# scripts/package.sh, checked by lintian, installed with apt into a Debian 12
# that has no compiler and no -dev package (a debootstrap chroot), started
# there by an operator, upgraded, removed and purged.
#   SONTERRA_BUILD_DIR: the build folder; SCHEDULE_EDIT: e2e_schedule_edit
# Root only (the chroot, apt); the base system and apt's downloads are kept in
# ~/.cache/sonterra so that a second run fetches nothing.
set -euo pipefail
repo=$(cd "$(dirname "$0")/../.." && pwd)
[ "$(id -u)" = 0 ] || { echo "precisa do root (chroot e apt)"; exit 77; }
# Mounts of a namespace of its own go with the test, however it ends.
[ -n "${DEB_TEST_NS:-}" ] || exec unshare --mount --propagation private env DEB_TEST_NS=1 bash "$0" "$@"

fail() { echo "FALHA: $*"; exit 1; }
ok() { echo "ok: $*"; }

work=$(mktemp -d "${TMPDIR:-/tmp}/sonterra-deb.XXXXXX")
# Nothing of the host is mounted in the chroot but apt's downloads, and rm
# stays off every mount.
trap 'umount -l "$work/root/proc" "$work/root/var/cache/apt/archives" 2>/dev/null
  rm -rf --one-file-system "$work"' EXIT
cache=${XDG_CACHE_HOME:-$HOME/.cache}/sonterra
base=$cache/bookworm-minbase.tar
mkdir -p "$cache/deb-archives/partial"

# --- The packages --------------------------------------------------------------
deb1=$("$repo/scripts/package.sh" deb 1)
deb2=$("$repo/scripts/package.sh" deb 2)
for d in "$deb1" "$deb2"; do [ -f "$d" ] || fail "pacote não feito: $d"; done
lintian --fail-on error "$deb1" >"$work/lintian.log" 2>&1 ||
  fail "lintian: $(cat "$work/lintian.log")"
dpkg-deb -f "$deb1" Depends >"$work/depends"
grep -q 'libqt6widgets6' "$work/depends" && ! grep -q -- '-dev' "$work/depends" ||
  fail "dependências: $(cat "$work/depends")"
ok "o pacote passa no lintian e depende só do que roda ($(wc -c <"$deb1") bytes)"

# --- Built as Debian builds, with its manual page and guide ---------------------------
lintian -I --tags hardening-no-fortify-functions,hardening-no-bindnow,hardening-no-relro,no-manual-page \
  "$deb1" >"$work/lintian-tags.log" 2>&1 || true
! grep -q '^[EWI]: sonterra' "$work/lintian-tags.log" || fail "lintian: $(cat "$work/lintian-tags.log")"
dpkg-deb -x "$deb1" "$work/unpacked"
for bin in sonterra sonterra-formats sonterra-entry; do
  elf=$work/unpacked/usr/lib/sonterra/$bin
  # Whole outputs first: grep -q would end the pipe early under pipefail.
  dynamic=$(readelf -d "$elf") segments=$(readelf -lW "$elf") symbols=$(readelf --dyn-syms -W "$elf")
  grep -q 'FLAGS.*NOW' <<<"$dynamic" || fail "$bin sem bind now"
  grep -q GNU_RELRO <<<"$segments" || fail "$bin sem relro"
  grep -q '__stack_chk_fail' <<<"$symbols" || fail "$bin sem stack protector"
  grep -qE ' __[a-z_]+_chk(@|$)' <<<"$symbols" || fail "$bin sem _FORTIFY_SOURCE"
done
grep -qF -- '.B \-\-version' <<<"$(zcat "$work/unpacked/usr/share/man/man1/sonterra.1.gz")" || fail "sem manual"
grep -q 'gpasswd -a NOME sonterra' "$work/unpacked/usr/share/doc/sonterra/guia-do-operador.txt" &&
  grep -q 'apt purge' "$work/unpacked/usr/share/doc/sonterra/guia-do-operador.txt" || fail "sem guia"
ok "fortify, stack protector, relro e bind now nos três programas; manual e guia do operador"

# --- A Debian 12 without compilers ------------------------------------------------
if [ ! -s "$base" ]; then
  debootstrap --variant=minbase bookworm "$work/base" http://deb.debian.org/debian >"$work/debootstrap.log" 2>&1 ||
    fail "debootstrap: $(tail -5 "$work/debootstrap.log")"
  tar -C "$work/base" -cf "$base.part" . && mv "$base.part" "$base"
  rm -rf "$work/base"
fi
root=$work/root
mkdir "$root"
tar -C "$root" -xf "$base"
mount -t proc proc "$root/proc"
mount --bind "$cache/deb-archives" "$root/var/cache/apt/archives"
cp /etc/resolv.conf "$root/etc/resolv.conf"
# The host's compiled locales (the same glibc): Brazil's formats are there.
cp /usr/lib/locale/locale-archive "$root/usr/lib/locale/locale-archive"
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LANG=C.UTF-8 "$@"; }
apt_in_root() { in_root env DEBIAN_FRONTEND=noninteractive apt-get -y -q "$@" >>"$work/apt.log" 2>&1; }
apt_in_root update || fail "apt-get update: $(tail -5 "$work/apt.log")"

# What ./run.sh installs on such a system: building and running, no test tool.
mapfile -t run_set < <("$repo/scripts/install-deps.sh" --run --list)
in_root apt-get install -s --no-install-recommends "${run_set[@]}" 2>&1 |
  sed -n 's/^Inst \([^ ]*\).*/\1/p' >"$work/run-set"
[ -s "$work/run-set" ] || fail "apt não resolveu o que ./run.sh instala"
! grep -E '^(wine|.*mingw|nsis|clang|libgtest|googletest|xvfb|pulseaudio|pipewire|lintian)' "$work/run-set" ||
  fail "./run.sh instalaria ferramentas de teste"
ok "./run.sh instalaria $(wc -l <"$work/run-set") pacotes, nenhum só de teste"

# --- What the package brings into a bare Debian 12 -------------------------------------
# Figures for docs/benchmarks.md; every package it depends on is one the program loads.
cp "$deb1" "$root/tmp/measure.deb"
for recommends in --no-install-recommends --install-recommends; do
  in_root apt-get install -s "$recommends" /tmp/measure.deb 2>&1 |
    sed -n 's/^Inst \([^ ]*\).*/\1/p' >"$work/brings$recommends"
  kib=$(in_root apt-cache show --no-all-versions $(grep -vx sonterra "$work/brings$recommends") |
    sed -n 's/^Installed-Size: //p' | paste -sd+ | bc)
  echo "medida: apt install $recommends ./$(basename "$deb1") traz $(wc -l <"$work/brings$recommends") pacotes, $((kib / 1024)) MiB além do Sonterra"
done
rm "$root/tmp/measure.deb"
! grep -q qt6-translations-l10n <<<"$(dpkg-deb -f "$deb1" Depends)" &&
  ! grep -qx qt6-translations-l10n "$work/brings--no-install-recommends" ||
  fail "o pacote traz todas as traduções do Qt para usar uma"

cp "$deb1" "$deb2" "$root/tmp/"
apt_in_root install "/tmp/$(basename "$deb1")" || fail "apt install: $(tail -20 "$work/apt.log")"
! in_root sh -c 'command -v cc || command -v gcc || command -v g++ || command -v c++' >/dev/null ||
  fail "há um compilador no sistema"
[ -z "$(in_root dpkg-query -W -f '${Package}\n' | grep -- '-dev$')" ] || fail "há pacotes -dev no sistema"
ok "apt install ./$(basename "$deb1") num Debian 12 sem compilador nem -dev"

# --- What it installed ------------------------------------------------------------
shared=$root/var/lib/sonterra
# Names as the installed system has them.
st() { in_root stat -c "$@"; }
[ "$(st '%U %a' /usr/lib/sonterra /usr/lib/sonterra/sonterra)" = "root 755
root 755" ] || fail "programa: $(st '%n %U %a' /usr/lib/sonterra/sonterra)"
[ "$(st '%U %a' /usr/lib/sonterra/sonterra.pasta)" = "root 644" ] &&
  [ "$(cat "$root/usr/lib/sonterra/sonterra.pasta")" = /var/lib/sonterra ] || fail "ponteiro"
[ "$(st '%U %G %a' /var/lib/sonterra)" = "root sonterra 2770" ] || fail "pasta compartilhada: $(st '%U %G %a' /var/lib/sonterra)"
[ "$(in_root find /var/lib/sonterra/HORA/ -name '*.WAV' -user root | wc -l)" = 780 ] ||
  fail "falas: $(in_root ls /var/lib/sonterra/HORA/ | wc -l)"
[ "$(ls "$shared/AUDIO")" = "$(printf '%s\n' sinal-{curto,entrada,saida}.{mp3,wav} | sort)" ] ||
  fail "sinais: $(ls "$shared/AUDIO")"
desktop-file-validate "$root/usr/share/applications/sonterra.desktop" || fail "entrada do menu"
for s in 16 32 48 256; do
  [ -f "$root/usr/share/icons/hicolor/${s}x$s/apps/sonterra.png" ] || fail "sem ícone ${s}x$s"
done
ok "programa e ponteiro do root, pasta do grupo sonterra, 780 falas, 6 sinais, menu e ícones"

# --- The spoken-time clips stored once -------------------------------------------------
[ "$(readlink "$shared/HORA")" = /usr/share/sonterra/HORA ] && [ "$(stat -c %u "$shared/HORA")" = 0 ] ||
  fail "HORA não é o link do root para as falas do pacote: $(ls -ld "$shared/HORA")"
echo "medida: /usr/share/sonterra $(du -sk "$root/usr/share/sonterra" | cut -f1) KiB, /var/lib/sonterra $(du -sk "$shared" | cut -f1) KiB"
[ "$(du -sk "$shared" | cut -f1)" -lt 4096 ] || fail "as falas ainda estão copiadas em /var/lib/sonterra"
# An older version's copy makes way for the link; a folder holding anything
# else is left as it is.
rm "$shared/HORA"
mkdir "$shared/HORA"
cp -p "$root/usr/share/sonterra/HORA/"* "$shared/HORA/"
in_root /var/lib/dpkg/info/sonterra.postinst configure >/dev/null 2>&1 || fail "postinst sobre a cópia antiga"
[ "$(readlink "$shared/HORA")" = /usr/share/sonterra/HORA ] || fail "a cópia antiga das falas ficou"
rm "$shared/HORA"
mkdir "$shared/HORA"
cp -p "$root/usr/share/sonterra/HORA/"* "$shared/HORA/"
echo minha >"$shared/HORA/minha.wav"
in_root /var/lib/dpkg/info/sonterra.postinst configure >"$work/postinst.log" 2>&1 || fail "postinst: $(cat "$work/postinst.log")"
[ -d "$shared/HORA" ] && [ ! -L "$shared/HORA" ] && [ "$(ls "$shared/HORA" | wc -l)" = 781 ] ||
  fail "o postinst mexeu numa pasta HORA com arquivos que não são do pacote"
grep -q "não é a pasta das falas do pacote" "$work/postinst.log" || fail "o postinst não disse: $(cat "$work/postinst.log")"
rm -r "$shared/HORA"
in_root /var/lib/dpkg/info/sonterra.postinst configure >/dev/null 2>&1 || fail "postinst"
[ "$(readlink "$shared/HORA")" = /usr/share/sonterra/HORA ] || fail "sem o link das falas"
ok "as falas ficam só em /usr/share/sonterra, lidas por um link do root; uma cópia antiga dá lugar a ele"

# --- An operator starts it and it reads the shared schedule --------------------------
in_root useradd -m -G sonterra ana
cp "${SCHEDULE_EDIT:?}" "$root/tmp/schedule_edit"
weekday=$(($(date +%w) + 1))
day_file=/var/lib/sonterra/$(printf '%02d' "$weekday").PR2
as_user() { local u=$1; shift; in_root setpriv --reuid "$u" --regid "$u" --init-groups env HOME="/home/$u" "$@"; }
as_ana() { as_user ana "$@"; }
# Starts sonterra as an account, under strace into $work/trace.USER, in the background.
declare -A traced
traced_start() { # user
  rm -f "$work/trace.$1" # a copy's trace, never the last one's
  strace -f -qq -e trace=openat -o "$work/trace.$1" \
    chroot "$root" setpriv --reuid "$1" --regid "$1" --init-groups \
    env -i PATH=/usr/bin:/bin HOME="/home/$1" LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy \
    timeout 300 sonterra >"$work/run.$1.log" 2>&1 &
  traced[$1]=$!
}
# Until the trace has a line matching the pattern, while the copy runs (at
# most 5 minutes of a stalled machine): how long is the machine's business.
traced_wait() { # user pattern
  while kill -0 "${traced[$1]}" 2>/dev/null && ! grep -q "$2" "$work/trace.$1" 2>/dev/null; do sleep 0.2; done
  grep -q "$2" "$work/trace.$1"
}
# Ends the copy wherever it is: timeout passes the signal on to the program,
# or to the launcher that has not reached it yet.
traced_stop() { # user
  pkill -TERM -P "${traced[$1]}" 2>/dev/null || true
  wait "${traced[$1]}" 2>/dev/null || true
}
opened() { echo "openat(AT_FDCWD, \"$1\", [^)]*) = [0-9]"; }
as_ana /tmp/schedule_edit /usr/lib/sonterra/sonterra add "$weekday" 07:30 /var/lib/sonterra/AUDIO/sinal-curto.wav ||
  fail "ana não acrescentou um horário"
[ "$(st %G "$day_file")" = sonterra ] || fail "$day_file não ficou do grupo"
read_day=$(opened "$day_file")
traced_start ana
traced_wait ana "$read_day" ||
  fail "o programa não leu $day_file: $(grep -c . "$work/trace.ana") chamadas; $(cat "$work/run.ana.log")"
traced_stop ana
grep -q 'openat(AT_FDCWD, "/usr/lib/locale/locale-archive"' "$work/trace.ana" || fail "sem locale"
ok "ana abre o Sonterra pelo comando sonterra e ele lê a programação compartilhada ($day_file)"

# --- The command line, and a system without Brazil's compiled formats ----------------
before=$(ls -A "$shared")
for arg in --version --help; do
  in_root setpriv --reuid ana --regid ana --init-groups env HOME=/home/ana sonterra -x "$arg" \
    >"$work/cli.out" 2>"$work/cli.err" || fail "sonterra $arg: $? $(cat "$work/cli.err")"
  [ ! -s "$work/cli.err" ] || fail "sonterra $arg: $(cat "$work/cli.err")"
  [ "$arg" != --version ] || [ "$(cat "$work/cli.out")" = "Sonterra $(dpkg-deb -f "$deb1" Version | cut -d- -f1)" ] ||
    fail "sonterra --version: $(cat "$work/cli.out")"
  [ "$arg" != --help ] || grep -qx 'Uso: sonterra \[--help | --version\]' <<<"$(head -1 "$work/cli.out")" ||
    fail "sonterra --help: $(cat "$work/cli.out")"
done
[ "$(ls -A "$shared")" = "$before" ] || fail "--version/--help mexeram em $shared"
ok "sonterra --version e --help respondem sem tela, sem trava e sem programação"

mv "$root/usr/lib/locale/locale-archive" "$work/locale-archive"
[ -z "$(in_root locale -a | grep -i pt_BR)" ] || fail "pt_BR ainda no sistema"
in_root env LC_ALL=C.UTF-8 /usr/lib/sonterra/sonterra-formats >"$work/formats.out" || true
grep -q 'No Linux, use os formatos do Brasil' "$work/formats.out" && ! grep -q 'Windows' "$work/formats.out" ||
  fail "avisos de formato: $(cat "$work/formats.out")"
traced_start ana
traced_wait ana "$read_day" || true
traced_stop ana
mv "$work/locale-archive" "$root/usr/lib/locale/locale-archive"
grep -q "$read_day" "$work/trace.ana" ||
  fail "sem pt_BR gerado o programa não abriu: $(cat "$work/run.ana.log")"
grep -q 'openat(AT_FDCWD, "/usr/lib/sonterra/locale/pt_BR.UTF-8/LC_TIME", [^)]*) = [0-9]' "$work/trace.ana" ||
  fail "o programa não leu os formatos do pacote"
# Qt's Portuguese texts: the system's where its Recommends brought them, else
# the package's own.
grep -q 'openat(AT_FDCWD, "[^"]*/qtbase_pt_BR.qm", [^)]*) = [0-9]' "$work/trace.ana" ||
  fail "o programa não leu os textos do Qt em português"
ok "num Debian sem pt_BR.UTF-8 gerado o Sonterra abre com os formatos do pacote; os avisos falam do Linux"

# --- One ringing copy, the operators' bells, an account outside the group ------------
in_root useradd -m -G sonterra bia
in_root useradd -m convidado

# Ana keeps a bell in AUDIO/, where the file chooser opens; bia's copy rings it
# at the next minute (opened ahead, as every bell is).
as_user ana cp /var/lib/sonterra/AUDIO/sinal-curto.wav /var/lib/sonterra/AUDIO/ana-sinal.wav ||
  fail "ana não pôde guardar um sinal em AUDIO/ ($(st '%U %G %a' /var/lib/sonterra/AUDIO))"
next=$(date -d '+70 seconds' +%H:%M)
as_ana /tmp/schedule_edit /usr/lib/sonterra/sonterra add "$weekday" "$next" /var/lib/sonterra/AUDIO/ana-sinal.wav ||
  fail "ana não acrescentou o horário $next"
printf '1\r\n' >"$shared/SOM.INI"
traced_start bia
traced_wait bia "$(opened "$day_file")" || fail "a cópia de bia não leu a programação: $(cat "$work/run.bia.log")"
ok "bia abre o Sonterra ativado"

# While it rings: an account outside the group is refused, and an operator
# who deletes the lock file still finds bia's copy.
traced_start convidado
traced_wait convidado 'openat(AT_FDCWD, "/var/lib/sonterra/", [^)]*) = -1 EACCES' ||
  fail "o convidado não foi recusado: $(cat "$work/run.convidado.log")"
as_user ana rm /var/lib/sonterra/.sonterra.lock || fail "ana não apagou a trava (o teste precisa disso)"
traced_start ana
traced_wait ana 'openat([0-9]*, ".sonterra.lock", [^)]*) = [0-9]' ||
  fail "a cópia de ana não chegou à trava: $(tail -5 "$work/trace.ana"); $(cat "$work/run.ana.log")"
sleep 3
for who in convidado ana; do
  ! grep -q "$(opened /var/lib/sonterra/SOM.INI)" "$work/trace.$who" ||
    fail "a cópia de $who abriu a programação ao lado da de bia"
  traced_stop "$who"
done
ok "com a cópia de bia no ar, a do convidado é recusada e a de ana não toca, mesmo sem o arquivo da trava"
traced_wait bia "$(opened /var/lib/sonterra/AUDIO/ana-sinal.wav)" ||
  fail "a cópia de bia não tocou o sinal de ana às $next"
ok "a cópia de bia abriu o sinal que ana guardou em AUDIO/ para as $next"

# --- Upgrade, remove, purge ---------------------------------------------------------
sum_before=$(md5sum <"$root$day_file")
program_before=$(stat -c %i "$root/usr/lib/sonterra/sonterra")
apt_in_root install "/tmp/$(basename "$deb2")" || fail "atualização: $(tail -20 "$work/apt.log")"
[ "$(in_root dpkg-query -W -f '${Version}' sonterra)" = "$(dpkg-deb -f "$deb2" Version)" ] || fail "versão"
[ "$(stat -c %i "$root/usr/lib/sonterra/sonterra")" != "$program_before" ] || fail "o programa não foi trocado"
[ "$(md5sum <"$root$day_file")" = "$sum_before" ] || fail "a atualização mudou a programação"
ok "a atualização troca o programa e mantém a programação"

as_ana sh -c 'echo meu > /var/lib/sonterra/recreio.mp3'
as_ana /tmp/schedule_edit /usr/lib/sonterra/sonterra autostart || fail "ana não ativou o início automático"
: >"$work/apt.log"
apt_in_root remove sonterra || fail "apt remove: $(tail -20 "$work/apt.log")"
grep -q 'ficou a entrada de início automático /home/ana/.config/autostart/Quorvel STV2.desktop (ignorada sem o programa' "$work/apt.log" &&
  grep -q 'uma cópia do Sonterra aberta continua tocando' "$work/apt.log" &&
  grep -q '^TryExec=/usr/lib/sonterra/sonterra$' "$root/home/ana/.config/autostart/Quorvel STV2.desktop" ||
  fail "apt remove não disse o que continua e o que ficou: $(cat "$work/apt.log")"
[ ! -e "$root/usr/lib/sonterra" ] && [ ! -e "$root/usr/bin/sonterra" ] || fail "o programa ficou"
[ "$(md5sum <"$root$day_file")" = "$sum_before" ] && [ "$(readlink "$shared/HORA")" = /usr/share/sonterra/HORA ] &&
  [ "$(ls "$shared/AUDIO" | wc -l)" = 7 ] || fail "apt remove levou a programação ou os sons"
ok "apt remove mantém a programação, os sinais e o link das falas (que voltam com o pacote), e diz que a cópia de bia segue e a entrada de ana fica"

: >"$work/apt.log"
apt_in_root purge sonterra || fail "apt purge: $(tail -20 "$work/apt.log")"
[ -f "$shared/.sonterra.lock" ] || fail "o purge apagou a trava da cópia de bia, que ainda toca"
traced_stop bia
[ ! -e "$shared/HORA" ] && [ ! -L "$shared/HORA" ] || fail "o purge deixou as falas do pacote"
[ "$(ls "$shared/AUDIO")" = ana-sinal.wav ] || fail "o purge deixou os sinais do pacote ou levou o de ana: $(ls "$shared/AUDIO")"
[ -f "$root$day_file" ] && [ "$(cat "$shared/recreio.mp3")" = meu ] || fail "o purge levou o que ana fez"
grep -q "ficou em /var/lib/sonterra o que os operadores fizeram" "$work/apt.log" &&
  grep -q "sonterra:   recreio.mp3" "$work/apt.log" || fail "o purge não disse o que ficou: $(cat "$work/apt.log")"
ok "apt purge leva o que o pacote fez e diz o que ficou dos operadores"
